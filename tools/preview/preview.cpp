// Renders the generated dungeon from entries of the scripted camera path, lit as
// in the demo (the moving point light with its shadow cube map, the dim
// directional light, the lamp cube and the sky), and writes one PNG per view plus
// a contact sheet. Run from the repository root.
// Usage: preview [--out FOLDER] [PATH_ENTRY ...]
#include "app/camera_path.h"
#include "effects/light_path.h"
#include "gfx/cube_map.h"
#include "gfx/model.h"
#include "gfx/shader.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr const char* modelPath = "resources/Dungeon50/Dungeon.obj";
constexpr const char* defaultOutFolder = "build/preview";
constexpr const char* skyFaces[] = {"resources/skybox3/right.png", "resources/skybox3/left.png",
                                    "resources/skybox3/up.png",    "resources/skybox3/bottom.png",
                                    "resources/skybox3/back.png",  "resources/skybox3/front.png"};

constexpr int viewWidth = 1280;
constexpr int viewHeight = 768;
constexpr float fieldOfView = 45.0f;
constexpr float nearDistance = 0.1f;
constexpr float farDistance = 100.0f;
constexpr float modelScale = 0.1f;
constexpr int evenlySpreadViews = 16;

// The context's own window is never shown; views render into framebuffers.
constexpr int hiddenWindowSize = 64;

constexpr int shadowSize = 800;
constexpr float cubeFaceFieldOfView = 90.0f;
constexpr float shadowNear = 0.0f;
constexpr float shadowFar = 20.0f;

constexpr int framesPerSecond = 60;
constexpr glm::vec3 lightStart{-10.5f, 0.2f, 7.5f};
constexpr glm::vec3 pointAmbient{0.05f};
constexpr glm::vec3 pointDiffuse{1.0f, 0.8f, 0.8f};
constexpr glm::vec3 pointSpecular{1.0f};
constexpr float attenuationConstant = 1.0f;
constexpr float attenuationLinear = 0.09f;
constexpr float attenuationQuadratic = 0.032f;
constexpr glm::vec3 sunDirection{-30.0f, 10.0f, 10.0f};
constexpr glm::vec3 sunAmbient{0.01f};
constexpr glm::vec3 sunDiffuse{0.2f};
constexpr glm::vec3 sunSpecular{0.1f};
constexpr float lampScale = 0.2f;

constexpr float exposure = 1.0f;
constexpr float displayGamma = 2.2f;
constexpr int sheetColumns = 4;
constexpr int thumbnailShrink = 4;

struct CubeFace {
    glm::vec3 direction;
    glm::vec3 up;
};
constexpr CubeFace cubeFaces[6] = {
    {{1, 0, 0}, {0, -1, 0}},  {{-1, 0, 0}, {0, -1, 0}}, {{0, 1, 0}, {0, 0, 1}},
    {{0, -1, 0}, {0, 0, -1}}, {{0, 0, 1}, {0, -1, 0}},  {{0, 0, -1}, {0, -1, 0}},
};

// A cube of edge 1 around the origin, two triangles per face; the lamp (scaled)
// and the sky.
constexpr float cubeVertices[] = {
    -0.5f, -0.5f, -0.5f, 0.5f,  0.5f,  -0.5f, 0.5f,  -0.5f, -0.5f, 0.5f,  0.5f,  -0.5f, -0.5f,
    -0.5f, -0.5f, -0.5f, 0.5f,  -0.5f, -0.5f, -0.5f, 0.5f,  0.5f,  -0.5f, 0.5f,  0.5f,  0.5f,
    0.5f,  0.5f,  0.5f,  0.5f,  -0.5f, 0.5f,  0.5f,  -0.5f, -0.5f, 0.5f,  -0.5f, 0.5f,  0.5f,
    -0.5f, 0.5f,  -0.5f, -0.5f, -0.5f, -0.5f, -0.5f, -0.5f, -0.5f, -0.5f, -0.5f, 0.5f,  -0.5f,
    0.5f,  0.5f,  0.5f,  0.5f,  0.5f,  0.5f,  -0.5f, -0.5f, 0.5f,  0.5f,  -0.5f, 0.5f,  -0.5f,
    -0.5f, 0.5f,  0.5f,  0.5f,  0.5f,  -0.5f, 0.5f,  -0.5f, -0.5f, -0.5f, 0.5f,  -0.5f, -0.5f,
    0.5f,  -0.5f, 0.5f,  0.5f,  -0.5f, 0.5f,  -0.5f, -0.5f, 0.5f,  -0.5f, -0.5f, -0.5f, -0.5f,
    0.5f,  -0.5f, 0.5f,  0.5f,  0.5f,  0.5f,  0.5f,  -0.5f, 0.5f,  0.5f,  0.5f,  -0.5f, 0.5f,
    -0.5f, -0.5f, 0.5f,  0.5f,  -0.5f, 0.5f,  0.5f,  0.5f,  -0.5f};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

struct Targets {
    GLuint shadowFramebuffer = 0;
    GLuint shadowCube = 0;
    GLuint sceneFramebuffer = 0;
    GLuint colour[2] = {0, 0};
    GLuint depth = 0;
    GLuint cubeVao = 0;
    GLuint sky = 0;
};

void setMat4(GLuint program, const std::string& name, const glm::mat4& value) {
    glUniformMatrix4fv(glGetUniformLocation(program, name.c_str()), 1, GL_FALSE,
                       glm::value_ptr(value));
}
void setVec3(GLuint program, const std::string& name, const glm::vec3& value) {
    glUniform3f(glGetUniformLocation(program, name.c_str()), value.x, value.y, value.z);
}
void setFloat(GLuint program, const std::string& name, float value) {
    glUniform1f(glGetUniformLocation(program, name.c_str()), value);
}

bool writePng(const std::string& path, const Image& image) {
    png_image out{};
    out.version = PNG_IMAGE_VERSION;
    out.width = static_cast<png_uint_32>(image.width);
    out.height = static_cast<png_uint_32>(image.height);
    out.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&out, path.c_str(), 0, image.rgb.data(), 0, nullptr) != 0;
}

Targets createTargets() {
    Targets t;
    glGenTextures(1, &t.shadowCube);
    glBindTexture(GL_TEXTURE_CUBE_MAP, t.shadowCube);
    for (GLenum face = 0; face < 6; ++face) {
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_DEPTH_COMPONENT, shadowSize,
                     shadowSize, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    }
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R}) {
        glTexParameteri(GL_TEXTURE_CUBE_MAP, wrap, GL_CLAMP_TO_EDGE);
    }
    glGenFramebuffers(1, &t.shadowFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, t.shadowFramebuffer);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, t.shadowCube, 0);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        std::fprintf(stderr, "preview: the shadow framebuffer is not complete\n");
    }

    glGenFramebuffers(1, &t.sceneFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, t.sceneFramebuffer);
    glGenTextures(2, t.colour);
    for (GLuint i = 0; i < 2; ++i) {
        glBindTexture(GL_TEXTURE_2D, t.colour[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F, viewWidth, viewHeight, 0, GL_RGBA, GL_FLOAT,
                     nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D, t.colour[i],
                               0);
    }
    const GLenum buffers[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glDrawBuffers(2, buffers);
    glGenRenderbuffers(1, &t.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, t.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, viewWidth, viewHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, t.depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        std::fprintf(stderr, "preview: the scene framebuffer is not complete\n");
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    GLuint vbo = 0;
    glGenVertexArrays(1, &t.cubeVao);
    glGenBuffers(1, &vbo);
    glBindVertexArray(t.cubeVao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof cubeVertices, cubeVertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    glBindVertexArray(0);

    if (std::filesystem::exists(skyFaces[0])) {
        t.sky =
            loadCubeMapTexture(std::vector<const char*>(std::begin(skyFaces), std::end(skyFaces)));
    }
    return t;
}

// The light's position on every frame up to `lastFrame`, as the demo moves it at
// 60 frames per second.
std::vector<glm::vec3> lightRoute(int lastFrame) {
    Light light;
    light.isPointLight = true;
    light.position = lightStart;
    float angle = initialLightPathAngle;
    std::vector<glm::vec3> route = {light.position};
    for (int frame = 1; frame <= lastFrame; ++frame) {
        moveLight(light, angle, initialLightPathSpeed, 1.0f / framesPerSecond,
                  static_cast<float>(frame) / framesPerSecond);
        route.push_back(light.position);
    }
    return route;
}

Image renderView(const Targets& t, const Model& dungeon, const Shader& lighting,
                 const Shader& depth, const Shader& lamp, const Shader& sky, glm::vec3 eye,
                 glm::vec3 front, glm::vec3 lightPosition) {
    const glm::mat4 model = glm::scale(glm::mat4(1.0f), glm::vec3(modelScale));

    glViewport(0, 0, shadowSize, shadowSize);
    glBindFramebuffer(GL_FRAMEBUFFER, t.shadowFramebuffer);
    glClear(GL_DEPTH_BUFFER_BIT);
    glUseProgram(depth.ID);
    const glm::mat4 shadowProjection =
        glm::perspective(glm::radians(cubeFaceFieldOfView), 1.0f, shadowNear, shadowFar);
    for (int i = 0; i < 6; ++i) {
        setMat4(depth.ID, "shadowTransforms[" + std::to_string(i) + "]",
                shadowProjection * glm::lookAt(lightPosition,
                                               lightPosition + cubeFaces[i].direction,
                                               cubeFaces[i].up));
    }
    setFloat(depth.ID, "far_plane", shadowFar);
    setFloat(depth.ID, "near_plane", shadowNear);
    setVec3(depth.ID, "lightPos", lightPosition);
    setMat4(depth.ID, "model", model);
    for (const Mesh& mesh : dungeon.meshes) {
        mesh.draw(depth.ID, 0);
    }

    glViewport(0, 0, viewWidth, viewHeight);
    glBindFramebuffer(GL_FRAMEBUFFER, t.sceneFramebuffer);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const glm::mat4 view = glm::lookAt(eye, eye + front, glm::vec3(0.0f, 1.0f, 0.0f));
    const glm::mat4 projection =
        glm::perspective(glm::radians(fieldOfView), static_cast<float>(viewWidth) / viewHeight,
                         nearDistance, farDistance);
    glUseProgram(lighting.ID);
    setVec3(lighting.ID, "viewPos", eye);
    setMat4(lighting.ID, "view", view);
    setMat4(lighting.ID, "projection", projection);
    setVec3(lighting.ID, "pointLights[0].position", lightPosition);
    setVec3(lighting.ID, "pointLights[0].ambient", pointAmbient);
    setVec3(lighting.ID, "pointLights[0].diffuse", pointDiffuse);
    setVec3(lighting.ID, "pointLights[0].specular", pointSpecular);
    setFloat(lighting.ID, "pointLights[0].constant", attenuationConstant);
    setFloat(lighting.ID, "pointLights[0].linear", attenuationLinear);
    setFloat(lighting.ID, "pointLights[0].quadratic", attenuationQuadratic);
    setVec3(lighting.ID, "dirLight.direction", sunDirection);
    setVec3(lighting.ID, "dirLight.ambient", sunAmbient);
    setVec3(lighting.ID, "dirLight.diffuse", sunDiffuse);
    setVec3(lighting.ID, "dirLight.specular", sunSpecular);
    setFloat(lighting.ID, "far_plane", shadowFar);
    setFloat(lighting.ID, "near_plane", shadowNear);
    setMat4(lighting.ID, "model", model);
    for (const Mesh& mesh : dungeon.meshes) {
        mesh.draw(lighting.ID, t.shadowCube);
    }

    glBindVertexArray(t.cubeVao);
    glUseProgram(lamp.ID);
    setMat4(lamp.ID, "view", view);
    setMat4(lamp.ID, "projection", projection);
    setMat4(lamp.ID, "model",
            glm::scale(glm::translate(glm::mat4(1.0f), lightPosition), glm::vec3(lampScale)));
    glDrawArrays(GL_TRIANGLES, 0, 36);
    if (t.sky != 0) {
        glDepthFunc(GL_LEQUAL);
        glUseProgram(sky.ID);
        setMat4(sky.ID, "view", glm::mat4(glm::mat3(view)));
        setMat4(sky.ID, "projection", projection);
        glActiveTexture(GL_TEXTURE0);
        glUniform1i(glGetUniformLocation(sky.ID, "skybox"), 0);
        glBindTexture(GL_TEXTURE_CUBE_MAP, t.sky);
        glDrawArrays(GL_TRIANGLES, 0, 36);
        glDepthFunc(GL_LESS);
    }
    glBindVertexArray(0);

    std::vector<float> pixels(static_cast<size_t>(viewWidth) * viewHeight * 3);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, viewWidth, viewHeight, GL_RGB, GL_FLOAT, pixels.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    Image image{viewWidth, viewHeight, std::vector<unsigned char>(pixels.size())};
    for (int y = 0; y < viewHeight; ++y) {
        for (int x = 0; x < viewWidth * 3; ++x) {
            const float hdr = std::max(pixels[static_cast<size_t>(y) * viewWidth * 3 + x], 0.0f);
            const float mapped = std::pow(1.0f - std::exp(-hdr * exposure), 1.0f / displayGamma);
            image.rgb[static_cast<size_t>(viewHeight - 1 - y) * viewWidth * 3 + x] =
                static_cast<unsigned char>(std::lround(std::clamp(mapped, 0.0f, 1.0f) * 255.0f));
        }
    }
    return image;
}

void pasteThumbnail(Image& sheet, const Image& view, int slot) {
    const int w = view.width / thumbnailShrink;
    const int h = view.height / thumbnailShrink;
    const int left = (slot % sheetColumns) * w;
    const int top = (slot / sheetColumns) * h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < thumbnailShrink; ++dy) {
                    for (int dx = 0; dx < thumbnailShrink; ++dx) {
                        sum +=
                            view.rgb[(static_cast<size_t>(y * thumbnailShrink + dy) * view.width +
                                      x * thumbnailShrink + dx) *
                                         3 +
                                     c];
                    }
                }
                sheet.rgb[(static_cast<size_t>(top + y) * sheet.width + left + x) * 3 + c] =
                    static_cast<unsigned char>(sum / (thumbnailShrink * thumbnailShrink));
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string outFolder = defaultOutFolder;
    std::vector<int> entries;
    const int last = static_cast<int>(cameraPath.size()) - 1;
    if (last < 0) {
        std::fprintf(stderr, "preview: the camera path is empty\n");
        return 1;
    }
    for (int i = 0; i < evenlySpreadViews; ++i) {
        entries.push_back(last * i / (evenlySpreadViews - 1));
    }
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--out" && i + 1 < argc) {
            outFolder = argv[++i];
        } else {
            entries.push_back(std::clamp(std::atoi(argv[i]), 0, last));
        }
    }

    if (glfwInit() == GLFW_FALSE) {
        std::fprintf(stderr, "preview: no display for GLFW\n");
        return 1;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(hiddenWindowSize, hiddenWindowSize, "Lanternfall preview",
                                          nullptr, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "preview: no OpenGL 3.3 context\n");
        glfwTerminate();
        return 1;
    }
    glfwMakeContextCurrent(window);
    if (gladLoadGL(glfwGetProcAddress) == 0) {
        std::fprintf(stderr, "preview: cannot load OpenGL\n");
        return 1;
    }
    glEnable(GL_DEPTH_TEST);

    Model dungeon;
    dungeon.load(modelPath);
    const Shader lighting = loadShaderFromFile("shader/LightingAndNormalMapping.vert",
                                               "shader/LightingAndNormalMapping.frag");
    const Shader depth = loadShaderFromFile("shader/DepthShader.vert", "shader/DepthShader.frag",
                                            "shader/DepthShader.geom");
    const Shader lamp = loadShaderFromFile("shader/Lamp.vert", "shader/Lamp.frag");
    const Shader sky = loadShaderFromFile("shader/CubeMap.vert", "shader/CubeMap.frag");
    const Targets targets = createTargets();
    const std::vector<glm::vec3> route =
        lightRoute(*std::max_element(entries.begin(), entries.end()));

    // Views of an earlier run would mix with this one's.
    std::filesystem::create_directories(outFolder);
    for (const auto& file : std::filesystem::directory_iterator(outFolder)) {
        const std::string name = file.path().filename().string();
        if (name.rfind("view_", 0) == 0 && file.path().extension() == ".png") {
            std::filesystem::remove(file.path());
        }
    }
    const int sheetRows = (static_cast<int>(entries.size()) + sheetColumns - 1) / sheetColumns;
    Image sheet{
        sheetColumns * viewWidth / thumbnailShrink, sheetRows * viewHeight / thumbnailShrink, {}};
    sheet.rgb.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, 0);
    for (size_t slot = 0; slot < entries.size(); ++slot) {
        const int entry = entries[slot];
        const Camera& camera = cameraPath[static_cast<size_t>(entry)];
        const glm::vec3 light = route[static_cast<size_t>(entry)];
        const Image image = renderView(targets, dungeon, lighting, depth, lamp, sky,
                                       camera.position, camera.front, light);
        char name[64];
        std::snprintf(name, sizeof name, "/view_%04d.png", entry);
        if (!writePng(outFolder + name, image)) {
            std::fprintf(stderr, "preview: cannot write %s%s\n", outFolder.c_str(), name);
            return 1;
        }
        pasteThumbnail(sheet, image, static_cast<int>(slot));
        std::printf("%s: entry %d (%.1f s), eye (%.2f, %.2f, %.2f), light (%.2f, %.2f, %.2f)\n",
                    name + 1, entry, static_cast<double>(entry) / framesPerSecond,
                    static_cast<double>(camera.position.x), static_cast<double>(camera.position.y),
                    static_cast<double>(camera.position.z), static_cast<double>(light.x),
                    static_cast<double>(light.y), static_cast<double>(light.z));
    }
    const std::string sheetPath = outFolder + "/contact_sheet.png";
    if (!writePng(sheetPath, sheet)) {
        std::fprintf(stderr, "preview: cannot write %s\n", sheetPath.c_str());
        return 1;
    }
    std::printf("%s: %zu views\n", sheetPath.c_str(), entries.size());
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}
