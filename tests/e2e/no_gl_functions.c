/* Preloaded in place of GLFW's glfwGetProcAddress: a driver that hands the program no
   OpenGL function, so loading GL fails after the window opened. */
#include <stddef.h>

typedef void (*GLFWglproc)(void);

GLFWglproc glfwGetProcAddress(const char* name) {
    (void)name;
    return NULL;
}
