#pragma once

#include "effects/light.h"

#include <glad/gl.h>
#include <glm/glm.hpp>

#include <array>

// The cube around the viewer that shows the sky cube map.
struct SkyboxCube {
    GLuint vao = 0;
    GLuint vbo = 0;

    // Creates and fills the vertex array and buffer: a GL context must be current.
    SkyboxCube();
};

struct LampUniforms {
    GLint modelLoc = -1;
    GLint viewLoc = -1;
    GLint projectionLoc = -1;
};

struct SkyboxUniforms {
    GLint samplerLoc = -1;
    GLint viewLoc = -1;
    GLint projectionLoc = -1;
};

// Creates the small cube drawn at the light.
void setupLampCube(Light& light);

// Draws a lamp cube at each light's place (a directional light's at its direction).
void drawLamps(GLuint lampProgram, const LampUniforms& uniforms, const glm::mat4& view,
               const glm::mat4& projection, const std::array<Light, 2>& lights);

// The view without its translation, so the sky stays centred on the viewer.
glm::mat4 withoutTranslation(const glm::mat4& view);

// Draws the sky on the far plane behind everything drawn so far, with the
// translation-free view; leaves unit 0 active and the depth function GL_LESS.
void drawSkybox(GLuint skyboxProgram, const SkyboxUniforms& uniforms, const glm::mat4& skyView,
                const glm::mat4& projection, GLuint skyboxTexture, const SkyboxCube& skybox);
