#include "app/input.h"

#include "app/camera.h"
#include "app/camera_path.h"

#include <GLFW/glfw3.h>

std::array<bool, keyCount> keys{};
std::array<bool, keyCount> keysProcessed{};
bool firstMouse = true;
float lastX = 0.0f;
float lastY = 0.0f;

namespace {

void switchCameraMode() {
    const Camera live = camera;
    pathPlayback = !pathPlayback;
    camera = storedCamera;
    storedCamera = live;
}

} // namespace

bool recordKeyEvent(int key, int action) {
    bool closeRequested = false;
    if (key == GLFW_KEY_ESCAPE && action == GLFW_PRESS) {
        closeRequested = true;
    } else if (key == GLFW_KEY_C && action == GLFW_PRESS) {
        switchCameraMode();
    } else if (key < 0 || key >= keyCount) {
        return false;
    }
    if (action == GLFW_PRESS) {
        keys[key] = true;
    } else if (action == GLFW_RELEASE) {
        keys[key] = false;
    }
    keysProcessed[key] = false;
    return closeRequested;
}

void keyCallback(GLFWwindow* window, int key, int /*scancode*/, int action, int /*mods*/) {
    if (recordKeyEvent(key, action)) {
        glfwSetWindowShouldClose(window, GLFW_TRUE);
    }
}

void mouseCallback(GLFWwindow* /*window*/, double xpos, double ypos) {
    if (pathPlayback) {
        return;
    }
    if (firstMouse) {
        lastX = static_cast<float>(xpos);
        lastY = static_cast<float>(ypos);
        firstMouse = false;
    }
    const float xoffset = static_cast<float>(xpos - lastX);
    const float yoffset = static_cast<float>(lastY - ypos);
    lastX = static_cast<float>(xpos);
    lastY = static_cast<float>(ypos);
    camera.processMouseMovement(xoffset, yoffset);
}

void scrollCallback(GLFWwindow* /*window*/, double /*xoffset*/, double yoffset) {
    camera.processMouseScroll(static_cast<float>(yoffset));
}

void processInput(float deltaTime) {
    if (keys[GLFW_KEY_W]) {
        camera.processKeyboard(CameraMovement::forward, deltaTime);
    }
    if (keys[GLFW_KEY_S]) {
        camera.processKeyboard(CameraMovement::backward, deltaTime);
    }
    if (keys[GLFW_KEY_A]) {
        camera.processKeyboard(CameraMovement::left, deltaTime);
    }
    if (keys[GLFW_KEY_D]) {
        camera.processKeyboard(CameraMovement::right, deltaTime);
    }
    if (keys[GLFW_KEY_SPACE] && !keysProcessed[GLFW_KEY_SPACE]) {
        camera.processCommand("BLOOM", deltaTime);
        keysProcessed[GLFW_KEY_SPACE] = true;
    }
    if (keys[GLFW_KEY_Q]) {
        camera.processCommand("Q", deltaTime);
    } else if (keys[GLFW_KEY_E]) {
        camera.processCommand("E", deltaTime);
    }
}
