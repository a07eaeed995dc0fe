#include "gfx/mesh.h"

#include "gfx/image_fallback.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
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

// The material samplers a mesh may lack. A sampler the mesh does not set keeps the unit
// an earlier mesh gave it, which may now hold the depth cube map: a 2D and a cube
// sampler on one unit make GL reject the draw. Each missing role is pointed at a spare
// unit of its own, high above the mesh's units, holding a neutral one-texel texture.
struct SpareRole {
    const char* role;
    GLint unit;
};
constexpr SpareRole spareRoles[] = {
    {"texture_diffuse", 13}, {"texture_specular", 14}, {"texture_normal", 15}};

GLuint neutralTexture(const std::string& role) {
    static std::map<std::string, GLuint> made;
    GLuint& texture = made[role];
    if (texture == 0) {
        const std::vector<unsigned char> texel = solidImage(1, 1, 4, neutralColourFor(role));
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    return texture;
}

void pointMissingRolesAtSpareUnits(GLuint program, const std::vector<Texture>& textures) {
    for (const SpareRole& spare : spareRoles) {
        const bool present =
            std::any_of(textures.begin(), textures.end(),
                        [&](const Texture& texture) { return texture.type == spare.role; });
        if (present) {
            continue;
        }
        const GLint location = glGetUniformLocation(program, spare.role);
        if (location == -1) {
            continue;
        }
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(spare.unit));
        glBindTexture(GL_TEXTURE_2D, neutralTexture(spare.role));
        glUniform1i(location, spare.unit);
    }
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
        pointMissingRolesAtSpareUnits(program, textures);
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
