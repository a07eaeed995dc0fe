#include "gfx/model_import.h"

#include <assimp/material.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

// Builds an importer scene from the input, malformed in every way the structs allow
// (null arrays, indices past their arrays, faces of any arity, shared and cyclic
// nodes, hostile texture references), and runs everything a model load does with it
// short of the GPU upload. The importer itself is not fuzzed here: it is not ours.
namespace fs = std::filesystem;

namespace {

constexpr unsigned maxMeshes = 6;
constexpr unsigned maxVertices = 64;
constexpr unsigned maxFaces = 48;
constexpr unsigned maxFaceIndices = 5;
constexpr unsigned maxMaterials = 3;
constexpr unsigned maxMapsPerKind = 3;
constexpr unsigned maxNodes = 12;
constexpr unsigned maxChildren = 4;
constexpr unsigned outOfRangeSlack = 3; // indices this far past the end are made too
constexpr std::size_t maxReferenceLength = 48;
constexpr unsigned triangleIndices = 3;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The arrays the structs point into; the structs never own them.
struct Storage {
    std::vector<std::unique_ptr<std::vector<aiVector3D>>> vectors;
    std::vector<std::unique_ptr<std::vector<unsigned>>> indices;
    std::vector<std::unique_ptr<std::vector<aiFace>>> faces;

    aiVector3D* vectorsOf(FuzzedDataProvider& in, unsigned count) {
        vectors.push_back(std::make_unique<std::vector<aiVector3D>>(count));
        for (aiVector3D& v : *vectors.back()) {
            v = {in.ConsumeFloatingPoint<float>(), in.ConsumeFloatingPoint<float>(),
                 in.ConsumeFloatingPoint<float>()};
        }
        return vectors.back()->data();
    }
    unsigned* indicesOf(FuzzedDataProvider& in, unsigned count, unsigned below) {
        indices.push_back(std::make_unique<std::vector<unsigned>>(count));
        for (unsigned& index : *indices.back()) {
            index = in.ConsumeIntegralInRange<unsigned>(0, below + outOfRangeSlack);
        }
        return indices.back()->data();
    }
};

aiMesh* makeMesh(FuzzedDataProvider& in, Storage& storage, unsigned materials) {
    auto* mesh = new aiMesh();
    mesh->mNumVertices = in.ConsumeIntegralInRange<unsigned>(0, maxVertices);
    if (in.ConsumeBool()) {
        mesh->mVertices = storage.vectorsOf(in, mesh->mNumVertices);
    }
    if (in.ConsumeBool()) {
        mesh->mNormals = storage.vectorsOf(in, mesh->mNumVertices);
    }
    if (in.ConsumeBool()) {
        mesh->mTextureCoords[0] = storage.vectorsOf(in, mesh->mNumVertices);
    }
    if (in.ConsumeBool()) {
        mesh->mTangents = storage.vectorsOf(in, mesh->mNumVertices);
    }
    mesh->mNumFaces = in.ConsumeIntegralInRange<unsigned>(0, maxFaces);
    if (in.ConsumeBool()) {
        storage.faces.push_back(std::make_unique<std::vector<aiFace>>(mesh->mNumFaces));
        for (aiFace& face : *storage.faces.back()) {
            face.mNumIndices = in.ConsumeIntegralInRange<unsigned>(0, maxFaceIndices);
            face.mIndices = in.ConsumeBool()
                                ? storage.indicesOf(in, face.mNumIndices, mesh->mNumVertices)
                                : nullptr;
        }
        mesh->mFaces = storage.faces.back()->data();
    }
    mesh->mMaterialIndex = in.ConsumeIntegralInRange<unsigned>(0, materials + outOfRangeSlack);
    return mesh;
}

aiMaterial* makeMaterial(FuzzedDataProvider& in) {
    auto* material = new aiMaterial();
    for (const MapKind& kind : materialMapKinds) {
        const unsigned count = in.ConsumeIntegralInRange<unsigned>(0, maxMapsPerKind);
        for (unsigned i = 0; i < count; ++i) {
            const aiString reference(in.ConsumeRandomLengthString(maxReferenceLength));
            material->AddProperty(&reference, AI_MATKEY_TEXTURE(kind.textureType, i));
        }
    }
    return material;
}

// Every struct is taken apart again before it is destroyed, so that no destructor
// frees what Storage owns or frees a shared node twice.
void release(aiScene& scene, std::vector<aiNode*>& nodes, Storage& storage) {
    for (auto& faces : storage.faces) {
        for (aiFace& face : *faces) {
            face.mIndices = nullptr;
        }
    }
    for (aiNode* node : nodes) {
        node->mMeshes = nullptr;
        node->mNumMeshes = 0;
        node->mChildren = nullptr;
        node->mNumChildren = 0;
        delete node;
    }
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        if (aiMesh* mesh = scene.mMeshes[m]) {
            mesh->mVertices = mesh->mNormals = mesh->mTangents = nullptr;
            mesh->mTextureCoords[0] = nullptr;
            mesh->mFaces = nullptr;
            mesh->mNumFaces = 0;
            delete mesh;
        }
    }
    delete[] scene.mMeshes;
    scene.mMeshes = nullptr;
    scene.mNumMeshes = 0;
    scene.mRootNode = nullptr;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::cout.setstate(std::ios::failbit);
    // A model folder whose files differ from references in letter case and separators.
    fs::create_directories("pack/Textures");
    for (const char* name : {"pack/Textures/Stone.PNG", "pack/wall.png", "outside.png"}) {
        std::ofstream(name) << "not an image";
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    aiScene scene;
    scene.mNumMaterials = in.ConsumeIntegralInRange<unsigned>(0, maxMaterials);
    scene.mMaterials = new aiMaterial*[scene.mNumMaterials];
    for (unsigned m = 0; m < scene.mNumMaterials; ++m) {
        scene.mMaterials[m] = in.ConsumeBool() ? makeMaterial(in) : nullptr;
    }
    Storage storage;
    scene.mNumMeshes = in.ConsumeIntegralInRange<unsigned>(0, maxMeshes);
    scene.mMeshes = new aiMesh*[scene.mNumMeshes];
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        scene.mMeshes[m] = in.ConsumeBool() ? makeMesh(in, storage, scene.mNumMaterials) : nullptr;
    }
    std::vector<aiNode*> nodes(in.ConsumeIntegralInRange<unsigned>(1, maxNodes));
    for (aiNode*& node : nodes) {
        node = new aiNode();
    }
    std::vector<std::unique_ptr<std::vector<aiNode*>>> children;
    for (aiNode* node : nodes) {
        node->mNumMeshes = in.ConsumeIntegralInRange<unsigned>(0, maxMeshes);
        node->mMeshes = storage.indicesOf(in, node->mNumMeshes, scene.mNumMeshes);
        node->mNumChildren = in.ConsumeIntegralInRange<unsigned>(0, maxChildren);
        children.push_back(std::make_unique<std::vector<aiNode*>>(node->mNumChildren));
        for (aiNode*& child : *children.back()) {
            const unsigned pick = in.ConsumeIntegralInRange<unsigned>(0, unsigned(nodes.size()));
            child = pick < nodes.size() ? nodes[pick] : nullptr;
        }
        node->mChildren = children.back()->data();
    }
    scene.mRootNode = nodes.front();

    forEachNodeMesh(scene.mRootNode, &scene, [](const aiMesh* mesh) {
        const MeshData converted = convertMesh(mesh);
        require(converted.indices.size() % triangleIndices == 0);
        for (GLuint index : converted.indices) {
            require(index < converted.vertices.size());
        }
    });
    const fs::path pack = fs::current_path() / "pack";
    for (const std::string& file : materialMapFiles(&scene, pack.string())) {
        const fs::path canonical = fs::weakly_canonical(file);
        require(std::mismatch(pack.begin(), pack.end(), canonical.begin(), canonical.end()).first ==
                pack.end());
    }
    release(scene, nodes, storage);
    return 0;
}
