#include "effects/skybox.h"

#include "gfx/debug_names.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace {

constexpr int cubeVertexCount = 36;
constexpr float lampScale = 0.2f;
constexpr GLsizei skyboxStride = 3 * sizeof(float);
constexpr GLsizei lampStride = 8 * sizeof(float);
constexpr const char* skyCubeLabel = "sky cube";
constexpr const char* lampCubeLabel = "lamp cube";

// Corners at +-1, two triangles per face.
constexpr float skyboxVertices[cubeVertexCount * 3] = {
    -1, 1,  -1, -1, -1, -1, 1,  -1, -1, 1,  -1, -1, 1,  1,  -1, -1, 1,  -1, -1, -1, 1, -1,
    -1, -1, -1, 1,  -1, -1, 1,  -1, -1, 1,  1,  -1, -1, 1,  1,  -1, -1, 1,  -1, 1,  1, 1,
    1,  1,  1,  1,  1,  1,  -1, 1,  -1, -1, -1, -1, 1,  -1, 1,  1,  1,  1,  1,  1,  1, 1,
    1,  -1, 1,  -1, -1, 1,  -1, 1,  -1, 1,  1,  -1, 1,  1,  1,  1,  1,  1,  -1, 1,  1, -1,
    1,  -1, -1, -1, -1, -1, -1, 1,  1,  -1, -1, 1,  -1, -1, -1, -1, 1,  1,  -1, 1,
};

// Corners at +-0.5: position, face normal, texture coordinates.
constexpr float lampVertices[cubeVertexCount * 8] = {
    -0.5f, -0.5f, -0.5f, 0,  0,  -1, 0, 0, 0.5f,  -0.5f, -0.5f, 0,  0,  -1, 1, 0,
    0.5f,  0.5f,  -0.5f, 0,  0,  -1, 1, 1, 0.5f,  0.5f,  -0.5f, 0,  0,  -1, 1, 1,
    -0.5f, 0.5f,  -0.5f, 0,  0,  -1, 0, 1, -0.5f, -0.5f, -0.5f, 0,  0,  -1, 0, 0,

    -0.5f, -0.5f, 0.5f,  0,  0,  1,  0, 0, 0.5f,  -0.5f, 0.5f,  0,  0,  1,  1, 0,
    0.5f,  0.5f,  0.5f,  0,  0,  1,  1, 1, 0.5f,  0.5f,  0.5f,  0,  0,  1,  1, 1,
    -0.5f, 0.5f,  0.5f,  0,  0,  1,  0, 1, -0.5f, -0.5f, 0.5f,  0,  0,  1,  0, 0,

    -0.5f, 0.5f,  0.5f,  -1, 0,  0,  1, 0, -0.5f, 0.5f,  -0.5f, -1, 0,  0,  1, 1,
    -0.5f, -0.5f, -0.5f, -1, 0,  0,  0, 1, -0.5f, -0.5f, -0.5f, -1, 0,  0,  0, 1,
    -0.5f, -0.5f, 0.5f,  -1, 0,  0,  0, 0, -0.5f, 0.5f,  0.5f,  -1, 0,  0,  1, 0,

    0.5f,  0.5f,  0.5f,  1,  0,  0,  1, 0, 0.5f,  0.5f,  -0.5f, 1,  0,  0,  1, 1,
    0.5f,  -0.5f, -0.5f, 1,  0,  0,  0, 1, 0.5f,  -0.5f, -0.5f, 1,  0,  0,  0, 1,
    0.5f,  -0.5f, 0.5f,  1,  0,  0,  0, 0, 0.5f,  0.5f,  0.5f,  1,  0,  0,  1, 0,

    -0.5f, -0.5f, -0.5f, 0,  -1, 0,  0, 1, 0.5f,  -0.5f, -0.5f, 0,  -1, 0,  1, 1,
    0.5f,  -0.5f, 0.5f,  0,  -1, 0,  1, 0, 0.5f,  -0.5f, 0.5f,  0,  -1, 0,  1, 0,
    -0.5f, -0.5f, 0.5f,  0,  -1, 0,  0, 0, -0.5f, -0.5f, -0.5f, 0,  -1, 0,  0, 1,

    -0.5f, 0.5f,  -0.5f, 0,  1,  0,  0, 1, 0.5f,  0.5f,  -0.5f, 0,  1,  0,  1, 1,
    0.5f,  0.5f,  0.5f,  0,  1,  0,  1, 0, 0.5f,  0.5f,  0.5f,  0,  1,  0,  1, 0,
    -0.5f, 0.5f,  0.5f,  0,  1,  0,  0, 0, -0.5f, 0.5f,  -0.5f, 0,  1,  0,  0, 1,
};

// Uploads a position-first vertex table and describes only the position.
void uploadPositions(GLuint& vao, GLuint& vbo, const float* vertices, GLsizeiptr size,
                     GLsizei stride, const char* label) {
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, size, vertices, GL_STATIC_DRAW);
    glBindVertexArray(vao);
    labelObject(GL_VERTEX_ARRAY, vao, label);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    glEnableVertexAttribArray(0);
    glBindVertexArray(0);
}

void drawCube(GLuint vao) {
    glBindVertexArray(vao);
    glDrawArrays(GL_TRIANGLES, 0, cubeVertexCount);
    glBindVertexArray(0);
}

} // namespace

SkyboxCube::SkyboxCube() {
    uploadPositions(vao, vbo, skyboxVertices, sizeof(skyboxVertices), skyboxStride, skyCubeLabel);
}

void setupLampCube(Light& light) {
    uploadPositions(light.lampVao, light.lampVbo, lampVertices, sizeof(lampVertices), lampStride,
                    lampCubeLabel);
}

void drawLamps(GLuint lampProgram, const LampUniforms& uniforms, const glm::mat4& view,
               const glm::mat4& projection, const std::array<Light, 2>& lights) {
    glUseProgram(lampProgram);
    glUniformMatrix4fv(uniforms.viewLoc, 1, GL_FALSE, glm::value_ptr(view));
    glUniformMatrix4fv(uniforms.projectionLoc, 1, GL_FALSE, glm::value_ptr(projection));
    for (const Light& light : lights) {
        glm::mat4 model = glm::translate(glm::mat4(1.0f), light.place());
        model = glm::scale(model, glm::vec3(lampScale));
        glUniformMatrix4fv(uniforms.modelLoc, 1, GL_FALSE, glm::value_ptr(model));
        drawCube(light.lampVao);
    }
}

glm::mat4 withoutTranslation(const glm::mat4& view) {
    return glm::mat4(glm::mat3(view));
}

void drawSkybox(GLuint skyboxProgram, const SkyboxUniforms& uniforms, const glm::mat4& skyView,
                const glm::mat4& projection, GLuint skyboxTexture, const SkyboxCube& skybox) {
    glDepthFunc(GL_LEQUAL);
    glUseProgram(skyboxProgram);
    glUniformMatrix4fv(uniforms.viewLoc, 1, GL_FALSE, glm::value_ptr(skyView));
    glUniformMatrix4fv(uniforms.projectionLoc, 1, GL_FALSE, glm::value_ptr(projection));
    glActiveTexture(GL_TEXTURE0);
    glUniform1i(uniforms.samplerLoc, 0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, skyboxTexture);
    drawCube(skybox.vao);
    glDepthFunc(GL_LESS);
}
