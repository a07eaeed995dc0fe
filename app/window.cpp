#include "app/window.h"

#include "app/frame_loop.h"

#include <GLFW/glfw3.h>

namespace {

constexpr int glVersionMajor = 3;
constexpr int glVersionMinor = 3;
constexpr int multisampleCount = 4;

} // namespace

GLFWwindow* createDemoWindow() {
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, glVersionMajor);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, glVersionMinor);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    glfwWindowHint(GLFW_SAMPLES, multisampleCount);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
    return glfwCreateWindow(windowWidth, windowHeight, windowTitle, nullptr, nullptr);
}
