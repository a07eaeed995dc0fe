#pragma once

#include "gfx/model.h"

#include <glad/gl.h>
#include <glm/glm.hpp>

#include <array>
#include <vector>

constexpr GLuint defaultShadowResolution = 800;
constexpr float defaultShadowNearPlane = 0.0f;
constexpr float defaultShadowFarPlane = 20.0f;
constexpr int cubeFaceCount = 6;

// Cached locations of the "depth" program's uniforms.
struct DepthUniforms {
    GLint modelLoc = -1;
    GLint lightPosLoc = -1;
    GLint farPlaneLoc = -1;
    GLint nearPlaneLoc = -1;
    std::array<GLint, cubeFaceCount> shadowTransformsLocs{-1, -1, -1, -1, -1, -1};
};

// Creates the depth cube map (resolution x resolution per face) and a framebuffer
// holding it as a layered depth attachment. Returns {framebuffer, cube map}.
std::vector<GLuint> createShadowMap(GLuint resolution);

// The six view-projections from the light, in cube-face order +X, -X, +Y, -Y, +Z, -Z.
using ShadowTransforms = std::array<glm::mat4, cubeFaceCount>;
ShadowTransforms shadowTransformsFor(glm::vec3 lightPos, GLuint resolution, float nearPlane,
                                     float farPlane);

// Renders the model into all six faces in one pass per mesh. Leaves the default
// framebuffer bound and the viewport at resolution x resolution.
void renderShadowPass(const std::vector<GLuint>& shadowMap, GLuint depthProgram,
                      const DepthUniforms& uniforms, glm::vec3 lightPos, const Model& model,
                      const glm::mat4& modelMatrix, GLuint resolution, float nearPlane,
                      float farPlane);
