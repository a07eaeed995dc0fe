#pragma once

#include "gfx/mesh.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <functional>
#include <string>
#include <vector>

// Everything a model load does with the importer's data before anything reaches the
// GPU: reading the file, walking the nodes, converting meshes and finding texture
// files. No GL call is made here, so all of it runs without a context.

// Reads path with the importer. Only regular files are opened, the model's and every
// file it names (a material library that is a FIFO is refused with one line and the
// model carries on without it), and the importer's internal checks fail the import
// instead of ending the program. Null on failure, with problem saying why.
const aiScene* importModelFile(Assimp::Importer& importer, const std::string& path,
                               std::string& problem);

// The same, for a file already in memory; hint is its extension ("obj").
const aiScene* importModelFromMemory(Assimp::Importer& importer, const void* bytes,
                                     std::size_t size, const char* hint, std::string& problem);

// Pre-order walk: the node's meshes, then its children. A reference to a mesh the
// scene lacks, a null child, a node that is its own ancestor and anything beyond the
// depth and size of any real model's tree is skipped.
void forEachNodeMesh(const aiNode* node, const aiScene* scene,
                     const std::function<void(const aiMesh*)>& visit);

// The vertices and the triangles of a mesh. Points and lines (which triangulation
// leaves as faces of one or two indices) and faces that index past the vertices are
// left out; a mesh without normals gets area-weighted ones from its triangles.
struct MeshData {
    std::vector<Vertex> vertices;
    std::vector<GLuint> indices;
};
MeshData convertMesh(const aiMesh* mesh);

// The file a material's texture reference names, as other tools write them:
// backslashes become slashes, a name that differs from the file on the disk only in
// letter case finds it, and a reference that names no file there (a path on its
// author's machine, say) falls back to its bare name in the model's folder. A
// reference that matches nothing gives the joined path, which then fails to load.
std::string textureFile(const std::string& directory, const std::string& reference);

// Whether a texture reference of a model in directory stays inside the tree it may
// read: resources/ for a model inside it, else the model's own folder. Anything else
// (an absolute path elsewhere, ../ that climbs out) is refused.
bool textureInsideTree(const std::string& directory, const std::string& reference);

// The folder textureInsideTree allows for a model in directory.
std::string textureRoot(const std::string& directory);

// The distinct texture files, inside the tree, of every material map that a mesh of
// the scene uses, in the order the meshes name them.
std::vector<std::string> materialMapFiles(const aiScene* scene, const std::string& directory);

struct MapKind {
    aiTextureType textureType;
    const char* typeName;
};

constexpr MapKind materialMapKinds[] = {
    {aiTextureType_DIFFUSE, "texture_diffuse"},
    {aiTextureType_SPECULAR, "texture_specular"},
    {aiTextureType_HEIGHT, "texture_normal"},
};
