// The lighting program on two patches of one wall facing a point light: an opaque grey
// texel and one whose diffuse alpha marks it as burning. Drawn into two float targets,
// the lit colour and its bright part, as the Scene's lighting pass does.
#include "gfx/shader.h"
#include "support/gl_context.h"

#include <glm/vec3.hpp>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr int patches = 2;
constexpr float emissionStrength = 8.0f; // the shader's gain on a glowing texel's colour
constexpr float gamma = 2.2f;
constexpr glm::vec3 luminance{0.2126f, 0.7152f, 0.0722f};
// The light stands half a unit in front of the wall's middle; each patch's centre lies
// half a unit beside it, so the light falls at 45 degrees.
constexpr glm::vec3 lightAt{0.0f, 0.0f, 0.5f};
const float cosine = std::sqrt(0.5f);
constexpr float weakLight = 1.0f;
// The lit luminance beyond which the lighting program writes a fragment into the bright part.
constexpr float brightThreshold = 1.0f;
// How far below and above it the probing walls are lit: well inside a quarter of it.
constexpr float nearThreshold = 0.1f;
constexpr unsigned char grey[4] = {128, 128, 128, 255};
constexpr unsigned char burning[4] = {255, 140, 40, 0};
constexpr float tolerance = 0.01f;

using Pixel = std::array<float, 4>;

float linear(unsigned char srgb) {
    return std::pow(static_cast<float>(srgb) / 255.0f, gamma);
}

GLuint texture2d(int width, const unsigned char* texels) {
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return id;
}

// A depth cube that sees nothing nearer than the far plane: no shadow anywhere.
GLuint farDepthCube() {
    GLuint id = 0;
    const unsigned char far[4] = {255, 255, 255, 255};
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_CUBE_MAP, id);
    for (GLenum face = 0; face < 6; ++face) {
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGBA, 1, 1, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, far);
    }
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return id;
}

struct LitPatches {
    std::array<Pixel, patches> colour;
    std::array<Pixel, patches> bright;
};

class LightingTest : public testing::Test {
  protected:
    void SetUp() override {
        requireGlContext();
        program = loadShaderFromFile("shader/LightingAndNormalMapping.vert",
                                     "shader/LightingAndNormalMapping.frag")
                      .ID;
        std::vector<unsigned char> diffuse(grey, grey + 4);
        diffuse.insert(diffuse.end(), burning, burning + 4);
        const unsigned char black[4] = {0, 0, 0, 255};
        const unsigned char flat[4] = {128, 128, 255, 255};
        textures = {texture2d(patches, diffuse.data()), texture2d(1, black), texture2d(1, flat)};
        depthCube = farDepthCube();

        // The wall fills clip space: identity matrices, facing +z, tangent along x.
        const float corners[4][4] = {{-1, -1, 0, 0}, {1, -1, 1, 0}, {-1, 1, 0, 1}, {1, 1, 1, 1}};
        std::vector<float> wall;
        for (int corner : {0, 1, 2, 2, 1, 3}) {
            const float* c = corners[corner];
            wall.insert(wall.end(), {c[0], c[1], 0, 0, 0, 1, c[2], c[3], 1, 0, 0});
        }
        glGenVertexArrays(1, &vao);
        glGenBuffers(1, &vbo);
        glBindVertexArray(vao);
        glBindBuffer(GL_ARRAY_BUFFER, vbo);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(wall.size() * sizeof(float)),
                     wall.data(), GL_STATIC_DRAW);
        const GLsizei stride = 11 * sizeof(float);
        const int sizes[] = {3, 3, 2, 3};
        size_t offset = 0;
        for (GLuint attribute = 0; attribute < 4; ++attribute) {
            glEnableVertexAttribArray(attribute);
            glVertexAttribPointer(attribute, sizes[attribute], GL_FLOAT, GL_FALSE, stride,
                                  reinterpret_cast<const void*>(offset * sizeof(float)));
            offset += static_cast<size_t>(sizes[attribute]);
        }

        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenTextures(2, targets.data());
        for (GLenum i = 0; i < 2; ++i) {
            glBindTexture(GL_TEXTURE_2D, targets[i]);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, patches, 1, 0, GL_RGBA, GL_FLOAT, nullptr);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D,
                                   targets[i], 0);
        }
        const GLenum both[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
        glDrawBuffers(2, both);
        ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum{GL_FRAMEBUFFER_COMPLETE});
    }

    void TearDown() override {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(2, targets.data());
        glDeleteTextures(3, textures.data());
        glDeleteTextures(1, &depthCube);
        glDeleteBuffers(1, &vbo);
        glDeleteVertexArrays(1, &vao);
        glBindVertexArray(0);
    }

    void set(const char* name, glm::vec3 v) {
        glUniform3f(glGetUniformLocation(program, name), v.x, v.y, v.z);
    }
    void set(const char* name, float v) { glUniform1f(glGetUniformLocation(program, name), v); }

    LitPatches draw(float lightDiffuse) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glViewport(0, 0, patches, 1);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glUseProgram(program);
        const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        for (const char* matrix : {"model", "view", "projection"}) {
            glUniformMatrix4fv(glGetUniformLocation(program, matrix), 1, GL_FALSE, identity);
        }
        const char* samplers[] = {"texture_diffuse", "texture_specular", "texture_normal"};
        for (GLint unit = 0; unit < 3; ++unit) {
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
            glBindTexture(GL_TEXTURE_2D, textures[static_cast<size_t>(unit)]);
            glUniform1i(glGetUniformLocation(program, samplers[unit]), unit);
        }
        glActiveTexture(GL_TEXTURE3);
        glBindTexture(GL_TEXTURE_CUBE_MAP, depthCube);
        glUniform1i(glGetUniformLocation(program, "depthMap"), 3);
        glActiveTexture(GL_TEXTURE0);
        set("viewPos", {0.0f, 0.0f, 1.0f});
        set("far_plane", 25.0f);
        set("near_plane", 0.1f);
        set("material.shininess", 16.0f);
        set("dirLight.direction", {0.0f, 0.0f, 1.0f});
        for (const char* dark : {"dirLight.ambient", "dirLight.diffuse", "dirLight.specular",
                                 "pointLights[0].ambient", "pointLights[0].specular"}) {
            set(dark, glm::vec3(0.0f));
        }
        set("pointLights[0].position", lightAt);
        set("pointLights[0].diffuse", glm::vec3(lightDiffuse));
        set("pointLights[0].constant", 1.0f);
        set("pointLights[0].linear", 0.0f);
        set("pointLights[0].quadratic", 0.0f);
        glDrawArrays(GL_TRIANGLES, 0, 6);

        LitPatches read;
        for (GLenum i = 0; i < 2; ++i) {
            glReadBuffer(GL_COLOR_ATTACHMENT0 + i);
            glReadPixels(0, 0, patches, 1, GL_RGBA, GL_FLOAT,
                         (i == 0 ? read.colour : read.bright).data());
        }
        glUseProgram(0);
        return read;
    }

    GLuint program = 0;
    std::array<GLuint, 3> textures{};
    GLuint depthCube = 0;
    GLuint vao = 0;
    GLuint vbo = 0;
    GLuint framebuffer = 0;
    std::array<GLuint, 2> targets{};
};

float luma(const Pixel& p) {
    return luminance.x * p[0] + luminance.y * p[1] + luminance.z * p[2];
}

TEST_F(LightingTest, OnlyWhatBurnsOrIsStronglyLitPassesIntoTheBrightPart) {
    const LitPatches weak = draw(weakLight);
    const float lit = linear(grey[0]) * cosine * weakLight;
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(weak.colour[0][c], lit, tolerance) << "channel " << c;
        EXPECT_EQ(weak.bright[0][c], 0.0f) << "channel " << c;
        // The burning texel keeps the light on it and adds its own colour many times over.
        const float own = linear(burning[c]);
        EXPECT_NEAR(weak.colour[1][c], own * (cosine * weakLight + emissionStrength),
                    tolerance * (1.0f + own * emissionStrength))
            << "channel " << c;
        EXPECT_EQ(weak.bright[1][c], weak.colour[1][c]) << "channel " << c;
    }
    EXPECT_LT(luma(weak.colour[0]), brightThreshold);
    EXPECT_GT(luma(weak.colour[1]), brightThreshold);

    // A light just short of lifting the opaque patch beyond the threshold, and one just
    // enough: only the second patch reaches the bright part, whole.
    for (const float probe :
         {brightThreshold * (1.0f - nearThreshold), brightThreshold * (1.0f + nearThreshold)}) {
        SCOPED_TRACE(testing::Message() << "lit to " << probe);
        const LitPatches drawn = draw(probe / (linear(grey[0]) * cosine));
        EXPECT_NEAR(luma(drawn.colour[0]), probe, tolerance);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(drawn.bright[0][c], probe > brightThreshold ? drawn.colour[0][c] : 0.0f)
                << "channel " << c;
        }
    }
    EXPECT_TRUE(glGetError() == GL_NO_ERROR);
}

} // namespace
