// Broken and hostile input, one group: each case gets one line naming the file and
// the problem, the program carries on, nothing outside the tree is read and nothing
// hangs.
#include "gfx/mesh.h"
#include "gfx/model.h"
#include "gfx/registry.h"
#include "gfx/soil.h"
#include "support/gl_context.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> debugErrors;

void GLAPIENTRY collectDebugError(GLenum, GLenum type, GLuint, GLenum, GLsizei,
                                  const GLchar* message, const void*) {
    if (type == GL_DEBUG_TYPE_ERROR) {
        debugErrors.emplace_back(message);
    }
}

constexpr const char* minimalVertex = "#version 330 core\n"
                                      "layout (location = 0) in vec3 position;\n"
                                      "void main() { gl_Position = vec4(position, 1.0); }\n";

class BadInput : public testing::Test {
  protected:
    void SetUp() override {
        requireGlContext();
        directory = makeTemporaryDirectory("lanternfall-bad-input");
        ASSERT_FALSE(directory.empty());
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string writeFile(const std::string& name, const std::string& text) {
        const std::string path = directory + "/" + name;
        std::ofstream(path) << text;
        return path;
    }

    // A named pipe: opening it for reading would block until a writer comes.
    std::string makeFifo(const std::string& name) {
        const std::string path = directory + "/" + name;
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        return path;
    }

    std::string directory;
};

TEST_F(BadInput, UnreadableShaderFilesGetOneLineEachAndAProgramThatDrawsNothing) {
    const std::string vertex = writeFile("ok.vert", minimalVertex);
    const std::string missing = directory + "/missing.frag";
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
    loadShader(vertex.c_str(), directory.c_str(), nullptr, "directory");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR::SHADER: Failed to read shader files: " + directory +
                  " (not a regular file)\n");
}

// A FIFO where an image should be: refused at once, with one line, and the stand-in.
TEST_F(BadInput, ImagesThatAreNotRegularFilesAreRefusedWithoutWaiting) {
    const std::string pipe = makeFifo("pipe.png");
    int width = -1;
    int height = -1;
    EXPECT_EQ(SOIL_load_image(pipe.c_str(), &width, &height, nullptr, SOIL_LOAD_RGBA), nullptr);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(SOIL_load_image(directory.c_str(), &width, &height, nullptr, SOIL_LOAD_RGBA),
              nullptr);

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
    for (const std::string& path : {pipe, directory}) {
        testing::internal::CaptureStdout();
        Model model;
        model.load(path);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "ERROR::ASSIMP:: " + path + ": not a regular file\n");
        EXPECT_TRUE(model.meshes.empty());
    }
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

    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(collectDebugError, nullptr);
    debugErrors.clear();
    glUseProgram(lighting.ID);
    for (const Mesh& mesh : meshes) {
        mesh.draw(lighting.ID, cube);
    }
    glUseProgram(0);
    glDebugMessageCallback(nullptr, nullptr);
    EXPECT_TRUE(debugErrors.empty()) << debugErrors.front();
}

} // namespace
