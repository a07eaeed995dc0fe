#include "app/camera.h"
#include "app/camera_path.h"
#include "app/frame_loop.h"
#include "effects/light_path.h"
#include "gfx/debug_names.h"
#include "gfx/registry.h"
#include "scene/scene.h"
#include "support/gl_context.h"
#include "support/gl_recorder.h"
#include "support/test_files.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr float pauseTime = 135.0f; // the light path stands still then
constexpr int referenceWidth = 160;
constexpr int referenceHeight = 96;
// The largest difference of a 16 x 16 block's mean in one channel, 0..255.
constexpr int referenceBlock = 16;
constexpr double referenceTolerance = 1.0;
constexpr const char* referenceFolder = "tests/reference";
// Crops are compared at full size, in blocks of 8 x 8 pixels.
constexpr int cropBlock = 8;
constexpr double cropTolerance = 2.0;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb; // rows top first

    Picture cropped(int x0, int y0, int w, int h) const {
        Picture part{w, h, {}};
        for (int y = y0; y < y0 + h; ++y) {
            const auto row = rgb.begin() + (static_cast<long>(y) * width + x0) * 3;
            part.rgb.insert(part.rgb.end(), row, row + w * 3);
        }
        return part;
    }
};

Picture readScreen() {
    Picture picture;
    picture.width = screenWidth;
    picture.height = screenHeight;
    std::vector<unsigned char> bottomUp(static_cast<size_t>(screenWidth) * screenHeight * 3);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, screenWidth, screenHeight, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    const size_t row = static_cast<size_t>(screenWidth) * 3;
    for (int y = screenHeight - 1; y >= 0; --y) {
        picture.rgb.insert(picture.rgb.end(), bottomUp.begin() + static_cast<long>(y * row),
                           bottomUp.begin() + static_cast<long>((y + 1) * row));
    }
    return picture;
}

Picture downscaled(const Picture& picture, int width, int height) {
    Picture small;
    small.width = width;
    small.height = height;
    const int bx = picture.width / width;
    const int by = picture.height / height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int j = 0; j < by; ++j) {
                    for (int i = 0; i < bx; ++i) {
                        sum += picture.rgb[(static_cast<size_t>(y * by + j) * picture.width +
                                            static_cast<size_t>(x * bx + i)) *
                                               3 +
                                           c];
                    }
                }
                small.rgb.push_back(static_cast<unsigned char>(sum / (bx * by)));
            }
        }
    }
    return small;
}

bool readPng(const std::string& path, Picture& picture) {
    return readRgbPng(path, picture.width, picture.height, picture.rgb);
}

// With LANTERNFALL_KEEP_PICTURES set to a folder, the pictures a test renders are
// saved there to be looked at.
void keepPicture(const std::string& name, const Picture& picture) {
    const char* folder = std::getenv("LANTERNFALL_KEEP_PICTURES");
    if (folder != nullptr) {
        fs::create_directories(folder);
        writePng(std::string(folder) + "/" + name + ".png", picture.width, picture.height, 3,
                 picture.rgb);
    }
}

// The vertices of a buffer, `stride` floats each.
std::vector<float> bufferFloats(GLuint buffer, int vertices, int stride) {
    std::vector<float> data(static_cast<size_t>(vertices * stride));
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(data.size() * sizeof(float)),
                       data.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return data;
}

// 36 vertices (positions first, `stride` floats apart) that make a closed cube of the
// given half size about the origin: each face two triangles that cover it, each edge
// between faces shared by two triangles. Returns each triangle's face: its axis (1 to 3),
// negative on the negative side.
std::vector<int> expectClosedCube(const std::vector<float>& data, int stride, float half) {
    std::vector<int> faces;
    std::map<std::pair<std::array<float, 3>, std::array<float, 3>>, int> edges;
    std::map<int, float> area;
    for (int t = 0; t < 12; ++t) {
        std::array<glm::vec3, 3> corner;
        for (int k = 0; k < 3; ++k) {
            const float* p = &data[static_cast<size_t>((t * 3 + k) * stride)];
            corner[static_cast<size_t>(k)] = glm::vec3(p[0], p[1], p[2]);
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_EQ(std::abs(p[axis]), half) << "triangle " << t;
            }
        }
        const glm::vec3 normal = glm::cross(corner[1] - corner[0], corner[2] - corner[0]);
        int face = 0;
        for (int axis = 0; axis < 3; ++axis) {
            if (corner[0][axis] == corner[1][axis] && corner[1][axis] == corner[2][axis]) {
                face = (axis + 1) * (corner[0][axis] > 0 ? 1 : -1);
            }
        }
        EXPECT_NE(face, 0) << "triangle " << t << " lies on no face";
        faces.push_back(face);
        area[face] += 0.5f * glm::length(normal);
        for (int k = 0; k < 3; ++k) {
            const glm::vec3 a = corner[static_cast<size_t>(k)];
            const glm::vec3 b = corner[static_cast<size_t>((k + 1) % 3)];
            const std::array<float, 3> from{a.x, a.y, a.z};
            const std::array<float, 3> to{b.x, b.y, b.z};
            edges[std::minmax(from, to)] += 1;
        }
    }
    EXPECT_EQ(area.size(), 6u);
    for (const auto& [face, covered] : area) {
        EXPECT_NEAR(covered, 4.0f * half * half, 1e-6f) << "face " << face;
    }
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 2) << "an edge of the cube borders " << count << " triangles";
    }
    return faces;
}

// One Scene for the whole program: building it loads every resource.
class SceneTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        requireGlContext(screenWidth, screenHeight);
        // The fixed state the demo's start-up sets before building the Scene.
        glViewport(0, 0, screenWidth, screenHeight);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        listenForGlErrors();
        testing::internal::CaptureStdout();
        scene = new Scene();
        setUpOutput = testing::internal::GetCapturedStdout();
        setUpErrors = glErrors;
    }

    void SetUp() override {
        ASSERT_NE(scene, nullptr);
        glErrors.clear();
        savedCamera = camera;
        deltaTime = 0.0f;
    }
    void TearDown() override { camera = savedCamera; }

    // Looks from `eye` towards `target`, with bloom on and exposure 1.
    static void lookAt(glm::vec3 eye, glm::vec3 target) {
        camera = Camera(eye);
        camera.front = target - eye;
        camera.up = glm::vec3(0.0f, 1.0f, 0.0f);
    }

    static Picture renderAt(float time) {
        scene->render(time);
        return readScreen();
    }

    static std::map<GLuint, std::string> programNames() {
        std::map<GLuint, std::string> names;
        for (const auto& entry : Shaders) {
            names[entry.second.ID] = entry.first;
        }
        return names;
    }

    static std::vector<std::string> programsUsed(const std::vector<GlCall>& calls) {
        const std::map<GLuint, std::string> names = programNames();
        std::vector<std::string> used;
        for (const GlCall& call : callsNamed(calls, "glUseProgram")) {
            used.push_back(names.at(static_cast<GLuint>(call.ints[0])));
        }
        return used;
    }

    static Scene* scene;
    static std::string setUpOutput;
    static std::vector<std::string> setUpErrors;
    Camera savedCamera;
};

Scene* SceneTest::scene = nullptr;
std::string SceneTest::setUpOutput;
std::vector<std::string> SceneTest::setUpErrors;

TEST_F(SceneTest, SetUpRegistersEverythingQuietly) {
    EXPECT_EQ(setUpOutput, "");
    EXPECT_TRUE(setUpErrors.empty()) << setUpErrors.front();
    std::vector<std::string> names;
    for (const auto& entry : Shaders) {
        names.push_back(entry.first);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"bloom", "blur", "cubeMap", "depth", "lamp",
                                               "normalMapping", "particle3D"}));
    ASSERT_EQ(Textures.size(), 1u);
    EXPECT_EQ(Textures.begin()->first, "stars");

    EXPECT_EQ(scene->particles->particles.size(), 500u);
    // Preparing the star pass at set-up left every star unborn.
    for (const Particle& star : scene->particles->particles) {
        EXPECT_LE(star.life, 0.0f);
    }
}

// The star pass is drawn once at set-up, with the state of its frames, so the driver has
// it ready when the stars begin; that draw leaves no trace in the picture or the pool.
TEST_F(SceneTest, StarPassIsPreparedWithoutAVisibleStar) {
    // A star frame first, which leaves the star program's matrices set.
    camera = Camera(glm::vec3(1.0f, 3.0f, -10.0f));
    deltaTime = 1.0f / 60.0f;
    scene->render(142.5f);
    const auto hdrPixels = [] {
        std::vector<float> texels(static_cast<size_t>(screenWidth) * screenHeight * 3);
        glBindTexture(GL_TEXTURE_2D, scene->bloomTargets.colorBuffers[0]);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return texels;
    };
    // Its sprite lands in the middle of the view, with nothing in front of it.
    const GLuint starProgram = getShader("particle3D").ID;
    glUseProgram(starProgram);
    glUniform3f(glGetUniformLocation(starProgram, "offset"), 0.0f, -1.5f, 0.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, scene->bloomTargets.hdrFramebuffer);
    glClear(GL_DEPTH_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    const std::vector<float> before = hdrPixels();
    const std::vector<Particle> stars = scene->particles->particles;

    startRecording();
    scene->warmUpStarPass();
    const std::vector<GlCall> calls = stopRecording();
    EXPECT_EQ(programsUsed(calls), std::vector<std::string>{"particle3D"});
    const std::vector<GlCall> framebuffers = callsNamed(calls, "glBindFramebuffer");
    ASSERT_EQ(framebuffers.size(), 2u);
    EXPECT_EQ(framebuffers[0].ints[1], scene->bloomTargets.hdrFramebuffer);
    EXPECT_EQ(framebuffers[1].ints[1], 0);
    EXPECT_EQ(callsNamed(calls, "glDrawArrays").size(), 1u);
    const std::vector<GlCall> blends = callsNamed(calls, "glBlendFunc");
    ASSERT_EQ(blends.size(), 2u);
    EXPECT_EQ(blends[0].ints, (std::vector<long long>{GL_SRC_ALPHA, GL_ONE}));
    EXPECT_EQ(blends[1].ints, (std::vector<long long>{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    EXPECT_EQ(hdrPixels(), before);
    ASSERT_EQ(scene->particles->particles.size(), stars.size());
    for (size_t i = 0; i < stars.size(); ++i) {
        EXPECT_EQ(scene->particles->particles[i].life, stars[i].life);
        EXPECT_EQ(scene->particles->particles[i].position, stars[i].position);
    }
    EXPECT_TRUE(glErrors.empty()) << glErrors.front();
}

TEST_F(SceneTest, FrameRunsItsPassesInOrder) {
    camera = Camera(glm::vec3(-5.0f, 1.0f, 11.0f));
    const glm::vec3 lightBefore = scene->lights[0].position;
    deltaTime = 0.5f;
    // A window the viewer has resized.
    framebufferWidth = 1000;
    framebufferHeight = 600;
    startRecording();
    scene->render(10.0f);
    const std::vector<GlCall> calls = stopRecording();
    framebufferWidth = windowWidth;
    framebufferHeight = windowHeight;
    EXPECT_TRUE(glErrors.empty()) << glErrors.front();

    // The light moved first: the shadow pass already sees it where it went.
    const glm::vec3 lightAfter = scene->lights[0].position;
    EXPECT_GT(glm::distance(lightBefore, lightAfter), 0.05f);
    const std::vector<GlCall> lightPos = callsNamed(calls, "glUniform3fv");
    ASSERT_EQ(lightPos.size(), 1u);
    EXPECT_EQ(lightPos[0].ints[0], scene->depthLightPosLoc);
    EXPECT_EQ(lightPos[0].floats, (std::vector<double>{lightAfter.x, lightAfter.y, lightAfter.z}));

    EXPECT_EQ(programsUsed(calls), (std::vector<std::string>{"depth", "normalMapping", "lamp",
                                                             "cubeMap", "blur", "bloom"}));

    // Framebuffers: shadow, window, HDR, then the ten blur passes and the window.
    const BloomTargets& targets = scene->bloomTargets;
    std::vector<long long> framebuffers;
    for (const GlCall& call : callsNamed(calls, "glBindFramebuffer")) {
        framebuffers.push_back(call.ints[1]);
    }
    std::vector<long long> expected = {scene->shadowMap[0], 0, targets.hdrFramebuffer, 0};
    for (int pass = 0; pass < 10; ++pass) {
        expected.push_back(targets.pingpongFramebuffers[pass % 2 == 0 ? 1 : 0]);
    }
    expected.push_back(0);
    EXPECT_EQ(framebuffers, expected);

    // The shadow pass draws at 800 x 800, the lighting and the blur into targets of screen
    // size, the composite into the whole window.
    const std::vector<GlCall> viewports = callsNamed(calls, "glViewport");
    ASSERT_EQ(viewports.size(), 4u);
    EXPECT_EQ(viewports[0].ints, (std::vector<long long>{0, 0, 800, 800}));
    EXPECT_EQ(viewports[1].ints, (std::vector<long long>{0, 0, 1280, 768}));
    EXPECT_EQ(viewports[2].ints, (std::vector<long long>{0, 0, 1280, 768}));
    EXPECT_EQ(viewports[3].ints, (std::vector<long long>{0, 0, 1000, 600}));

    std::vector<std::string> looked;
    for (const GlCall& call : callsNamed(calls, "glGetUniformLocation")) {
        looked.push_back(call.text);
    }
    for (const char* name : {"pointLights[0].position", "pointLights[0].quadratic",
                             "dirLight.direction", "dirLight.specular"}) {
        EXPECT_NE(std::find(looked.begin(), looked.end(), name), looked.end()) << name;
    }

    // The skybox is drawn between GL_LEQUAL and GL_LESS.
    const std::vector<GlCall> depthFuncs = callsNamed(calls, "glDepthFunc");
    ASSERT_EQ(depthFuncs.size(), 2u);
    EXPECT_EQ(depthFuncs[0].ints[0], GL_LEQUAL);
    EXPECT_EQ(depthFuncs[1].ints[0], GL_LESS);

    // Blur: alternating from horizontal, the first pass reading the bright image.
    std::vector<long long> horizontal;
    std::vector<long long> blurInputs;
    bool blurring = false;
    for (const GlCall& call : calls) {
        if (call.name == "glUseProgram") {
            blurring = call.ints[0] == getShader("blur").ID;
        } else if (blurring && call.name == "glUniform1i" &&
                   call.ints[0] == scene->blurHorizontalLoc) {
            horizontal.push_back(call.ints[1]);
        } else if (blurring && call.name == "glBindTexture") {
            blurInputs.push_back(call.ints[1]);
        }
    }
    EXPECT_EQ(horizontal, (std::vector<long long>{1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
    ASSERT_EQ(blurInputs.size(), 10u);
    EXPECT_EQ(blurInputs[0], targets.colorBuffers[1]);
    EXPECT_EQ(blurInputs[1], targets.pingpongColorBuffers[1]);
    EXPECT_EQ(blurInputs[2], targets.pingpongColorBuffers[0]);

    // Uniforms by program and name, with the values the show is specified with.
    const std::vector<UniformSet> sets = uniformSets(calls);
    const auto setsOf = [&](const char* program, const std::string& name) {
        std::vector<std::vector<double>> values;
        for (const UniformSet& set : sets) {
            if (set.program == getShader(program).ID && set.name == name) {
                values.push_back(set.values);
            }
        }
        return values;
    };
    const auto expectValues = [&](const char* program, const std::string& name,
                                  const std::vector<double>& wanted) {
        const auto values = setsOf(program, name);
        ASSERT_FALSE(values.empty()) << program << " " << name << " never set";
        ASSERT_EQ(values.back().size(), wanted.size()) << name;
        for (size_t k = 0; k < wanted.size(); ++k) {
            EXPECT_NEAR(values.back()[k], wanted[k], 1e-5) << program << " " << name << " " << k;
        }
    };
    expectValues("bloom", "bloom", {1.0});
    expectValues("bloom", "exposure", {1.0});
    expectValues("normalMapping", "pointLights[0].ambient", {0.05, 0.05, 0.05});
    expectValues("normalMapping", "pointLights[0].diffuse", {1.0, 0.8, 0.8});
    expectValues("normalMapping", "pointLights[0].specular", {1.0, 1.0, 1.0});
    expectValues("normalMapping", "pointLights[0].constant", {1.0});
    expectValues("normalMapping", "pointLights[0].linear", {0.09});
    expectValues("normalMapping", "pointLights[0].quadratic", {0.032});
    expectValues("normalMapping", "pointLights[0].position",
                 {lightAfter.x, lightAfter.y, lightAfter.z});
    expectValues("normalMapping", "dirLight.ambient", {0.01, 0.01, 0.01});
    expectValues("normalMapping", "dirLight.diffuse", {0.2, 0.2, 0.2});
    expectValues("normalMapping", "dirLight.specular", {0.1, 0.1, 0.1});
    expectValues("normalMapping", "far_plane", {20.0});
    const glm::mat4 projection =
        glm::perspective(glm::radians(45.0f), 1280.0f / 768.0f, 0.1f, 100.0f);
    expectValues("normalMapping", "projection",
                 std::vector<double>(&projection[0][0], &projection[0][0] + 16));
    expectValues("depth", "far_plane", {20.0});

    // The six views of the shadow pass, in cube-face order, each looking down its axis
    // with the up vector that GL's cube map faces are laid out by.
    const glm::vec3 faceAxis[6] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                   {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
    const glm::vec3 faceUp[6] = {{0, -1, 0}, {0, -1, 0}, {0, 0, 1},
                                 {0, 0, -1}, {0, -1, 0}, {0, -1, 0}};
    const glm::mat4 shadowProjection = glm::perspective(glm::radians(90.0f), 1.0f, 0.0f, 20.0f);
    for (int face = 0; face < 6; ++face) {
        const glm::mat4 view = glm::lookAt(lightAfter, lightAfter + faceAxis[face], faceUp[face]);
        const glm::mat4 wanted = shadowProjection * view;
        expectValues("depth", "shadowTransforms[" + std::to_string(face) + "]",
                     std::vector<double>(&wanted[0][0], &wanted[0][0] + 16));
    }

    // Each light's lamp: a cube a fifth of a unit wide where the light is.
    const auto lampModels = setsOf("lamp", "model");
    ASSERT_EQ(lampModels.size(), scene->lights.size());
    for (size_t i = 0; i < lampModels.size(); ++i) {
        const glm::mat4 wanted =
            glm::scale(glm::translate(glm::mat4(1.0f), scene->lights[i].place()), glm::vec3(0.2f));
        for (int k = 0; k < 16; ++k) {
            EXPECT_NEAR(lampModels[i][static_cast<size_t>(k)], (&wanted[0][0])[k], 1e-5) << i;
        }
    }

    // Every draw unbinds its vertex array before anything else is bound.
    for (size_t k = 0; k < calls.size(); ++k) {
        if (calls[k].name.rfind("glDraw", 0) != 0) {
            continue;
        }
        const auto next =
            std::find_if(calls.begin() + static_cast<long>(k) + 1, calls.end(),
                         [](const GlCall& call) { return call.name == "glBindVertexArray"; });
        ASSERT_NE(next, calls.end()) << "call " << k;
        EXPECT_EQ(next->ints[0], 0) << "after call " << k;
    }

    // State at return.
    GLint value[4] = {};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, value);
    EXPECT_EQ(value[0], 0);
    glGetIntegerv(GL_VIEWPORT, value);
    EXPECT_EQ(std::vector<GLint>(value, value + 4), (std::vector<GLint>{0, 0, 1000, 600}));
    glGetIntegerv(GL_DEPTH_FUNC, value);
    EXPECT_EQ(value[0], GL_LESS);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, value);
    EXPECT_EQ(value[0], 0);
    GLfloat clear[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(std::vector<GLfloat>(clear, clear + 4), (std::vector<GLfloat>{0, 0, 0, 0}));
}

// The sky cube is a closed cube of half size 1 around the viewer; the lamp cube one of
// half size 0.5 whose normals face out of each face (nothing culls, so winding is free).
TEST_F(SceneTest, SkyLampAndStarShapes) {
    expectClosedCube(bufferFloats(scene->skybox.vbo, 36, 3), 3, 1.0f);
    const int lampStride = 8;
    const std::vector<float> lamp = bufferFloats(scene->lights[0].lampVbo, 36, lampStride);
    const std::vector<int> faces = expectClosedCube(lamp, lampStride, 0.5f);
    for (size_t t = 0; t < faces.size(); ++t) {
        glm::vec3 outward(0.0f);
        outward[std::abs(faces[t]) - 1] = faces[t] > 0 ? 1.0f : -1.0f;
        for (size_t k = 0; k < 3; ++k) {
            const float* v = &lamp[(t * 3 + k) * lampStride];
            EXPECT_EQ(glm::vec3(v[3], v[4], v[5]), outward) << "triangle " << t;
        }
    }

    // The star sprite: two triangles covering the unit square in z = 0, each corner's
    // texture coordinates equal to its x and y.
    GLint spriteBuffer = 0;
    glBindVertexArray(scene->particles->vao);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &spriteBuffer);
    glBindVertexArray(0);
    const std::vector<float> sprite = bufferFloats(static_cast<GLuint>(spriteBuffer), 6, 5);
    float covered = 0.0f;
    for (int t = 0; t < 2; ++t) {
        std::array<glm::vec3, 3> corner;
        for (int k = 0; k < 3; ++k) {
            const float* v = &sprite[static_cast<size_t>((t * 3 + k) * 5)];
            corner[static_cast<size_t>(k)] = glm::vec3(v[0], v[1], v[2]);
            EXPECT_EQ(v[2], 0.0f);
            EXPECT_TRUE((v[0] == 0.0f || v[0] == 1.0f) && (v[1] == 0.0f || v[1] == 1.0f));
            EXPECT_EQ(glm::vec2(v[3], v[4]), glm::vec2(v[0], v[1]));
        }
        covered += 0.5f * glm::length(glm::cross(corner[1] - corner[0], corner[2] - corner[0]));
    }
    EXPECT_EQ(covered, 1.0f);
}

// Each sky image sits on its cube face: +X right, -X left, +Y up, -Y bottom, +Z back,
// -Z front, every texel as the file has it (rows top first in both).
TEST_F(SceneTest, SkyFacesSitOnTheirCubeFaces) {
    const char* files[6] = {"right", "left", "up", "bottom", "back", "front"};
    glBindTexture(GL_TEXTURE_CUBE_MAP, scene->skyboxTexture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int face = 0; face < 6; ++face) {
        Picture image;
        const std::string path = std::string("resources/skybox3/") + files[face] + ".png";
        ASSERT_TRUE(readPng(path, image)) << path;
        GLint width = 0;
        const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face);
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &width);
        ASSERT_EQ(width, image.width) << path;
        std::vector<unsigned char> texels(image.rgb.size());
        glGetTexImage(target, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_TRUE(texels == image.rgb) << path << " is not on face " << face;
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}

// One bright pixel through the ten blur passes: its light is kept, spread evenly in x
// and y into a halo a few dozen pixels wide. Light against the left and the bottom edge
// glows inward and not at the opposite edge: past the border the blur reads the border,
// not the other side.
TEST_F(SceneTest, BlurSpreadsLightIntoARoundHaloThatStaysOffTheOppositeEdge) {
    const BloomTargets& targets = scene->bloomTargets;
    const int x0 = 400;
    const int y0 = 300;
    const float energy = 100.0f;
    const int reach = 150;
    const int glowDistance = 20;
    std::vector<float> bright(static_cast<size_t>(screenWidth) * screenHeight * 3, 0.0f);
    const auto at = [&](int x, int y) { return (static_cast<size_t>(y) * screenWidth + x) * 3; };
    for (const auto& [x, y] : {std::pair{x0, y0}, {0, y0}, {x0, 0}}) {
        std::fill_n(bright.begin() + static_cast<long>(at(x, y)), 3, energy);
    }
    glBindTexture(GL_TEXTURE_2D, targets.colorBuffers[1]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, screenWidth, screenHeight, GL_RGB, GL_FLOAT,
                    bright.data());
    scene->renderBloom();

    std::vector<float> blurred(bright.size());
    glBindTexture(GL_TEXTURE_2D, targets.pingpongColorBuffers[0]);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, blurred.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    double sum = 0;
    double peak = 0;
    double varianceX = 0;
    double varianceY = 0;
    for (int y = y0 - reach; y < y0 + reach; ++y) {
        for (int x = x0 - reach; x < x0 + reach; ++x) {
            const double value = blurred[at(x, y)];
            sum += value;
            peak = std::max(peak, value);
            varianceX += value * (x - x0) * (x - x0);
            varianceY += value * (y - y0) * (y - y0);
        }
    }
    EXPECT_NEAR(sum, energy, energy * 0.01);
    EXPECT_LT(peak, energy * 0.002);
    // The kernel's own width, computed from its weights and offsets.
    EXPECT_NEAR(std::sqrt(varianceX / sum), 12.04, 0.1);
    EXPECT_NEAR(std::sqrt(varianceY / sum), 12.04, 0.1);
    EXPECT_GT(blurred[at(glowDistance, y0)], 0.0f);
    EXPECT_GT(blurred[at(x0, glowDistance)], 0.0f);
    EXPECT_EQ(blurred[at(screenWidth - 1, y0)], 0.0f) << "the right edge glows with the left's";
    EXPECT_EQ(blurred[at(x0, screenHeight - 1)], 0.0f) << "the top edge glows with the bottom's";
    EXPECT_TRUE(glErrors.empty()) << glErrors.front();
}

// The composite smooths geometric edges and leaves texture detail alone. Its input is
// written straight into the HDR target: a bright field, a dark box turned so its edges
// are staircases, and a patch of fine noise like stone.
TEST_F(SceneTest, CompositeSmoothsEdgesButNotTexture) {
    const float bright = 3.0f;
    const float dark = 0.03f;
    const float stone = 0.5f;
    const float grain = 0.2f;
    const glm::vec2 boxCentre(400.0f, 300.0f);
    const glm::vec2 boxHalf(150.0f, 100.0f);
    const float slope = 0.2f; // one step of the staircase every five pixels
    const int patch[4] = {800, 200, 1100, 500};
    const glm::vec2 axis = glm::normalize(glm::vec2(1.0f, slope));
    auto inBox = [&](glm::vec2 p) {
        const glm::vec2 d = p - boxCentre;
        const glm::vec2 local(glm::dot(d, axis), glm::dot(d, glm::vec2(-axis.y, axis.x)));
        return std::abs(local.x) < boxHalf.x && std::abs(local.y) < boxHalf.y;
    };
    std::minstd_rand random;
    std::vector<float> hdr(static_cast<size_t>(screenWidth) * screenHeight);
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            float value = bright;
            if (inBox(glm::vec2(x + 0.5f, y + 0.5f))) {
                value = dark;
            } else if (x >= patch[0] && x < patch[2] && y >= patch[1] && y < patch[3]) {
                const float noise = static_cast<float>(random()) / random.max() * 2.0f - 1.0f;
                value = stone * (1.0f + grain * noise);
            }
            hdr[static_cast<size_t>(y) * screenWidth + x] = value;
        }
    }
    std::vector<float> rgb(hdr.size() * 3);
    for (size_t i = 0; i < hdr.size(); ++i) {
        std::fill_n(rgb.begin() + static_cast<long>(i * 3), 3, hdr[i]);
    }
    // A red field over a blue one, on a line as gently sloped as the box's. In the left
    // half the blue's luma is 0.84 of the red's, in the right half the red's is 0.84 of
    // the blue's: contrasts just above the threshold.
    const float red = 0.3f;
    const int colourField[4] = {700, 560, 1260, 740};
    const int colourSplit = 980;
    const auto blueAt = [&](int x) { return x < colourSplit ? 0.541f : 1.158f; };
    for (int y = colourField[1]; y < colourField[3]; ++y) {
        for (int x = colourField[0]; x < colourField[2]; ++x) {
            const bool below = y < 650 + (x - colourField[0]) / 5;
            float* texel = &rgb[(static_cast<size_t>(y) * screenWidth + x) * 3];
            texel[0] = below ? 0.0f : red;
            texel[1] = 0.0f;
            texel[2] = below ? blueAt(x) : 0.0f;
        }
    }
    const BloomTargets& targets = scene->bloomTargets;
    glBindTexture(GL_TEXTURE_2D, targets.colorBuffers[0]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, screenWidth, screenHeight, GL_RGB, GL_FLOAT,
                    rgb.data());
    scene->frameCamera.bloom = false;
    scene->frameCamera.exposure = 1.0f;
    scene->renderBloom();
    const Picture shown = readScreen();
    keepPicture("composite_edges", shown);

    // The same tone mapping on the CPU, without any smoothing (rows top first).
    auto displayed = [](float value) {
        return 255.0 * std::pow(1.0 - std::exp(-static_cast<double>(value)), 1.0 / 2.2);
    };
    auto expected = [&](int x, int row) {
        return displayed(hdr[static_cast<size_t>(screenHeight - 1 - row) * screenWidth + x]);
    };
    auto at = [&](int x, int row) {
        return static_cast<double>(shown.rgb[(static_cast<size_t>(row) * screenWidth + x) * 3]);
    };

    // Along the box's long lower edge, pixels between dark and bright, which a hard
    // staircase has none of.
    const double low = displayed(dark);
    const double high = displayed(bright);
    const auto blendedAt = [&](int x, int row) {
        const double value = at(x, row);
        return value > low + 0.15 * (high - low) && value < high - 0.15 * (high - low) &&
               std::abs(expected(x, row) - value) > 0.1 * (high - low);
    };
    int columnsWithBlend = 0;
    const int firstColumn = static_cast<int>(boxCentre.x) - 100;
    const int lastColumn = static_cast<int>(boxCentre.x) + 100;
    for (int x = firstColumn; x < lastColumn; ++x) {
        bool blended = false;
        for (int row = 0; row < screenHeight; ++row) {
            blended = blended || blendedAt(x, row);
        }
        columnsWithBlend += blended ? 1 : 0;
    }
    EXPECT_GT(columnsWithBlend, (lastColumn - firstColumn) * 9 / 10);
    // And the blend follows the true edge: across it, column by column along the lower
    // edge and row by row along the steep left one, the brightness adds up closer to the
    // bright part the box leaves than the staircase does (the true part from 8 x 8
    // samples in each pixel). Texture rows 200 to 340 meet only the left edge between
    // columns 180 and 330.
    const auto closerThanTheStaircase = [&](bool rows, int first, int last, int from, int to) {
        const int samples = 8;
        double smoothError = 0.0;
        double stairError = 0.0;
        for (int line = first; line < last; ++line) {
            double smooth = 0.0;
            double stair = 0.0;
            double truth = 0.0;
            for (int across = from; across < to; ++across) {
                const int x = rows ? across : line;
                const int y = rows ? line : across;
                smooth += (at(x, screenHeight - 1 - y) - low) / (high - low);
                stair += (expected(x, screenHeight - 1 - y) - low) / (high - low);
                for (int k = 0; k < samples * samples; ++k) {
                    const glm::vec2 p(x + (k % samples + 0.5f) / samples,
                                      y + (k / samples + 0.5f) / samples);
                    truth += inBox(p) ? 0.0 : 1.0 / (samples * samples);
                }
            }
            smoothError += std::abs(smooth - truth);
            stairError += std::abs(stair - truth);
        }
        return smoothError < 0.75 * stairError;
    };
    EXPECT_TRUE(closerThanTheStaircase(false, firstColumn, lastColumn, 140, 260));
    EXPECT_TRUE(closerThanTheStaircase(true, 200, 340, 180, 330));

    // Inside the noise patch, the differences between neighbouring pixels stay what
    // they are without smoothing.
    double shownContrast = 0.0;
    double plainContrast = 0.0;
    for (int row = screenHeight - patch[3] + 2; row < screenHeight - patch[1] - 2; ++row) {
        for (int x = patch[0] + 2; x < patch[2] - 2; ++x) {
            shownContrast += std::abs(at(x + 1, row) - at(x, row));
            plainContrast +=
                std::abs(std::round(expected(x + 1, row)) - std::round(expected(x, row)));
        }
    }
    EXPECT_NEAR(shownContrast / plainContrast, 1.0, 0.04);

    // Edges are found by their luma, so the red and blue fields' edge is smoothed too:
    // along it, pixels that mix the two colours (a grey picture cannot tell the channels'
    // weights apart).
    const auto mixed = [&](int x, int row) {
        const auto part = [&](int c, float value) {
            const size_t at = (static_cast<size_t>(row) * screenWidth + x) * 3;
            return shown.rgb[at + static_cast<size_t>(c)] / displayed(value);
        };
        return part(0, red) > 0.15 && part(0, red) < 0.85 && part(2, blueAt(x)) > 0.15 &&
               part(2, blueAt(x)) < 0.85;
    };
    for (const auto& [first, last] : {std::pair{colourField[0] + 20, colourSplit - 20},
                                      std::pair{colourSplit + 20, colourField[2] - 20}}) {
        int mixedColumns = 0;
        for (int x = first; x < last; ++x) {
            bool found = false;
            for (int y = colourField[1] + 5; y < colourField[3] - 5; ++y) {
                found = found || mixed(x, screenHeight - 1 - y);
            }
            mixedColumns += found ? 1 : 0;
        }
        EXPECT_GT(mixedColumns, (last - first) / 8) << "columns " << first << " to " << last;
    }
    EXPECT_TRUE(glErrors.empty()) << glErrors.front();
}

// The stars begin on the first frame after their time, not on the frame at it.
TEST_F(SceneTest, NoStarsAtTheirTimeItself) {
    camera = Camera(glm::vec3(1.0f, 3.0f, -10.0f));
    startRecording();
    scene->render(starsStartTime);
    const std::vector<std::string> used = programsUsed(stopRecording());
    EXPECT_EQ(std::count(used.begin(), used.end(), "particle3D"), 0);
}

// The groups a frame debugger shows: one per pass, in the order the frame draws them, and
// around every draw call, each draw inside exactly one.
TEST_F(SceneTest, FrameNamesItsPassesForFrameDebuggers) {
    camera = Camera(glm::vec3(1.0f, 3.0f, -10.0f));
    startRecording();
    scene->render(150.0f);
    const std::vector<GlCall> calls = stopRecording();
    EXPECT_TRUE(glErrors.empty()) << glErrors.front();

    const std::map<GLuint, std::string> programs = programNames();
    std::vector<std::string> groups;
    std::map<std::string, std::set<std::string>> programsDrawnWith;
    int depth = 0;
    GLuint program = 0;
    for (size_t k = 0; k < calls.size(); ++k) {
        const GlCall& call = calls[k];
        if (call.name == "glPushDebugGroup") {
            ++depth;
            EXPECT_EQ(depth, 1) << "group " << call.text << " opened inside another";
            EXPECT_EQ(call.ints[0], GL_DEBUG_SOURCE_APPLICATION);
            groups.push_back(call.text);
        } else if (call.name == "glPopDebugGroup") {
            --depth;
            EXPECT_EQ(depth, 0) << "call " << k << " closes no group";
        } else if (call.name == "glUseProgram") {
            program = static_cast<GLuint>(call.ints[0]);
        } else if (call.name.rfind("glDraw", 0) == 0) {
            ASSERT_EQ(depth, 1) << call.name << " (call " << k << ") outside a group";
            programsDrawnWith[groups.back()].insert(programs.at(program));
        }
    }
    EXPECT_EQ(depth, 0);

    std::vector<std::string> expected = {"shadow", "lighting", "lamps and sky", "stars"};
    for (int pass = 1; pass <= blurPasses; ++pass) {
        expected.push_back("bloom blur " + std::to_string(pass) + "/10, " +
                           (pass % 2 == 1 ? "horizontal" : "vertical"));
    }
    expected.push_back("composite");
    EXPECT_EQ(groups, expected);

    // Each group holds the draws of its own pass and nothing else.
    using Programs = std::set<std::string>;
    EXPECT_EQ(programsDrawnWith["shadow"], Programs{"depth"});
    EXPECT_EQ(programsDrawnWith["lighting"], Programs{"normalMapping"});
    EXPECT_EQ(programsDrawnWith["lamps and sky"], (Programs{"lamp", "cubeMap"}));
    EXPECT_EQ(programsDrawnWith["stars"], Programs{"particle3D"});
    for (int pass = 0; pass < blurPasses; ++pass) {
        EXPECT_EQ(programsDrawnWith[expected[4 + static_cast<size_t>(pass)]], Programs{"blur"});
    }
    EXPECT_EQ(programsDrawnWith["composite"], Programs{"bloom"});
    // The stars add light; blending is put back as it was for what comes after.
    const std::vector<GlCall> blends = callsNamed(calls, "glBlendFunc");
    ASSERT_EQ(blends.size(), 2u);
    EXPECT_EQ(blends[0].ints, (std::vector<long long>{GL_SRC_ALPHA, GL_ONE}));
    EXPECT_EQ(blends[1].ints, (std::vector<long long>{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}));
}

// On a driver without KHR_debug the frame is the same list of drawing calls, with no debug
// call among them.
TEST_F(SceneTest, WithoutTheDebugExtensionAFrameMakesNoDebugCall) {
    ASSERT_TRUE(debugNamesAvailable());
    camera = Camera(glm::vec3(-5.0f, 1.0f, 11.0f));
    const auto withoutDebugCalls = [](const std::vector<GlCall>& calls) {
        std::vector<std::pair<std::string, std::vector<long long>>> kept;
        for (const GlCall& call : calls) {
            if (call.name != "glPushDebugGroup" && call.name != "glPopDebugGroup" &&
                call.name != "glObjectLabel") {
                kept.emplace_back(call.name, call.ints);
            }
        }
        return kept;
    };
    // The first frame of a run also makes the screen quad.
    scene->render(10.0f);
    startRecording();
    scene->render(10.0f);
    const std::vector<GlCall> named = stopRecording();

    hideDebugExtension(true);
    startRecording();
    scene->render(10.0f);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    labelObject(GL_TEXTURE, texture, "unnamed");
    beginPass("unnamed");
    endPass();
    const std::vector<GlCall> plain = stopRecording();
    hideDebugExtension(false);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);

    EXPECT_GT(callsNamed(named, "glPushDebugGroup").size(), 0u);
    for (const char* debugCall : {"glPushDebugGroup", "glPopDebugGroup", "glObjectLabel"}) {
        EXPECT_TRUE(callsNamed(plain, debugCall).empty()) << debugCall;
    }
    auto plainFrame = withoutDebugCalls(plain);
    ASSERT_GE(plainFrame.size(), 2u);
    plainFrame.resize(plainFrame.size() - 2);
    const auto namedFrame = withoutDebugCalls(named);
    for (size_t k = 0; k < std::min(namedFrame.size(), plainFrame.size()); ++k) {
        ASSERT_EQ(namedFrame[k], plainFrame[k]) << "call " << k << " " << namedFrame[k].first;
    }
    EXPECT_EQ(namedFrame.size(), plainFrame.size());
    EXPECT_TRUE(glErrors.empty()) << glErrors.front();
}

// What a debugger shows for the long-lived objects: the name each was made under.
TEST_F(SceneTest, SetUpLabelsItsObjects) {
    const auto labelOf = [](GLenum identifier, GLuint object) {
        char label[512] = {};
        GLsizei length = 0;
        glGetObjectLabel(identifier, object, sizeof label, &length, label);
        return std::string(label, static_cast<size_t>(length));
    };
    for (const auto& entry : Shaders) {
        EXPECT_EQ(labelOf(GL_PROGRAM, entry.second.ID), entry.first);
    }
    EXPECT_EQ(labelOf(GL_TEXTURE, getTexture("stars").ID), "stars");
    EXPECT_EQ(labelOf(GL_FRAMEBUFFER, scene->shadowMap[0]), "shadow framebuffer");
    EXPECT_EQ(labelOf(GL_TEXTURE, scene->shadowMap[1]), "shadow cube map");
    EXPECT_EQ(labelOf(GL_TEXTURE, scene->skyboxTexture), "sky cube map");
    EXPECT_EQ(labelOf(GL_VERTEX_ARRAY, scene->skybox.vao), "sky cube");
    EXPECT_EQ(labelOf(GL_VERTEX_ARRAY, scene->lights[1].lampVao), "lamp cube");
    EXPECT_EQ(labelOf(GL_VERTEX_ARRAY, scene->particles->vao), "star sprite");
    const BloomTargets& targets = scene->bloomTargets;
    EXPECT_EQ(labelOf(GL_FRAMEBUFFER, targets.hdrFramebuffer), "HDR framebuffer");
    EXPECT_EQ(labelOf(GL_TEXTURE, targets.colorBuffers[0]), "HDR scene");
    EXPECT_EQ(labelOf(GL_TEXTURE, targets.colorBuffers[1]), "HDR bright part");
    EXPECT_EQ(labelOf(GL_RENDERBUFFER, targets.depthRenderbuffer), "HDR depth");
    for (size_t i = 0; i < 2; ++i) {
        const std::string index = std::to_string(i);
        EXPECT_EQ(labelOf(GL_FRAMEBUFFER, targets.pingpongFramebuffers[i]),
                  "ping-pong framebuffer " + index);
        EXPECT_EQ(labelOf(GL_TEXTURE, targets.pingpongColorBuffers[i]), "ping-pong glow " + index);
    }
    ASSERT_FALSE(scene->dungeon.loadedTextures.empty());
    for (const Texture& texture : scene->dungeon.loadedTextures) {
        const std::string path = texture.path.C_Str();
        EXPECT_EQ(labelOf(GL_TEXTURE, texture.id), path.substr(path.find_last_of('/') + 1));
    }
    for (size_t i = 0; i < scene->dungeon.meshes.size(); ++i) {
        EXPECT_EQ(labelOf(GL_VERTEX_ARRAY, scene->dungeon.meshes[i].vao),
                  "Dungeon.obj mesh " + std::to_string(i));
    }

    // A label longer than the driver takes is cut to fit, not refused.
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint longest = 0;
    glGetIntegerv(GL_MAX_LABEL_LENGTH, &longest);
    labelObject(GL_TEXTURE, texture, std::string(static_cast<size_t>(longest) + 10, 'x'));
    EXPECT_EQ(labelOf(GL_TEXTURE, texture), std::string(static_cast<size_t>(longest) - 1, 'x'));
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);
    EXPECT_TRUE(glErrors.empty()) << glErrors.front();
}

// A floor just below the light reaches into the +X face from behind the light's own
// plane: the part in front is kept there, while the face above stays empty.
TEST_F(SceneTest, ShadowPassKeepsTrianglesThatCrossTheLightsPlane) {
    std::vector<Vertex> floor(3);
    // In the dungeon's model units, ten to the world's unit: 0.2 below the light.
    floor[0].position = glm::vec3(-50.0f, -2.0f, -50.0f);
    floor[1].position = glm::vec3(-50.0f, -2.0f, 50.0f);
    floor[2].position = glm::vec3(5.0f, -2.0f, 0.0f);
    Model dungeon = scene->dungeon;
    scene->dungeon = Model();
    scene->dungeon.meshes.emplace_back(floor, std::vector<GLuint>{0, 1, 2}, std::vector<Texture>{});
    scene->lights[0].position = glm::vec3(0.0f);
    scene->renderShadowMap(scene->shadowMap);
    scene->dungeon = dungeon;

    const auto nearest = [&](GLenum face) {
        std::vector<float> depth(800 * 800);
        glBindTexture(GL_TEXTURE_CUBE_MAP, scene->shadowMap[1]);
        glGetTexImage(face, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
        return *std::min_element(depth.begin(), depth.end());
    };
    EXPECT_LT(nearest(GL_TEXTURE_CUBE_MAP_POSITIVE_X), 0.05f);
    EXPECT_LT(nearest(GL_TEXTURE_CUBE_MAP_NEGATIVE_Y), 0.05f);
    EXPECT_EQ(nearest(GL_TEXTURE_CUBE_MAP_POSITIVE_Y), 1.0f);
    EXPECT_TRUE(glErrors.empty()) << glErrors.front();
}

// Compares a picture with the kept one of that name block by block, per channel, so that
// a tint or a highlight in one part is not averaged away by the rest: no block's mean may
// move by `tolerance` levels or more. LANTERNFALL_WRITE_REFERENCES=1 keeps it anew instead.
void expectLikeReference(const std::string& name, const Picture& picture, int block,
                         double tolerance) {
    const std::string path = std::string(referenceFolder) + "/" + name + ".png";
    if (std::getenv("LANTERNFALL_WRITE_REFERENCES") != nullptr) {
        fs::create_directories(fs::path(path).parent_path());
        ASSERT_TRUE(writePng(path, picture.width, picture.height, 3, picture.rgb));
        return;
    }
    Picture reference;
    ASSERT_TRUE(readPng(path, reference)) << path;
    ASSERT_EQ(reference.width, picture.width) << path;
    ASSERT_EQ(reference.height, picture.height) << path;
    double worst = 0.0;
    int worstX = 0;
    int worstY = 0;
    for (int by = 0; by + block <= picture.height; by += block) {
        for (int bx = 0; bx + block <= picture.width; bx += block) {
            for (int c = 0; c < 3; ++c) {
                double difference = 0.0;
                for (int y = by; y < by + block; ++y) {
                    for (int x = bx; x < bx + block; ++x) {
                        const size_t at = (static_cast<size_t>(y) * picture.width + x) * 3 +
                                          static_cast<size_t>(c);
                        difference += static_cast<int>(picture.rgb[at]) - reference.rgb[at];
                    }
                }
                if (std::abs(difference) / (block * block) > worst) {
                    worst = std::abs(difference) / (block * block);
                    worstX = bx;
                    worstY = by;
                }
            }
        }
    }
    EXPECT_LT(worst, tolerance) << name << ": the block at (" << worstX << ", " << worstY
                                << ") differs";
}

// Pictures against kept ones: views along the show, shrunk, so a change to the look is
// seen; and where an effect lives, a crop at full size in small blocks, so a change a viewer
// would see there moves a block past the tolerance: the lamp and its glow (with bloom off and
// at other exposures), the sky's brightest stars, a penumbra near and one far, and outside
// the ground meeting the sky's hills (a flat plane cut off under them once stepped by 12
// levels along a line).
TEST_F(SceneTest, PicturesLookAsKept) {
    struct Look {
        std::string name;
        glm::vec3 eye;
        glm::vec3 target;
        glm::vec3 light;
        // No size: the whole view, shrunk.
        int x = 0, y = 0, width = 0, height = 0;
        bool bloom = true;
        float exposure = 1.0f;
    };
    const auto atEntry = [](const char* name, int entry) {
        const Camera& view = cameraPath[static_cast<size_t>(entry)];
        return Look{name, view.position, view.position + view.front,
                    pointLightRoute(entry, 60.0f).back()};
    };
    // The pillared hall, its light where the route has it, and the way out under the sky.
    const Look hall = atEntry("", 586);
    const glm::vec3 lampAhead = hall.eye + 1.5f * glm::normalize(hall.target - hall.eye);
    const glm::vec3 outside = cameraPath.back().position;
    std::vector<Look> looks = {atEntry("entrance", 0), atEntry("corridor", 2400),
                               atEntry("long_hall", 5200), atEntry("stairs", 7700),
                               atEntry("exit", 8200)};
    const Look lamp{"crops/lamp", hall.eye, lampAhead, lampAhead, 512, 256, 256, 256};
    looks.push_back(lamp);
    looks.push_back(lamp);
    looks.back().name = "crops/lamp_without_bloom";
    looks.back().bloom = false;
    // Exposure brightens and darkens; below zero the picture stays dim, not garbage.
    for (float exposure : {3.0f, 0.3f, -2.0f}) {
        looks.push_back(lamp);
        std::ostringstream name;
        name << "crops/lamp_exposure_" << exposure;
        looks.back().name = name.str();
        looks.back().exposure = exposure;
    }
    looks.push_back({"crops/sky_stars", outside, outside + glm::vec3(0.0f, 1.0f, -0.6f), hall.light,
                     320, 96, 192, 320});
    looks.push_back({"crops/penumbra_near", hall.eye, hall.target, hall.light, 112, 176, 96, 384});
    looks.push_back({"crops/penumbra_far", hall.eye, hall.target, hall.light, 736, 176, 96, 384});
    Look horizon = atEntry("crops/horizon", 8205);
    horizon.x = 560;
    horizon.y = 296;
    horizon.width = 160;
    horizon.height = 208;
    looks.push_back(horizon);
    for (const Look& look : looks) {
        lookAt(look.eye, look.target);
        camera.bloom = look.bloom;
        camera.exposure = look.exposure;
        scene->lights[0].position = look.light;
        const Picture full = renderAt(pauseTime);
        keepPicture(fs::path(look.name).filename().string(), full);
        if (look.width == 0) {
            expectLikeReference(look.name, downscaled(full, referenceWidth, referenceHeight),
                                referenceBlock, referenceTolerance);
        } else {
            expectLikeReference(look.name, full.cropped(look.x, look.y, look.width, look.height),
                                cropBlock, cropTolerance);
        }
    }
}

// One star, 3 units ahead, through the first second of its life and the last: how it
// fades in, twinkles and fades out, side by side against a kept strip.
TEST_F(SceneTest, AStarLivesAsKept) {
    const Camera& last = cameraPath.back();
    // Stars are drawn about the eye, as the sky is.
    const glm::vec3 ahead = 3.0f * glm::normalize(last.front);
    lookAt(last.position, last.position + ahead);
    ParticleGenerator& stars = *scene->particles;
    const std::vector<Particle> saved = stars.particles;
    const std::vector<float> ages = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f,
                                     0.9f, 1.0f, 4.0f, 4.2f, 4.4f, 4.6f, 4.8f, 5.0f};
    constexpr int side = 96;
    Picture strip{side * static_cast<int>(ages.size()), side, {}};
    std::vector<Picture> frames;
    for (float age : ages) {
        // The frame's update gives one dead slot a newborn star: always the same one.
        for (Particle& star : stars.particles) {
            star.life = 0.0f;
        }
        stars.lastUsedParticle = 0;
        std::srand(1);
        Particle& star = stars.particles[0];
        star.life = 1.0f;
        star.position = ahead - starEmitterPosition;
        star.color = glm::vec4(1.0f, 1.0f, 1.0f, 1.0f - age * 2.5f);
        frames.push_back(renderAt(150.0f).cropped((screenWidth - side) / 2,
                                                  (screenHeight - side) / 2, side, side));
    }
    stars.particles = saved;
    for (int y = 0; y < side; ++y) {
        for (const Picture& frame : frames) {
            const auto row = frame.rgb.begin() + static_cast<long>(y) * side * 3;
            strip.rgb.insert(strip.rgb.end(), row, row + side * 3);
        }
    }
    keepPicture("star_life", strip);
    expectLikeReference("crops/star_life", strip, cropBlock, cropTolerance);
}

} // namespace
