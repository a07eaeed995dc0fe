#include "effects/bloom.h"

#include "gfx/debug_names.h"
#include "gfx/screen.h"

#include <iostream>

namespace {

constexpr int quadVertexCount = 4;
constexpr GLsizei quadStride = 5 * sizeof(float);
constexpr size_t quadTexCoordOffset = 3 * sizeof(float);

// What frame debuggers show for the targets and the passes.
constexpr const char* hdrFramebufferLabel = "HDR framebuffer";
constexpr const char* hdrColourLabels[2] = {"HDR scene", "HDR bright part"};
constexpr const char* hdrDepthLabel = "HDR depth";
constexpr const char* pingpongFramebufferLabels[2] = {"ping-pong framebuffer 0",
                                                      "ping-pong framebuffer 1"};
constexpr const char* pingpongColourLabels[2] = {"ping-pong glow 0", "ping-pong glow 1"};
constexpr const char* quadLabel = "screen quad";

// Position (x, y, z) and texture coordinates (u, v), drawn as a strip.
constexpr float quadVertices[quadVertexCount * 5] = {
    -1, 1, 0, 0, 1, -1, -1, 0, 0, 0, 1, 1, 0, 1, 1, 1, -1, 0, 1, 0,
};

// A screen-sized RGB16F colour texture, attached at attachment of the bound framebuffer.
void attachColourTexture(GLuint texture, GLenum attachment) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB16F, screenWidth, screenHeight, 0, GL_RGB, GL_FLOAT,
                 nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glFramebufferTexture2D(GL_FRAMEBUFFER, attachment, GL_TEXTURE_2D, texture, 0);
}

void reportIfIncomplete() {
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        std::cout << "Framebuffer not complete!" << std::endl;
    }
}

} // namespace

void createBloomTargets(BloomTargets& targets, GLuint blurProgram, GLuint bloomProgram) {
    glGenFramebuffers(1, &targets.hdrFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, targets.hdrFramebuffer);
    labelObject(GL_FRAMEBUFFER, targets.hdrFramebuffer, hdrFramebufferLabel);
    glGenTextures(2, targets.colorBuffers.data());
    for (GLenum i = 0; i < 2; ++i) {
        attachColourTexture(targets.colorBuffers[i], GL_COLOR_ATTACHMENT0 + i);
        labelObject(GL_TEXTURE, targets.colorBuffers[i], hdrColourLabels[i]);
    }
    glGenRenderbuffers(1, &targets.depthRenderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, targets.depthRenderbuffer);
    labelObject(GL_RENDERBUFFER, targets.depthRenderbuffer, hdrDepthLabel);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, screenWidth, screenHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                              targets.depthRenderbuffer);
    const GLenum drawBuffers[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glDrawBuffers(2, drawBuffers);
    reportIfIncomplete();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    glGenFramebuffers(2, targets.pingpongFramebuffers.data());
    glGenTextures(2, targets.pingpongColorBuffers.data());
    for (size_t i = 0; i < 2; ++i) {
        glBindFramebuffer(GL_FRAMEBUFFER, targets.pingpongFramebuffers[i]);
        labelObject(GL_FRAMEBUFFER, targets.pingpongFramebuffers[i], pingpongFramebufferLabels[i]);
        attachColourTexture(targets.pingpongColorBuffers[i], GL_COLOR_ATTACHMENT0);
        labelObject(GL_TEXTURE, targets.pingpongColorBuffers[i], pingpongColourLabels[i]);
        reportIfIncomplete();
    }

    glUseProgram(blurProgram);
    glUniform1i(glGetUniformLocation(blurProgram, "image"), 0);
    glUseProgram(bloomProgram);
    glUniform1i(glGetUniformLocation(bloomProgram, "scene"), 0);
    glUniform1i(glGetUniformLocation(bloomProgram, "bloomBlur"), 1);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

void renderBloom(BloomTargets& targets, GLuint blurProgram, GLuint bloomProgram,
                 const BloomUniforms& uniforms, bool bloom, float exposure, int windowWidth,
                 int windowHeight) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    bool horizontal = true;
    bool first = true;
    glViewport(0, 0, screenWidth, screenHeight);
    glUseProgram(blurProgram);
    for (int pass = 0; pass < blurPasses; ++pass) {
        beginPass(blurPassName(pass));
        glBindFramebuffer(GL_FRAMEBUFFER, targets.pingpongFramebuffers[horizontal ? 1 : 0]);
        glUniform1i(uniforms.blurHorizontalLoc, horizontal ? 1 : 0);
        glUniform1i(uniforms.blurPassIndexLoc, pass);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, first ? targets.colorBuffers[1]
                                           : targets.pingpongColorBuffers[horizontal ? 0 : 1]);
        renderQuad(targets);
        endPass();
        horizontal = !horizontal;
        first = false;
    }

    beginPass(compositePassName);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // The targets are screen-sized; a resized window still gets the whole picture.
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glUseProgram(bloomProgram);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, targets.colorBuffers[0]);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, targets.pingpongColorBuffers[horizontal ? 0 : 1]);
    glUniform1i(uniforms.bloomFlagLoc, bloom ? 1 : 0);
    glUniform1f(uniforms.bloomExposureLoc, exposure);
    renderQuad(targets);
    endPass();
}

const std::string& blurPassName(int pass) {
    // Made once: the names are the same every frame.
    static const std::array<std::string, blurPasses> names = [] {
        std::array<std::string, blurPasses> made;
        for (int i = 0; i < blurPasses; ++i) {
            made[static_cast<size_t>(i)] = "bloom blur " + std::to_string(i + 1) + "/" +
                                           std::to_string(blurPasses) +
                                           (i % 2 == 0 ? ", horizontal" : ", vertical");
        }
        return made;
    }();
    return names[static_cast<size_t>(pass)];
}

void renderQuad(BloomTargets& targets) {
    if (targets.quadVAO == 0) {
        glGenVertexArrays(1, &targets.quadVAO);
        glGenBuffers(1, &targets.quadVBO);
        glBindVertexArray(targets.quadVAO);
        labelObject(GL_VERTEX_ARRAY, targets.quadVAO, quadLabel);
        glBindBuffer(GL_ARRAY_BUFFER, targets.quadVBO);
        glBufferData(GL_ARRAY_BUFFER, sizeof(quadVertices), quadVertices, GL_STATIC_DRAW);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, quadStride, nullptr);
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, quadStride,
                              reinterpret_cast<void*>(quadTexCoordOffset));
    }
    glBindVertexArray(targets.quadVAO);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, quadVertexCount);
    glBindVertexArray(0);
}
