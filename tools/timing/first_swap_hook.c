// Preloaded into the demo (LD_PRELOAD) by scripts/startup.sh: when the first buffer swap
// returns, prints the milliseconds since LANTERNFALL_START_NS (the wall clock in
// nanoseconds, taken just before the demo was started) and ends the process.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef struct GLFWwindow GLFWwindow;

void glfwSwapBuffers(GLFWwindow* window) {
    void (*realSwap)(GLFWwindow*) = (void (*)(GLFWwindow*))dlsym(RTLD_NEXT, "glfwSwapBuffers");
    realSwap(window);
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const char* start = getenv("LANTERNFALL_START_NS");
    const double startNs = start != NULL ? strtod(start, NULL) : 0.0;
    const double nowNs = (double)now.tv_sec * 1e9 + (double)now.tv_nsec;
    fprintf(stderr, "first frame after %.0f ms\n", (nowNs - startNs) / 1e6);
    _exit(0);
}
