#include "gfx/model.h"

#include "gfx/image_fallback.h"
#include "gfx/image_prefetch.h"
#include "gfx/mipmap.h"
#include "gfx/regular_file.h"
#include "gfx/soil.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace {

constexpr const char* resourcesFolder = "resources";

constexpr unsigned int importFlags =
    aiProcess_CalcTangentSpace | aiProcess_Triangulate | aiProcess_GenNormals | aiProcess_FlipUVs;
static_assert(importFlags == 0x800029, "import post-processing changed");

const glm::vec3 fallbackNormal(0.0f, 1.0f, 0.0f);

glm::vec3 toVec3(const aiVector3D& v) {
    return glm::vec3(v.x, v.y, v.z);
}

bool faceInRange(const aiFace& face, unsigned int vertexCount) {
    for (unsigned int i = 0; i < face.mNumIndices; ++i) {
        if (face.mIndices[i] >= vertexCount) {
            return false;
        }
    }
    return true;
}

// For a mesh that came without normals: each vertex gets the area-weighted mean of
// the normals of the triangles around it.
void deriveNormals(std::vector<Vertex>& vertices, const std::vector<GLuint>& indices) {
    std::vector<glm::vec3> sums(vertices.size(), glm::vec3(0.0f));
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        const glm::vec3& a = vertices[indices[i]].position;
        const glm::vec3& b = vertices[indices[i + 1]].position;
        const glm::vec3& c = vertices[indices[i + 2]].position;
        const glm::vec3 weighted = glm::cross(b - a, c - a);
        for (size_t k = 0; k < 3; ++k) {
            sums[indices[i + k]] += weighted;
        }
    }
    for (size_t v = 0; v < vertices.size(); ++v) {
        const float length = glm::length(sums[v]);
        vertices[v].normal = length > 0.0f ? sums[v] / length : fallbackNormal;
    }
}

struct MapKind {
    aiTextureType textureType;
    const char* typeName;
};

constexpr MapKind materialMapKinds[] = {
    {aiTextureType_DIFFUSE, "texture_diffuse"},
    {aiTextureType_SPECULAR, "texture_specular"},
    {aiTextureType_HEIGHT, "texture_normal"},
};

// The folder texture references may reach: the demo's resources/ for a model inside
// it (model packs climb out of their own folder with ../), else the model's own folder.
std::filesystem::path textureRoot(const std::string& directory) {
    std::error_code error;
    const auto model = std::filesystem::weakly_canonical(directory, error);
    const auto resources = std::filesystem::weakly_canonical(resourcesFolder, error);
    const auto inside =
        std::mismatch(resources.begin(), resources.end(), model.begin(), model.end());
    return inside.first == resources.end() ? resources : model;
}

} // namespace

bool textureInsideTree(const std::string& directory, const std::string& reference) {
    std::error_code error;
    const auto root = textureRoot(directory);
    // Joined as the file is opened: a reference starting with / stays below directory.
    const auto file = std::filesystem::weakly_canonical(directory + '/' + reference, error);
    if (error) {
        return false;
    }
    const auto inside = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
    return inside.first == root.end() && inside.second != file.end();
}

void Model::load(std::string path) {
    // The importer would block on a FIFO; anything but a regular file is refused first.
    std::string problem;
    std::FILE* file = openRegularFile(path.c_str(), problem);
    if (file == nullptr) {
        std::cout << "ERROR::ASSIMP:: " << path << ": " << problem << std::endl;
        return;
    }
    std::fclose(file);
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, importFlags);
    if (scene == nullptr || scene->mFlags == AI_SCENE_FLAGS_INCOMPLETE ||
        scene->mRootNode == nullptr) {
        std::cout << "ERROR::ASSIMP:: " << path << ": " << importer.GetErrorString() << std::endl;
        return;
    }
    const size_t separator = path.find_last_of('/');
    directory = separator == std::string::npos ? std::string(".") : path.substr(0, separator);
    prefetchMaterialMaps(scene);
    importNode(scene->mRootNode, scene);
}

// Every map of every material a mesh uses starts decoding now, on worker threads,
// while the meshes are built and the earlier maps uploaded.
void Model::prefetchMaterialMaps(const aiScene* scene) const {
    std::vector<ImageRequest> requests;
    for (unsigned int m = 0; m < scene->mNumMeshes; ++m) {
        const unsigned int materialIndex = scene->mMeshes[m]->mMaterialIndex;
        if (materialIndex >= scene->mNumMaterials) {
            continue;
        }
        const aiMaterial* material = scene->mMaterials[materialIndex];
        for (const MapKind& kind : materialMapKinds) {
            for (unsigned int i = 0; i < aiGetMaterialTextureCount(material, kind.textureType);
                 ++i) {
                aiString path;
                aiGetMaterialTexture(material, kind.textureType, i, &path, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr);
                if (!textureInsideTree(directory, path.C_Str())) {
                    continue;
                }
                ImageRequest request{directory + '/' + path.C_Str(), SOIL_LOAD_RGBA};
                const bool queued =
                    std::any_of(requests.begin(), requests.end(), [&](const ImageRequest& other) {
                        return other.path == request.path;
                    });
                if (!queued) {
                    requests.push_back(request);
                }
            }
        }
    }
    prefetchImages(requests);
}

void Model::importNode(const aiNode* node, const aiScene* scene) {
    for (unsigned int k = 0; k < node->mNumMeshes; ++k) {
        // Only a malformed file names a mesh the scene does not have.
        if (node->mMeshes[k] < scene->mNumMeshes) {
            meshes.push_back(buildMesh(scene->mMeshes[node->mMeshes[k]], scene));
        }
    }
    for (unsigned int child = 0; child < node->mNumChildren; ++child) {
        importNode(node->mChildren[child], scene);
    }
}

Mesh Model::buildMesh(const aiMesh* mesh, const aiScene* scene) {
    const bool hasTexCoords = mesh->mTextureCoords[0] != nullptr;
    std::vector<Vertex> vertices;
    vertices.reserve(mesh->mNumVertices);
    for (unsigned int i = 0; i < mesh->mNumVertices; ++i) {
        Vertex vertex{};
        vertex.position = toVec3(mesh->mVertices[i]);
        if (mesh->mNormals != nullptr) {
            vertex.normal = toVec3(mesh->mNormals[i]);
        }
        if (hasTexCoords) {
            vertex.texCoords =
                glm::vec2(mesh->mTextureCoords[0][i].x, mesh->mTextureCoords[0][i].y);
            if (mesh->mTangents != nullptr) {
                vertex.tangent = toVec3(mesh->mTangents[i]);
            }
        }
        vertices.push_back(vertex);
    }

    std::vector<GLuint> indices;
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        // An index past the vertices would make the GPU read outside the buffer.
        if (faceInRange(face, mesh->mNumVertices)) {
            indices.insert(indices.end(), face.mIndices, face.mIndices + face.mNumIndices);
        }
    }
    if (mesh->mNormals == nullptr) {
        deriveNormals(vertices, indices);
    }

    std::vector<Texture> textures;
    if (mesh->mMaterialIndex < scene->mNumMaterials) {
        const aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
        for (const MapKind& kind : materialMapKinds) {
            std::vector<Texture> maps = loadMaterialMaps(material, kind.textureType, kind.typeName);
            textures.insert(textures.end(), maps.begin(), maps.end());
        }
    }
    return Mesh(std::move(vertices), std::move(indices), std::move(textures));
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
    const std::string fileName = directory + '/' + path;
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
        std::cout << "ERROR::TEXTURE:: " << fileName << " lies outside "
                  << textureRoot(directory).string() << ", not read; using a plain stand-in"
                  << std::endl;
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
    // Rows arrive tightly packed.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    uploadMipmapChain(pixels, width, height);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    SOIL_free_image_data(decoded);
    return textureId;
}
