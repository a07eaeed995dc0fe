#pragma once

#include <glad/gl.h>

#include <array>
#include <string>

constexpr int blurPasses = 10;
// The group frame debuggers show for the composite.
constexpr const char* compositePassName = "composite";

// The off-screen targets of the HDR pass and the blur, at screen size.
struct BloomTargets {
    // Draws into colorBuffers[0] (scene colour) and colorBuffers[1] (bright part).
    GLuint hdrFramebuffer = 0;
    std::array<GLuint, 2> colorBuffers{};
    GLuint depthRenderbuffer = 0;
    std::array<GLuint, 2> pingpongFramebuffers{};
    std::array<GLuint, 2> pingpongColorBuffers{};
    // The full-screen quad, created by the first draw.
    GLuint quadVAO = 0;
    GLuint quadVBO = 0;
};

struct BloomUniforms {
    GLint blurHorizontalLoc = -1;
    GLint bloomFlagLoc = -1;
    GLint bloomExposureLoc = -1;
    GLint blurPassIndexLoc = -1;
};

// Creates every target except the quad, points the blur and composite samplers at
// their units and sets the clear colour. Reports incomplete framebuffers.
void createBloomTargets(BloomTargets& targets, GLuint blurProgram, GLuint bloomProgram);

// Blurs the bright image in ten alternating passes and composes it with the scene
// colour into the whole default framebuffer, of the window's size. Each blur pass and the
// composite is a named group for frame debuggers.
void renderBloom(BloomTargets& targets, GLuint blurProgram, GLuint bloomProgram,
                 const BloomUniforms& uniforms, bool bloom, float exposure, int windowWidth,
                 int windowHeight);

// The name frame debuggers show for blur pass `pass` (from 0): "bloom blur 3/10, horizontal".
// The passes alternate from horizontal, so even passes blur across, odd ones down.
const std::string& blurPassName(int pass);

// Draws the full-screen quad with the current program, creating it on first use.
void renderQuad(BloomTargets& targets);
