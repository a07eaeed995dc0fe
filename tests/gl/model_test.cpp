#include "gfx/model.h"
#include "gfx/model_import.h"
#include "support/gl_context.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// Two triangles, each its own object with its own material.
constexpr const char* twoObjects = "mtllib scene.mtl\n"
                                   "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                   "vt 0 0\nvt 1 0\nvt 0 1\n"
                                   "vn 0 0 1\n"
                                   "o first\nusemtl first\nf 1/1/1 2/2/1 3/3/1\n"
                                   "o second\nusemtl second\nf 1/1/1 3/3/1 2/2/1\n";

class ModelTest : public testing::Test {
  protected:
    void SetUp() override {
        requireGlContext();
        fs::create_directories(folder.file("tex"));
        for (const char* name : {"a.png", "b.png", "tex/c.png"}) {
            ASSERT_TRUE(writePng(folder.file(name), 2, 2, 3, std::vector<unsigned char>(12, 90)));
        }
    }

    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(folder.file(name)) << text;
        return folder.file(name);
    }

    // Loads an OBJ of two objects whose materials have the given statements.
    Model loadWithMaterials(const std::string& first, const std::string& second) {
        write("scene.mtl", "newmtl first\n" + first + "\nnewmtl second\n" + second + "\n");
        Model model;
        model.load(write("scene.obj", twoObjects));
        return model;
    }

    static std::vector<unsigned char> texels(GLuint texture) {
        GLint width = 0;
        GLint height = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        std::vector<unsigned char> pixels(static_cast<size_t>(width * height * 4));
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return pixels;
    }

    TemporaryFolder folder;
};

TEST_F(ModelTest, MeshesShareATextureFileLoadedOnce) {
    const Model model =
        loadWithMaterials("map_Kd a.png\nmap_Ks b.png\nmap_Bump tex/c.png", "map_Kd a.png");
    ASSERT_EQ(model.meshes.size(), 2u);
    EXPECT_EQ(model.directory, folder.path);
    ASSERT_EQ(model.loadedTextures.size(), 3u);

    const std::vector<Texture>& first = model.meshes[0].textures;
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].type, "texture_diffuse");
    EXPECT_EQ(first[1].type, "texture_specular");
    EXPECT_EQ(first[2].type, "texture_normal");
    EXPECT_STREQ(first[2].path.C_Str(), "tex/c.png");
    ASSERT_EQ(model.meshes[1].textures.size(), 1u);
    EXPECT_EQ(model.meshes[1].textures[0].id, first[0].id);

    // Loaded with mipmaps and the repeat / trilinear parameters.
    GLint minFilter = 0;
    glBindTexture(GL_TEXTURE_2D, first[0].id);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    // The chain reaches 1 x 1, so the texture is complete: a 2 x 2 image has two levels.
    GLint lastSide[2] = {};
    std::vector<unsigned char> last(4);
    glBindTexture(GL_TEXTURE_2D, first[0].id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &lastSide[0]);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_HEIGHT, &lastSide[1]);
    glGetTexImage(GL_TEXTURE_2D, 1, GL_RGBA, GL_UNSIGNED_BYTE, last.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(lastSide[0], 1);
    EXPECT_EQ(lastSide[1], 1);
    EXPECT_EQ(last, (std::vector<unsigned char>{90, 90, 90, 255}));
    EXPECT_EQ(texels(first[0].id), std::vector<unsigned char>({90, 90, 90, 255, 90, 90, 90, 255, 90,
                                                               90, 90, 255, 90, 90, 90, 255}));
}

TEST_F(ModelTest, UnreadableTextureGetsANeutralStandIn) {
    testing::internal::CaptureStdout();
    const Model model = loadWithMaterials("map_Kd gone.png\nmap_Bump broken.png", "");
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(model.meshes.size(), 2u);
    ASSERT_EQ(model.meshes[0].textures.size(), 2u);
    // One line for each file, naming it.
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 2) << printed;
    EXPECT_NE(printed.find("ERROR::TEXTURE:: "), std::string::npos);
    EXPECT_NE(printed.find(folder.file("gone.png")), std::string::npos);
    EXPECT_EQ(texels(model.meshes[0].textures[0].id),
              std::vector<unsigned char>({255, 255, 255, 255}));
    EXPECT_EQ(texels(model.meshes[0].textures[1].id),
              std::vector<unsigned char>({128, 128, 255, 255}));
}

TEST_F(ModelTest, MeshWithoutTextureCoordinatesHasZeroTangents) {
    write("plain.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3\nf 2 4 3\n");
    Model model;
    model.load(folder.file("plain.obj"));
    ASSERT_EQ(model.meshes.size(), 1u);
    const Mesh& mesh = model.meshes[0];
    ASSERT_EQ(mesh.vertices.size(), 6u); // one vertex per face corner: nothing is joined
    EXPECT_EQ(mesh.indices.size(), 6u);
    for (const Vertex& vertex : mesh.vertices) {
        EXPECT_EQ(vertex.tangent, glm::vec3(0));
        EXPECT_EQ(vertex.texCoords, glm::vec2(0));
        EXPECT_NEAR(vertex.normal.z, 1.0f, 1e-5f); // generated by the import
    }
}

TEST_F(ModelTest, NodesAreWalkedWithoutTheirTransforms) {
    // One triangle mesh referenced by two nodes, the second one moved and nested.
    write("nodes.gltf", R"({
  "asset": {"version": "2.0"},
  "scene": 0,
  "scenes": [{"nodes": [0]}],
  "nodes": [{"mesh": 0, "children": [1]}, {"mesh": 0, "translation": [5, 0, 0]}],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                 "min": [0, 0, 0], "max": [1, 1, 0]}],
  "bufferViews": [{"buffer": 0, "byteLength": 36}],
  "buffers": [{"byteLength": 36,
               "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}]
})");
    Model model;
    model.load(folder.file("nodes.gltf"));
    ASSERT_EQ(model.meshes.size(), 2u);
    EXPECT_NE(model.meshes[0].vao, model.meshes[1].vao);
    for (const Mesh& mesh : model.meshes) {
        ASSERT_EQ(mesh.vertices.size(), 3u);
        EXPECT_EQ(mesh.vertices[1].position, glm::vec3(1, 0, 0));
    }
}

TEST_F(ModelTest, FailedImportPrintsTheImportersReasonAndKeepsNothing) {
    Model model;
    testing::internal::CaptureStdout();
    model.load(folder.file("missing.obj"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR::ASSIMP:: " + folder.file("missing.obj") + ": no such file\n");
    EXPECT_TRUE(model.meshes.empty());
    EXPECT_TRUE(model.directory.empty());

    // The importer's own reason, after the file's name.
    const std::string garbage = write("garbage.obj", "f 1 2 3\nthis is no model\n");
    testing::internal::CaptureStdout();
    model.load(garbage);
    const std::string printed = testing::internal::GetCapturedStdout();
    const std::string start = "ERROR::ASSIMP:: " + garbage + ": ";
    EXPECT_EQ(printed.rfind(start, 0), 0u) << printed;
    EXPECT_GT(printed.size(), start.size() + 1) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    EXPECT_TRUE(model.meshes.empty());
}

// Meshes built by hand: the cases no well-formed file produces.
TEST_F(ModelTest, MalformedMeshesStaySafe) {
    // One material in the count, and one past it that would bring a map if it were read.
    aiScene scene;
    scene.mNumMaterials = 1;
    scene.mMaterials = new aiMaterial* [2] { new aiMaterial(), new aiMaterial() };
    const aiString map("past.png");
    scene.mMaterials[1]->AddProperty(&map, AI_MATKEY_TEXTURE_DIFFUSE(0));
    aiMesh mesh;
    mesh.mNumVertices = 5;
    // Small, so that the area weights are well below 1; the fourth vertex is in no triangle.
    mesh.mVertices =
        new aiVector3D[5]{{0, 0, 0}, {0.5f, 0, 0}, {0, 0.5f, 0}, {1, 1, 1}, {0.5f, 0, -0.5f}};
    mesh.mNumFaces = 3;
    mesh.mFaces = new aiFace[3];
    const unsigned int corners[3][3] = {{0, 1, 2}, {0, 4, 1}, {0, 1, 7}};
    for (unsigned int f = 0; f < 3; ++f) {
        mesh.mFaces[f].mNumIndices = 3;
        mesh.mFaces[f].mIndices = new unsigned int[3]{corners[f][0], corners[f][1], corners[f][2]};
    }
    // The third face reaches past the vertices: dropped.
    mesh.mMaterialIndex = 1; // past the materials: no textures

    Model model;
    const Mesh built = model.buildMesh(&mesh, &scene);
    delete scene.mMaterials[1];
    EXPECT_TRUE(built.textures.empty());
    EXPECT_EQ(built.indices, (std::vector<GLuint>{0, 1, 2, 0, 4, 1}));
    // No normals in the file: each vertex takes the area-weighted mean of its triangles'
    // front sides (+Z and -Y here, of equal area), and one in no triangle faces up.
    const glm::vec3 shared = glm::normalize(glm::vec3(0, -1, 1));
    EXPECT_LT(glm::distance(built.vertices[0].normal, shared), 1e-6f);
    EXPECT_LT(glm::distance(built.vertices[1].normal, shared), 1e-6f);
    EXPECT_EQ(built.vertices[2].normal, glm::vec3(0, 0, 1));
    EXPECT_EQ(built.vertices[3].normal, glm::vec3(0, 1, 0));
    EXPECT_EQ(built.vertices[4].normal, glm::vec3(0, -1, 0));
}

// Node trees no real model has end quickly: a node that is its own child, and one node
// shared down a chain 24 deep, which a plain walk would visit 2^25 times.
TEST_F(ModelTest, HostileNodeTreesEndQuickly) {
    aiScene scene;
    scene.mNumMeshes = 1;
    scene.mMeshes = new aiMesh* [1] { new aiMesh() };
    constexpr unsigned int depth = 24;
    std::vector<aiNode> chain(depth + 1);
    for (unsigned int k = 0; k <= depth; ++k) {
        chain[k].mNumMeshes = 1;
        chain[k].mMeshes = new unsigned int[1]{0};
        chain[k].mNumChildren = k < depth ? 2 : 1;
        chain[k].mChildren = k < depth ? new aiNode* [2] { &chain[k + 1], &chain[k + 1] }
                                       : new aiNode* [1] { &chain[k] };
    }
    std::size_t visits = 0;
    const auto count = [&](const aiMesh*) { ++visits; };
    forEachNodeMesh(&chain[depth], &scene, count);
    EXPECT_EQ(visits, 1u);
    visits = 0;
    forEachNodeMesh(&chain[0], &scene, count);
    EXPECT_GT(visits, depth);
    EXPECT_LE(visits, std::size_t{1} << 18);
    // The nodes are the vector's: their children must not be deleted through them.
    for (aiNode& node : chain) {
        delete[] node.mChildren;
        node.mChildren = nullptr;
        node.mNumChildren = 0;
    }
}

// References as tools on other systems write them: Windows separators, another letter
// case, a path on the author's machine. Each finds the file in the model's folder.
TEST_F(ModelTest, TextureReferencesFindTheirFilesAsOtherToolsWriteThem) {
    fs::create_directories(folder.file("Textures"));
    ASSERT_TRUE(writePng(folder.file("Textures/Stone.PNG"), 1, 1, 3, {1, 2, 3}));
    const std::string stone = folder.file("Textures/Stone.PNG");
    EXPECT_EQ(textureFile(folder.path, "Textures/Stone.PNG"), stone);
    EXPECT_EQ(textureFile(folder.path, ".\\textures\\stone.png"), stone);
    EXPECT_EQ(textureFile(folder.path, "TEXTURES/STONE.PNG"), stone);
    EXPECT_EQ(textureFile(folder.path, "D:\\art\\A.PNG"), folder.file("a.png"));
    EXPECT_EQ(textureFile(folder.path, "/home/artist/b.png"), folder.file("b.png"));
    // Nothing matches: the joined path, which then fails to load with its line.
    EXPECT_EQ(textureFile(folder.path, "art\\gone.png"), folder.file("art/gone.png"));

    const Model model = loadWithMaterials("map_Kd .\\TEXTURES\\stone.png", "map_Kd C:\\x\\B.png");
    // The files the model's maps name, as they are read ahead of the upload.
    Assimp::Importer importer;
    std::string problem;
    const aiScene* scene = importModelFile(importer, folder.file("scene.obj"), problem);
    ASSERT_NE(scene, nullptr) << problem;
    EXPECT_EQ(materialMapFiles(scene, folder.path),
              (std::vector<std::string>{stone, folder.file("b.png")}));
    ASSERT_EQ(model.loadedTextures.size(), 2u);
    EXPECT_EQ(texels(model.loadedTextures[0].id), std::vector<unsigned char>({1, 2, 3, 255}));
    EXPECT_EQ(texels(model.loadedTextures[1].id).size(), 2u * 2u * 4u);
}

// Models that other tools wrote, from the importer's test models that Debian packages.
TEST_F(ModelTest, ModelsFromOtherToolsLoadAsTheirAuthorsMeant) {
    const std::string models = "/usr/share/assimp/models";
    if (!fs::is_directory(models)) {
        GTEST_SKIP() << "assimp-testmodels is not installed";
    }
    struct Expected {
        const char* file;
        size_t meshes, triangles, textures;
    };
    const Expected quiet[] = {
        {"OBJ/spider.obj", 19, 1368, 4},  // references written .\SpiderTex.jpg
        {"3DS/test1.3ds", 9, 108, 3},     // IMAGE1.JPG for IMAGE1.jpg
        {"Collada/duck.dae", 1, 4212, 1}, // a TGA map
        {"LWO/LWO2/boxuv.lwo", 1, 12, 1}, // a BMP map
        {"OBJ/testmixed.obj", 1, 12, 0},  // lines and points beside quads
        {"RAW/WithColor.raw", 1, 2, 0},   // a null child node
    };
    for (const Expected& expected : quiet) {
        SCOPED_TRACE(expected.file);
        testing::internal::CaptureStdout();
        Model model;
        model.load(models + "/" + expected.file);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(model.meshes.size(), expected.meshes);
        size_t triangles = 0;
        for (const Mesh& mesh : model.meshes) {
            ASSERT_EQ(mesh.indices.size() % 3, 0u);
            triangles += mesh.indices.size() / 3;
            for (GLuint index : mesh.indices) {
                ASSERT_LT(index, mesh.vertices.size());
            }
        }
        EXPECT_EQ(triangles, expected.triangles);
        ASSERT_EQ(model.loadedTextures.size(), expected.textures);
        // Decoded pictures, not the 1 x 1 stand-in.
        for (const Texture& texture : model.loadedTextures) {
            EXPECT_GT(texels(texture.id).size(), 4u) << texture.path.C_Str();
        }
    }
    for (const char* onlyOddPrimitives : {"OBJ/testline.obj", "OBJ/testpoints.obj"}) {
        const std::string path = models + "/" + onlyOddPrimitives;
        testing::internal::CaptureStdout();
        Model model;
        model.load(path);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "ERROR::ASSIMP:: " + path + ": no triangles to draw\n");
        EXPECT_TRUE(model.meshes.empty());
    }
}

} // namespace
