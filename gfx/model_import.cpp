#include "gfx/model_import.h"

#include "gfx/regular_file.h"

#include <assimp/DefaultIOSystem.h>
#include <assimp/IOStream.hpp>
#include <assimp/postprocess.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

constexpr const char* resourcesFolder = "resources";

constexpr unsigned int importFlags =
    aiProcess_CalcTangentSpace | aiProcess_Triangulate | aiProcess_GenNormals | aiProcess_FlipUVs;
static_assert(importFlags == 0x800029, "import post-processing changed");

// Far deeper and larger than any model's node tree.
constexpr std::size_t maxNodeDepth = 256;
constexpr std::size_t maxNodeVisits = std::size_t{1} << 18;
constexpr unsigned int triangleIndices = 3;

const glm::vec3 fallbackNormal(0.0f, 1.0f, 0.0f);

glm::vec3 toVec3(const aiVector3D& v) {
    return glm::vec3(v.x, v.y, v.z);
}

bool isTriangle(const aiFace& face, unsigned int vertexCount) {
    if (face.mNumIndices != triangleIndices || face.mIndices == nullptr) {
        return false;
    }
    return std::all_of(face.mIndices, face.mIndices + triangleIndices,
                       [&](unsigned int index) { return index < vertexCount; });
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

// A file the importer reads, opened only when it is a regular file.
struct RegularFileStream : Assimp::IOStream {
    std::FILE* file;
    explicit RegularFileStream(std::FILE* opened) : file(opened) {}
    ~RegularFileStream() override { std::fclose(file); }
    size_t Read(void* buffer, size_t size, size_t count) override {
        return std::fread(buffer, size, count, file);
    }
    size_t Write(const void*, size_t, size_t) override { return 0; }
    aiReturn Seek(size_t offset, aiOrigin origin) override {
        const int whence = origin == aiOrigin_SET   ? SEEK_SET
                           : origin == aiOrigin_CUR ? SEEK_CUR
                                                    : SEEK_END;
        return std::fseek(file, static_cast<long>(offset), whence) == 0 ? aiReturn_SUCCESS
                                                                        : aiReturn_FAILURE;
    }
    size_t Tell() const override { return static_cast<size_t>(std::ftell(file)); }
    size_t FileSize() const override {
        const long here = std::ftell(file);
        std::fseek(file, 0, SEEK_END);
        const long end = std::ftell(file);
        std::fseek(file, here, SEEK_SET);
        return end < 0 ? 0 : static_cast<size_t>(end);
    }
    void Flush() override {}
};

// The importer opens the files a model names (material libraries, external parts)
// through this: opening a FIFO for reading would wait for ever.
struct RegularFileSystem : Assimp::DefaultIOSystem {
    std::vector<std::string> refused;
    Assimp::IOStream* Open(const char* file, const char* mode) override {
        if (std::string(mode).find_first_of("wa+") != std::string::npos) {
            return nullptr;
        }
        std::string problem;
        std::FILE* opened = openRegularFile(file, problem);
        if (opened == nullptr) {
            // Importers probe for optional files, some more than once; a file that is
            // there but unusable is worth one line.
            if (problem != "no such file" &&
                std::find(refused.begin(), refused.end(), file) == refused.end()) {
                refused.emplace_back(file);
                std::cout << "ERROR::ASSIMP:: " << file << ": " << problem << std::endl;
            }
            return nullptr;
        }
        return new RegularFileStream(opened);
    }
    void Close(Assimp::IOStream* stream) override { delete stream; }
    // The library's own test opens the file, which would block on a FIFO as well.
    bool Exists(const char* file) const override {
        struct stat info {};
        return stat(file, &info) == 0;
    }
};

const aiScene* checkedScene(const aiScene* scene, const Assimp::Importer& importer,
                            std::string& problem) {
    if (scene == nullptr || scene->mFlags == AI_SCENE_FLAGS_INCOMPLETE ||
        scene->mRootNode == nullptr) {
        problem = importer.GetErrorString();
        if (problem.empty()) {
            problem = "the file holds no meshes";
        }
        return nullptr;
    }
    return scene;
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool present(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

// The entry of folder whose name equals name but for letter case; the first in name
// order, so the choice does not depend on the file system. Empty when none does.
fs::path childIgnoringCase(const fs::path& folder, const std::string& name) {
    std::error_code error;
    std::vector<fs::path> matches;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (sameIgnoringCase(it->path().filename().string(), name)) {
            matches.push_back(it->path());
        }
    }
    return matches.empty() ? fs::path() : *std::min_element(matches.begin(), matches.end());
}

// folder / relative, each component matched without regard to letter case where the
// exact one is missing. Empty when a component matches nothing.
fs::path findIgnoringCase(const fs::path& folder, const std::string& relative) {
    fs::path current = folder;
    size_t start = 0;
    while (start <= relative.size()) {
        const size_t end = std::min(relative.find('/', start), relative.size());
        const std::string part = relative.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == ".." || present(current / part)) {
            current /= part;
            continue;
        }
        const fs::path match = childIgnoringCase(current, part);
        if (match.empty()) {
            return {};
        }
        current = match;
    }
    return current;
}

bool fileInsideTree(const std::string& directory, const std::string& file) {
    std::error_code error;
    const fs::path root = textureRoot(directory);
    const fs::path canonical = fs::weakly_canonical(file, error);
    if (error) {
        return false;
    }
    const auto inside = std::mismatch(root.begin(), root.end(), canonical.begin(), canonical.end());
    return inside.first == root.end() && inside.second != canonical.end();
}

} // namespace

namespace Assimp {
// The importer's own consistency checks end the program by default; a file that trips
// one is a broken file, so the import fails with the check as its reason instead. This
// replaces the library's definition, which Debian's build calls whatever our build's
// NDEBUG says; a library built without its checks never calls it.
void aiAssertViolation(const char* failedExpression, const char* file, int line);
void aiAssertViolation(const char* failedExpression, const char* file, int line) {
    throw std::runtime_error(std::string("the importer's check failed: ") + failedExpression +
                             " (" + file + ":" + std::to_string(line) + ")");
}
} // namespace Assimp

const aiScene* importModelFile(Assimp::Importer& importer, const std::string& path,
                               std::string& problem) {
    // Refused here as well, for a line that says why.
    std::FILE* file = openRegularFile(path.c_str(), problem);
    if (file == nullptr) {
        return nullptr;
    }
    std::fclose(file);
    importer.SetIOHandler(new RegularFileSystem);
    return checkedScene(importer.ReadFile(path, importFlags), importer, problem);
}

const aiScene* importModelFromMemory(Assimp::Importer& importer, const void* bytes,
                                     std::size_t size, const char* hint, std::string& problem) {
    importer.SetIOHandler(new RegularFileSystem);
    return checkedScene(importer.ReadFileFromMemory(bytes, size, importFlags, hint), importer,
                        problem);
}

namespace {

struct NodeWalk {
    const aiScene* scene;
    const std::function<void(const aiMesh*)>& visit;
    std::vector<const aiNode*> ancestors;
    std::size_t visits = 0;
};

void walkNode(const aiNode* node, NodeWalk& walk) {
    // A node that is its own ancestor would be walked for ever; nodes shared down a
    // deep chain would be walked an exponential number of times.
    if (node == nullptr || walk.ancestors.size() >= maxNodeDepth || ++walk.visits > maxNodeVisits ||
        std::find(walk.ancestors.begin(), walk.ancestors.end(), node) != walk.ancestors.end()) {
        return;
    }
    for (unsigned int k = 0; node->mMeshes != nullptr && k < node->mNumMeshes; ++k) {
        // Only a malformed file names a mesh the scene does not have.
        const unsigned int index = node->mMeshes[k];
        if (index < walk.scene->mNumMeshes && walk.scene->mMeshes[index] != nullptr) {
            walk.visit(walk.scene->mMeshes[index]);
        }
    }
    walk.ancestors.push_back(node);
    for (unsigned int child = 0; node->mChildren != nullptr && child < node->mNumChildren;
         ++child) {
        walkNode(node->mChildren[child], walk);
    }
    walk.ancestors.pop_back();
}

} // namespace

void forEachNodeMesh(const aiNode* node, const aiScene* scene,
                     const std::function<void(const aiMesh*)>& visit) {
    if (scene->mMeshes == nullptr) {
        return;
    }
    NodeWalk walk{scene, visit, {}};
    walkNode(node, walk);
}

MeshData convertMesh(const aiMesh* mesh) {
    MeshData data;
    if (mesh->mVertices == nullptr) {
        return data;
    }
    const bool hasTexCoords = mesh->mTextureCoords[0] != nullptr;
    data.vertices.reserve(mesh->mNumVertices);
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
        data.vertices.push_back(vertex);
    }
    for (unsigned int f = 0; mesh->mFaces != nullptr && f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        // Points and lines would be read as parts of triangles; an index past the
        // vertices would make the GPU read outside the buffer.
        if (isTriangle(face, mesh->mNumVertices)) {
            data.indices.insert(data.indices.end(), face.mIndices, face.mIndices + triangleIndices);
        }
    }
    if (mesh->mNormals == nullptr) {
        deriveNormals(data.vertices, data.indices);
    }
    return data;
}

std::string textureFile(const std::string& directory, const std::string& reference) {
    std::string relative = reference;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const std::string joined = directory + '/' + relative;
    if (present(joined)) {
        return joined;
    }
    const fs::path found = findIgnoringCase(directory, relative);
    if (!found.empty()) {
        return found.string();
    }
    const std::string name = relative.substr(relative.find_last_of('/') + 1);
    if (!name.empty() && name != relative) {
        if (present(directory + '/' + name)) {
            return directory + '/' + name;
        }
        const fs::path sameName = childIgnoringCase(directory, name);
        if (!sameName.empty()) {
            return sameName.string();
        }
    }
    return joined;
}

std::string textureRoot(const std::string& directory) {
    std::error_code error;
    const auto model = fs::weakly_canonical(directory, error);
    const auto resources = fs::weakly_canonical(resourcesFolder, error);
    const auto inside =
        std::mismatch(resources.begin(), resources.end(), model.begin(), model.end());
    return (inside.first == resources.end() ? resources : model).string();
}

bool textureInsideTree(const std::string& directory, const std::string& reference) {
    return fileInsideTree(directory, textureFile(directory, reference));
}

std::vector<std::string> materialMapFiles(const aiScene* scene, const std::string& directory) {
    std::vector<std::string> files;
    for (unsigned int m = 0; scene->mMeshes != nullptr && m < scene->mNumMeshes; ++m) {
        if (scene->mMeshes[m] == nullptr ||
            scene->mMeshes[m]->mMaterialIndex >= scene->mNumMaterials ||
            scene->mMaterials[scene->mMeshes[m]->mMaterialIndex] == nullptr) {
            continue;
        }
        const aiMaterial* material = scene->mMaterials[scene->mMeshes[m]->mMaterialIndex];
        for (const MapKind& kind : materialMapKinds) {
            for (unsigned int i = 0; i < aiGetMaterialTextureCount(material, kind.textureType);
                 ++i) {
                aiString reference;
                aiGetMaterialTexture(material, kind.textureType, i, &reference, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr);
                const std::string file = textureFile(directory, reference.C_Str());
                if (fileInsideTree(directory, file) &&
                    std::find(files.begin(), files.end(), file) == files.end()) {
                    files.push_back(file);
                }
            }
        }
    }
    return files;
}
