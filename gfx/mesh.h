#pragma once

#include <assimp/types.h>
#include <glad/gl.h>
#include <glm/glm.hpp>

#include <string>
#include <vector>

// One vertex as uploaded: the in-memory layout is the vertex buffer format.
struct Vertex {
    glm::vec3 position;
    glm::vec3 normal;
    glm::vec2 texCoords;
    glm::vec3 tangent;
};
static_assert(sizeof(Vertex) == 44, "Vertex must stay tightly packed");

// A 2D texture of a mesh; type is the sampler uniform it binds to.
struct Texture {
    GLuint id = 0;
    std::string type;
    // The reference exactly as the material gave it, for the import's cache.
    aiString path;
};

// One drawable piece of a model, uploaded once at construction. Copies share the
// same GL objects.
struct Mesh {
    std::vector<Vertex> vertices;
    std::vector<GLuint> indices;
    std::vector<Texture> textures;
    GLuint vao = 0;
    GLuint vbo = 0;
    GLuint ebo = 0;

    Mesh(std::vector<Vertex> vertices, std::vector<GLuint> indices, std::vector<Texture> textures);

    // Binds the textures to units 0..n-1 (and depthCubeMap, when not 0, to unit n),
    // draws with the current program and unbinds them again.
    void draw(GLuint program, GLuint depthCubeMap) const;
};
