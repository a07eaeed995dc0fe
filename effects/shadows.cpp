#include "effects/shadows.h"

#include "gfx/debug_names.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <iostream>

namespace {

constexpr float shadowFieldOfView = 90.0f;
constexpr const char* shadowCubeMapLabel = "shadow cube map";
constexpr const char* shadowFramebufferLabel = "shadow framebuffer";

struct CubeFace {
    glm::vec3 direction;
    glm::vec3 up;
};

const CubeFace cubeFaces[cubeFaceCount] = {
    {{1, 0, 0}, {0, -1, 0}},  {{-1, 0, 0}, {0, -1, 0}}, {{0, 1, 0}, {0, 0, 1}},
    {{0, -1, 0}, {0, 0, -1}}, {{0, 0, 1}, {0, -1, 0}},  {{0, 0, -1}, {0, -1, 0}},
};

} // namespace

std::vector<GLuint> createShadowMap(GLuint resolution) {
    std::vector<GLuint> shadowMap(2, 0);
    GLuint framebuffer = 0;
    GLuint cubeMap = 0;
    glGenFramebuffers(1, &framebuffer);
    glGenTextures(1, &cubeMap);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
    labelObject(GL_TEXTURE, cubeMap, shadowCubeMapLabel);
    for (GLenum face = 0; face < cubeFaceCount; ++face) {
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_DEPTH_COMPONENT,
                     static_cast<GLsizei>(resolution), static_cast<GLsizei>(resolution), 0,
                     GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    }
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);

    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    labelObject(GL_FRAMEBUFFER, framebuffer, shadowFramebufferLabel);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, cubeMap, 0);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        std::cout << "Framebuffer not complete!" << std::endl;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    shadowMap[0] = framebuffer;
    shadowMap[1] = cubeMap;
    return shadowMap;
}

ShadowTransforms shadowTransformsFor(glm::vec3 lightPos, GLuint resolution, float nearPlane,
                                     float farPlane) {
    const float aspect = static_cast<float>(resolution) / static_cast<float>(resolution);
    const glm::mat4 shadowProj =
        glm::perspective(glm::radians(shadowFieldOfView), aspect, nearPlane, farPlane);
    ShadowTransforms transforms;
    for (size_t face = 0; face < transforms.size(); ++face) {
        const CubeFace& cubeFace = cubeFaces[face];
        transforms[face] =
            shadowProj * glm::lookAt(lightPos, lightPos + cubeFace.direction, cubeFace.up);
    }
    return transforms;
}

void renderShadowPass(const std::vector<GLuint>& shadowMap, GLuint depthProgram,
                      const DepthUniforms& uniforms, glm::vec3 lightPos, const Model& model,
                      const glm::mat4& modelMatrix, GLuint resolution, float nearPlane,
                      float farPlane) {
    const ShadowTransforms transforms =
        shadowTransformsFor(lightPos, resolution, nearPlane, farPlane);
    glViewport(0, 0, static_cast<GLsizei>(resolution), static_cast<GLsizei>(resolution));
    glBindFramebuffer(GL_FRAMEBUFFER, shadowMap[0]);
    glClear(GL_DEPTH_BUFFER_BIT);
    glUseProgram(depthProgram);
    for (int face = 0; face < cubeFaceCount; ++face) {
        glUniformMatrix4fv(uniforms.shadowTransformsLocs[static_cast<size_t>(face)], 1, GL_FALSE,
                           glm::value_ptr(transforms[static_cast<size_t>(face)]));
    }
    glUniform1f(uniforms.farPlaneLoc, farPlane);
    glUniform1f(uniforms.nearPlaneLoc, nearPlane);
    glUniform3fv(uniforms.lightPosLoc, 1, glm::value_ptr(lightPos));
    glUniformMatrix4fv(uniforms.modelLoc, 1, GL_FALSE, glm::value_ptr(modelMatrix));
    for (const Mesh& mesh : model.meshes) {
        mesh.draw(depthProgram, 0);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
