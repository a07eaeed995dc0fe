#include "support/gl_context.h"

#include <glad/gl.h>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdlib>

std::vector<std::string> glErrors;

namespace {

void GLAPIENTRY collectGlError(GLenum, GLenum type, GLuint, GLenum severity, GLsizei,
                               const GLchar* message, const void*) {
    if (type == GL_DEBUG_TYPE_ERROR || severity == GL_DEBUG_SEVERITY_HIGH) {
        glErrors.emplace_back(message);
    }
}

GLFWwindow* createHiddenContext(int width, int height) {
    if (glfwInit() == GLFW_FALSE) {
        return nullptr;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(width, height, "tests", nullptr, nullptr);
    if (window == nullptr) {
        return nullptr;
    }
    glfwMakeContextCurrent(window);
    if (gladLoadGL(glfwGetProcAddress) == 0) {
        return nullptr;
    }
    std::atexit(glfwTerminate);
    return window;
}

} // namespace

void requireGlContext(int width, int height) {
    static GLFWwindow* const window = createHiddenContext(width, height);
    ASSERT_NE(window, nullptr) << "no OpenGL 3.3 core context (is an X display available?)";
}

void listenForGlErrors() {
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(collectGlError, nullptr);
}
