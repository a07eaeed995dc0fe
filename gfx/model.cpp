#include "gfx/model.h"

#include "gfx/debug_names.h"
#include "gfx/image_fallback.h"
#include "gfx/image_prefetch.h"
#include "gfx/mipmap.h"
#include "gfx/model_import.h"
#include "gfx/model_prefetch.h"
#include "gfx/soil.h"

#include <assimp/Importer.hpp>

#include <iostream>

namespace {

// What a debugger shows for an object made from a file: its name without the folders.
std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

void Model::load(std::string path) {
    const std::unique_ptr<ImportedModel> imported = takeModel(path);
    const aiScene* scene = imported->scene;
    if (scene == nullptr) {
        std::cout << "ERROR::ASSIMP:: " << path << ": " << imported->problem << std::endl;
        return;
    }
    directory = modelDirectory(path);
    importNode(scene->mRootNode, scene);
    labelMeshes(fileNameOf(path));
    if (meshes.empty()) {
        std::cout << "ERROR::ASSIMP:: " << path << ": no triangles to draw" << std::endl;
    }
}

void Model::labelMeshes(const std::string& modelName) const {
    for (size_t i = 0; i < meshes.size(); ++i) {
        labelObject(GL_VERTEX_ARRAY, meshes[i].vao, modelName + " mesh " + std::to_string(i));
    }
}

// A mesh of points or lines only has nothing to draw and is left out.
void Model::importNode(const aiNode* node, const aiScene* scene) {
    forEachNodeMesh(node, scene, [&](const aiMesh* mesh) {
        Mesh built = buildMesh(mesh, scene);
        if (!built.indices.empty()) {
            meshes.push_back(std::move(built));
        }
    });
}

Mesh Model::buildMesh(const aiMesh* mesh, const aiScene* scene) {
    MeshData data = convertMesh(mesh);
    std::vector<Texture> textures;
    if (mesh->mMaterialIndex < scene->mNumMaterials &&
        scene->mMaterials[mesh->mMaterialIndex] != nullptr) {
        const aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
        for (const MapKind& kind : materialMapKinds) {
            std::vector<Texture> maps = loadMaterialMaps(material, kind.textureType, kind.typeName);
            textures.insert(textures.end(), maps.begin(), maps.end());
        }
    }
    return Mesh(std::move(data.vertices), std::move(data.indices), std::move(textures));
}

std::vector<Texture> Model::loadMaterialMaps(const aiMaterial* material, aiTextureType textureType,
                                             const std::string& typeName) {
    std::vector<Texture> result;
    for (unsigned int i = 0; i < aiGetMaterialTextureCount(material, textureType); ++i) {
        aiString path;
        aiGetMaterialTexture(material, textureType, i, &path, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr);
        bool cached = false;
        for (const Texture& loaded : loadedTextures) {
            if (loaded.path == path) {
                result.push_back(loaded);
                cached = true;
                break;
            }
        }
        if (!cached) {
            Texture texture;
            texture.id = loadTexture2D(path.C_Str(), directory, typeName);
            texture.type = typeName;
            texture.path = path;
            result.push_back(texture);
            loadedTextures.push_back(texture);
        }
    }
    return result;
}

GLuint loadTexture2D(const char* path, const std::string& directory, const std::string& role) {
    const std::string fileName = textureFile(directory, path);
    GLuint textureId = 0;
    glGenTextures(1, &textureId);

    int width = 0;
    int height = 0;
    unsigned char* decoded = nullptr;
    const bool inside = textureInsideTree(directory, path);
    if (inside) {
        decoded = loadImage(fileName.c_str(), &width, &height, SOIL_LOAD_RGBA);
    }
    std::vector<unsigned char> standIn;
    const unsigned char* pixels = decoded;
    if (!inside) {
        std::cout << "ERROR::TEXTURE:: " << fileName << " lies outside " << textureRoot(directory)
                  << ", not read; using a plain stand-in" << std::endl;
    } else if (decoded == nullptr) {
        reportUnreadableImage("texture", fileName);
    }
    if (decoded == nullptr) {
        width = 1;
        height = 1;
        standIn = solidImage(width, height, 4, neutralColourFor(role));
        pixels = standIn.data();
    }

    glBindTexture(GL_TEXTURE_2D, textureId);
    labelObject(GL_TEXTURE, textureId, fileNameOf(fileName));
    // The sampling state comes first: a driver that sizes the texture's storage at its
    // first image then makes room for the whole mipmap chain at once, instead of moving
    // level 0 when level 1 arrives.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Rows arrive tightly packed.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    uploadMipmapChain(pixels, width, height);
    glBindTexture(GL_TEXTURE_2D, 0);
    SOIL_free_image_data(decoded);
    return textureId;
}
