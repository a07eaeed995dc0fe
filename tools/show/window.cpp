#include "show/window.h"

#include "app/window.h"

#include <glad/gl.h>

#include <GLFW/glfw3.h>

namespace {

// Makes the window's context current and loads the GL entry points. Null, with GLFW
// terminated, when there is no window or the entry points do not load.
GLFWwindow* withLoadedContext(GLFWwindow* window) {
    if (window != nullptr) {
        glfwMakeContextCurrent(window);
        if (gladLoadGL(glfwGetProcAddress) != 0) {
            return window;
        }
    }
    glfwTerminate();
    return nullptr;
}

} // namespace

GLFWwindow* openHiddenWindow(int width, int height, const char* title) {
    if (glfwInit() == GLFW_FALSE) {
        return nullptr;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    return withLoadedContext(glfwCreateWindow(width, height, title, nullptr, nullptr));
}

GLFWwindow* openDemoWindow(bool visible) {
    if (glfwInit() == GLFW_FALSE) {
        return nullptr;
    }
    glfwWindowHint(GLFW_VISIBLE, visible ? GLFW_TRUE : GLFW_FALSE);
    return withLoadedContext(createDemoWindow());
}

void setDemoGlState() {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
}
