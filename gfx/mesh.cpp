#include "gfx/mesh.h"

#include <cstddef>
#include <utility>

namespace {

constexpr float materialShininess = 16.0f;

struct AttributeLayout {
    GLuint location;
    GLint components;
    size_t offset;
};

constexpr AttributeLayout vertexAttributes[] = {
    {0, 3, offsetof(Vertex, position)},
    {1, 3, offsetof(Vertex, normal)},
    {2, 2, offsetof(Vertex, texCoords)},
    {3, 3, offsetof(Vertex, tangent)},
};

void* bufferOffset(size_t offset) {
    return reinterpret_cast<void*>(offset);
}

} // namespace

Mesh::Mesh(std::vector<Vertex> vertices, std::vector<GLuint> indices, std::vector<Texture> textures)
    : vertices(std::move(vertices)), indices(std::move(indices)), textures(std::move(textures)) {
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glGenBuffers(1, &ebo);

    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(this->vertices.size() * sizeof(Vertex)),
                 this->vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(this->indices.size() * sizeof(GLuint)),
                 this->indices.data(), GL_STATIC_DRAW);
    for (const AttributeLayout& attribute : vertexAttributes) {
        glEnableVertexAttribArray(attribute.location);
        glVertexAttribPointer(attribute.location, attribute.components, GL_FLOAT, GL_FALSE,
                              sizeof(Vertex), bufferOffset(attribute.offset));
    }
    glBindVertexArray(0);
}

void Mesh::draw(GLuint program, GLuint depthCubeMap) const {
    const GLint textureCount = static_cast<GLint>(textures.size());
    for (GLint unit = 0; unit < textureCount; ++unit) {
        const Texture& texture = textures[static_cast<size_t>(unit)];
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        glUniform1i(glGetUniformLocation(program, texture.type.c_str()), unit);
        glBindTexture(GL_TEXTURE_2D, texture.id);
    }
    if (depthCubeMap != 0) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(textureCount));
        glUniform1i(glGetUniformLocation(program, "depthMap"), textureCount);
        glBindTexture(GL_TEXTURE_CUBE_MAP, depthCubeMap);
    }
    glUniform1f(glGetUniformLocation(program, "material.shininess"), materialShininess);

    glBindVertexArray(vao);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);

    for (GLint unit = 0; unit < textureCount; ++unit) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    if (depthCubeMap != 0) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(textureCount));
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    }
}
