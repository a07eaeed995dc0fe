// The generated dungeon through the demo's own import: every mesh arrives with
// normals, texture coordinates, tangents and its three material textures.
#include "gfx/model.h"
#include "support/gl_context.h"

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

namespace {

constexpr const char* dungeonPath = "resources/Dungeon50/Dungeon.obj";
constexpr const char* materialsPath = "resources/Dungeon50/Dungeon.mtl";
constexpr size_t texturesPerMaterial = 3;

// One mesh per material the MTL file beside the model defines: the rooms' walls and floors,
// the fittings, the ground outside and what burns.
size_t materialsDefined() {
    std::ifstream in(materialsPath);
    size_t count = 0;
    for (std::string word; in >> word;) {
        count += word == "newmtl" ? 1 : 0;
    }
    return count;
}

TEST(DungeonImport, EveryMeshHasNormalsTexturesAndTangents) {
    requireGlContext();
    testing::internal::CaptureStdout();
    Model dungeon;
    dungeon.load(dungeonPath);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.find("ERROR::"), std::string::npos) << printed;

    const size_t expectedMeshes = materialsDefined();
    ASSERT_GT(expectedMeshes, 0u) << materialsPath << " defines no materials";
    ASSERT_EQ(dungeon.meshes.size(), expectedMeshes);
    EXPECT_EQ(dungeon.loadedTextures.size(), expectedMeshes * texturesPerMaterial);
    for (size_t m = 0; m < dungeon.meshes.size(); ++m) {
        const Mesh& mesh = dungeon.meshes[m];
        ASSERT_FALSE(mesh.indices.empty()) << "mesh " << m;
        std::set<std::string> roles;
        for (const Texture& texture : mesh.textures) {
            roles.insert(texture.type);
            EXPECT_NE(texture.id, 0u);
        }
        EXPECT_EQ(roles,
                  (std::set<std::string>{"texture_diffuse", "texture_specular", "texture_normal"}))
            << "mesh " << m;

        bool uvVaries = false;
        for (const Vertex& vertex : mesh.vertices) {
            ASSERT_NEAR(glm::length(vertex.normal), 1.0f, 1e-3f) << "mesh " << m;
            ASSERT_GT(glm::length(vertex.tangent), 0.0f) << "mesh " << m << " lacks tangents";
            uvVaries = uvVaries || vertex.texCoords != mesh.vertices.front().texCoords;
        }
        EXPECT_TRUE(uvVaries) << "mesh " << m << " has no texture coordinates";
    }
}

} // namespace
