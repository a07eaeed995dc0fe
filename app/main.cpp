#include "app/camera.h"
#include "app/camera_path.h"
#include "app/frame_loop.h"
#include "app/input.h"
#include "app/run_directory.h"
#include "app/window.h"
#include "scene/scene.h"

#include <glad/gl.h>

#include <GLFW/glfw3.h>

#include <array>
#include <iostream>
#include <new>

namespace {

// The source tree a development build falls back to; a packaged build has none.
#ifdef LANTERNFALL_PROJECT_ROOT
constexpr const char* projectRoot = LANTERNFALL_PROJECT_ROOT;
#else
constexpr const char* projectRoot = "";
#endif

// GLFW's own reason for a failure, before our line about what could not be done.
void reportGlfwError(int /*code*/, const char* description) {
    std::cout << "ERROR::GLFW:: " << description << std::endl;
}

// Every pass sets its own viewport; the composite takes the window's from here.
void framebufferSizeCallback(GLFWwindow* /*window*/, int width, int height) {
    framebufferWidth = width;
    framebufferHeight = height;
}

void registerHandlers(GLFWwindow* window) {
    glfwSetFramebufferSizeCallback(window, framebufferSizeCallback);
    glfwSetKeyCallback(window, keyCallback);
    glfwSetCursorPosCallback(window, mouseCallback);
    glfwSetScrollCallback(window, scrollCallback);
    glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);
}

void setFixedGlState() {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
}

void runFrameLoop(GLFWwindow* window, Scene& scene) {
    while (!glfwWindowShouldClose(window)) {
        const float currentFrame = beginFrame(glfwGetTime());
        if (titleDue(currentFrame)) {
            const float now = static_cast<float>(glfwGetTime());
            showFps(window, framesPerSecond(fpsFrames), now);
            advanceTitleClock();
        }
        glfwPollEvents();
        if (pathPlayback) {
            playCameraPath(camera, frameIndex);
        } else {
            processInput(deltaTime);
        }
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.render(static_cast<float>(glfwGetTime()));
        glfwSwapBuffers(window);
        frameIndex += 1;
    }
}

// Ends start-up after a failure: nothing may touch GL without a context and entry points.
int abandonStartup(const char* message) {
    std::cout << message << std::endl;
    glfwTerminate();
    return 1;
}

} // namespace

int main() {
    // Started from elsewhere, the demo moves to the data installed beside it, or to the
    // project root the build recorded.
    const RunDirectorySearch search = enterRunDirectory(projectRoot);
    if (search.chosen.empty()) {
        std::cout << noRunDirectoryMessage(search, "the demo", true) << std::endl;
        return 1;
    }
    startReadingSceneFiles();
    glfwSetErrorCallback(reportGlfwError);
    if (glfwInit() == GLFW_FALSE) {
        return abandonStartup("ERROR::GLFW:: Failed to initialize GLFW");
    }
    GLFWwindow* window = createDemoWindow();
    if (window == nullptr) {
        return abandonStartup("ERROR::GLFW:: Failed to create the window");
    }
    glfwMakeContextCurrent(window);
    registerHandlers(window);
    if (gladLoadGL(glfwGetProcAddress) == 0) {
        return abandonStartup("Failed to initialize GLAD");
    }
    setFixedGlState();
    lastX = static_cast<float>(windowWidth) / 2.0f;
    lastY = static_cast<float>(windowHeight) / 2.0f;

    // The Scene lives on main's stack in zero-filled storage for the whole run.
    alignas(Scene) std::array<unsigned char, sizeof(Scene)> sceneStorage{};
    Scene* scene = new (sceneStorage.data()) Scene();

    runFrameLoop(window, *scene);

    glfwTerminate();
    scene->~Scene();
    return 0;
}
