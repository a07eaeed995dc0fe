#pragma once

#include "gfx/mesh.h"

#include <assimp/material.h>
#include <assimp/scene.h>

#include <string>
#include <vector>

// A model file turned into meshes with their textures. Node transformations are
// not applied: every mesh stays in its own coordinates.
struct Model {
    std::vector<Mesh> meshes;
    // The model file's folder; texture references are resolved against it.
    std::string directory;
    // Every texture loaded for this model, so each file is decoded once.
    std::vector<Texture> loadedTextures;

    // Imports the file (or takes its prefetched import) and appends its meshes. A failed
    // import prints one line and leaves the model empty.
    void load(std::string path);
    // Labels each mesh's vertex array for frame debuggers: "<model file> mesh <index>".
    void labelMeshes(const std::string& modelName) const;
    // Pre-order walk: the node's meshes, then its children.
    void importNode(const aiNode* node, const aiScene* scene);
    Mesh buildMesh(const aiMesh* mesh, const aiScene* scene);
    std::vector<Texture> loadMaterialMaps(const aiMaterial* material, aiTextureType textureType,
                                          const std::string& typeName);
};

// Loads the texture file that path names in directory (see textureFile) as an RGBA
// texture with mipmaps. A file that cannot be decoded, or that lies outside the tree
// the model may read, gives a 1 x 1 texture of a colour neutral for the sampler role.
GLuint loadTexture2D(const char* path, const std::string& directory,
                     const std::string& role = "texture_diffuse");
