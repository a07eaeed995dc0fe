// Broken and hostile input, one group: each case gets one line naming the file and
// the problem, the program carries on, nothing outside the tree is read and nothing
// hangs.
#include "gfx/mesh.h"
#include "gfx/model.h"
#include "gfx/model_import.h"
#include "gfx/registry.h"
#include "gfx/soil.h"
#include "support/gl_context.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* minimalVertex = "#version 330 core\n"
                                      "layout (location = 0) in vec3 position;\n"
                                      "void main() { gl_Position = vec4(position, 1.0); }\n";

class BadInput : public testing::Test {
  protected:
    void SetUp() override { requireGlContext(); }

    std::string writeFile(const std::string& name, const std::string& text) {
        const std::string path = folder.file(name);
        std::ofstream(path) << text;
        return path;
    }

    // A named pipe: opening it for reading would block until a writer comes.
    std::string makeFifo(const std::string& name) {
        const std::string path = folder.file(name);
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        return path;
    }

    TemporaryFolder folder;
};

TEST_F(BadInput, UnreadableShaderFilesGetOneLineEachAndAProgramThatDrawsNothing) {
    const std::string vertex = writeFile("ok.vert", minimalVertex);
    const std::string missing = folder.file("missing.frag");
    const std::string pipe = makeFifo("pipe.geom");
    testing::internal::CaptureStdout();
    const Shader shader = loadShader(vertex.c_str(), missing.c_str(), pipe.c_str(), "unreadable");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR::SHADER: Failed to read shader files: " + missing + " (no such file)\n" +
                  "ERROR::SHADER: Failed to read shader files: " + pipe +
                  " (not a regular file)\n");
    EXPECT_EQ(getShader("unreadable").ID, shader.ID);
    GLint linked = GL_FALSE;
    glGetProgramiv(shader.ID, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE);

    testing::internal::CaptureStdout();
    loadShader(vertex.c_str(), folder.path.c_str(), nullptr, "directory");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR::SHADER: Failed to read shader files: " + folder.path +
                  " (not a regular file)\n");
}

// A FIFO where an image should be: refused at once, with one line, and the stand-in.
TEST_F(BadInput, ImagesThatAreNotRegularFilesAreRefusedWithoutWaiting) {
    const std::string pipe = makeFifo("pipe.png");
    int width = -1;
    int height = -1;
    EXPECT_EQ(SOIL_load_image(pipe.c_str(), &width, &height, nullptr, SOIL_LOAD_RGBA), nullptr);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(SOIL_load_image(folder.path.c_str(), &width, &height, nullptr, SOIL_LOAD_RGBA),
              nullptr);
    // With standard input closed, a file opens on descriptor 0: it is read all the same.
    const std::string plain = folder.file("plain.png");
    ASSERT_TRUE(writePng(plain, 1, 1, 3, {1, 2, 3}));
    const int input = dup(0);
    close(0);
    unsigned char* pixels = SOIL_load_image(plain.c_str(), &width, &height, nullptr, SOIL_LOAD_RGB);
    dup2(input, 0);
    close(input);
    EXPECT_NE(pixels, nullptr);
    SOIL_free_image_data(pixels);

    testing::internal::CaptureStdout();
    const Texture2D star = loadTexture(pipe.c_str(), "pipe");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR::TEXTURE:: Failed to load " + pipe + "; the texture stays empty\n");
    EXPECT_EQ(star.width, 0);

    writeFile("pipe.mtl", "newmtl stone\nmap_Kd pipe.png\n");
    const std::string obj = writeFile("pipe.obj", "mtllib pipe.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                                  "vt 0 0\nusemtl stone\nf 1/1 2/1 3/1\n");
    testing::internal::CaptureStdout();
    Model model;
    model.load(obj);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR::TEXTURE:: Failed to load texture " + pipe + ", using a plain stand-in\n");
    ASSERT_EQ(model.meshes.size(), 1u);
    ASSERT_EQ(model.meshes[0].textures.size(), 1u);
    EXPECT_NE(model.meshes[0].textures[0].id, 0u);
}

TEST_F(BadInput, ModelThatIsNotARegularFileIsRefusedByName) {
    const std::string pipe = makeFifo("pipe.obj");
    for (const std::string& path : {pipe, folder.path}) {
        testing::internal::CaptureStdout();
        Model model;
        model.load(path);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "ERROR::ASSIMP:: " + path + ": not a regular file\n");
        EXPECT_TRUE(model.meshes.empty());
    }

    // A material library that is a FIFO: the importer would wait on it for ever. It is
    // refused by name and the model loads without its materials.
    const std::string library = makeFifo("fifo.mtl");
    const std::string obj = writeFile("fifo.obj", "mtllib fifo.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                                  "usemtl stone\nf 1 2 3\n");
    testing::internal::CaptureStdout();
    Model model;
    model.load(obj);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR::ASSIMP:: " + library + ": not a regular file\n");
    ASSERT_EQ(model.meshes.size(), 1u);
    EXPECT_TRUE(model.meshes[0].textures.empty());
}

// The importer's own consistency checks would end the program; this file (more
// vertices promised than given) trips one. So do files with only points or lines.
TEST_F(BadInput, ModelsThatTripTheImporterOrHoldNoTrianglesGetOneLine) {
    const std::string tripping = writeFile("short.off", "OFF\n20 2 0\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n"
                                                        "3 0 1 2\n3 1 3 2\n");
    testing::internal::CaptureStdout();
    Model model;
    model.load(tripping);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.rfind("ERROR::ASSIMP:: " + tripping + ": ", 0), 0u) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    EXPECT_TRUE(model.meshes.empty());

    const std::string lines = writeFile("lines.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2 3\np 1\n");
    testing::internal::CaptureStdout();
    model.load(lines);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR::ASSIMP:: " + lines + ": no triangles to draw\n");
    EXPECT_TRUE(model.meshes.empty());
}

// A user's model whose meshes carry 0 to 3 maps, drawn in an order where each has fewer
// than the one before: no sampler may be left on the depth cube map's unit.
TEST_F(BadInput, MeshesWithFewerMapsThanTheLastDrawWithoutGlErrors) {
    testing::internal::CaptureStdout();
    const Shader lighting =
        loadShader("shader/LightingAndNormalMapping.vert", "shader/LightingAndNormalMapping.frag",
                   nullptr, "lightingForBadInput");
    ASSERT_EQ(testing::internal::GetCapturedStdout(), "");
    GLuint cube = 0;
    glGenTextures(1, &cube);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
    for (GLenum face = 0; face < 6; ++face) {
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_DEPTH_COMPONENT, 4, 4, 0,
                     GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    }
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);

    const char* roles[] = {"texture_diffuse", "texture_specular", "texture_normal"};
    std::vector<Mesh> meshes;
    for (int count : {3, 0, 2, 1, 3, 1}) {
        std::vector<Texture> textures;
        for (int i = 0; i < count; ++i) {
            Texture texture;
            glGenTextures(1, &texture.id);
            glBindTexture(GL_TEXTURE_2D, texture.id);
            const unsigned char texel[4] = {200, 200, 200, 255};
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            texture.type = roles[i];
            textures.push_back(texture);
        }
        meshes.emplace_back(std::vector<Vertex>(3), std::vector<GLuint>{0, 1, 2}, textures);
    }
    glBindTexture(GL_TEXTURE_2D, 0);

    listenForGlErrors();
    glErrors.clear();
    glUseProgram(lighting.ID);
    for (const Mesh& mesh : meshes) {
        mesh.draw(lighting.ID, cube);
    }
    glUseProgram(0);
    glDebugMessageCallback(nullptr, nullptr);
    EXPECT_TRUE(glErrors.empty()) << glErrors.front();
}

// Texture references that climb out of the model's tree are refused with one line and
// get the stand-in; ../ that stays inside is fine, as model packs use it.
TEST_F(BadInput, TextureReferencesOutsideTheTreeAreNotRead) {
    const std::string model = folder.file("pack/model");
    fs::create_directories(model + "/../textures");
    ASSERT_TRUE(writePng(folder.file("pack/textures/stone.png"), 1, 1, 3, {10, 20, 30}));
    ASSERT_TRUE(writePng(folder.file("outside.png"), 1, 1, 3, {200, 0, 0}));
    // The pack's own root is the model's folder here, so even ../textures is outside;
    // inside the model's folder, a climb that comes back is fine.
    fs::create_directories(model + "/sub");
    ASSERT_TRUE(writePng(model + "/inside.png", 1, 1, 3, {1, 2, 3}));
    const std::string climbs = "../../../../../../../../../../etc/passwd";
    std::ofstream(model + "/model.mtl") << "newmtl a\nmap_Kd " << climbs
                                        << "\nmap_Ks ../../outside.png\n"
                                           "map_Bump sub/../inside.png\n";
    std::ofstream(model + "/model.obj") << "mtllib model.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                           "vt 0 0\nusemtl a\nf 1/1 2/1 3/1\n";
    EXPECT_FALSE(textureInsideTree(model, climbs));
    EXPECT_FALSE(textureInsideTree(model, "../../outside.png"));
    EXPECT_FALSE(textureInsideTree(model, "../textures/stone.png"));
    EXPECT_TRUE(textureInsideTree(model, "sub/../inside.png"));
    EXPECT_TRUE(textureInsideTree(model, "/inside.png"));
    // Windows separators and foreign absolute paths find nothing outside either.
    EXPECT_FALSE(textureInsideTree(model, "..\\..\\outside.png"));
    EXPECT_FALSE(textureInsideTree(model, "C:\\..\\..\\..\\outside.png"));

    testing::internal::CaptureStdout();
    Model loaded;
    loaded.load(model + "/model.obj");
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 2) << printed;
    EXPECT_NE(printed.find("ERROR::TEXTURE:: " + model + "/" + climbs + " lies outside"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find(model + "/../../outside.png lies outside"), std::string::npos)
        << printed;
    ASSERT_EQ(loaded.meshes.size(), 1u);
    ASSERT_EQ(loaded.meshes[0].textures.size(), 3u);
    // The refused diffuse map is the plain white stand-in, not the red picture.
    std::vector<unsigned char> texel(4);
    glBindTexture(GL_TEXTURE_2D, loaded.meshes[0].textures[0].id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel.data());
    EXPECT_EQ(texel, (std::vector<unsigned char>{255, 255, 255, 255}));
    glBindTexture(GL_TEXTURE_2D, loaded.meshes[0].textures[2].id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(texel, (std::vector<unsigned char>{1, 2, 3, 255}));
}

} // namespace
