#include "app/frame_loop.h"

#include <GLFW/glfw3.h>

#include <cstdio>

float deltaTime = 0.0f;
float lastFrame = 0.0f;
int fpsFrames = 0;
float fpsLastTime = 0.0f;
unsigned int frameIndex = 0;
int framebufferWidth = windowWidth;
int framebufferHeight = windowHeight;

float beginFrame(double t) {
    fpsFrames += 1;
    const float currentFrame = static_cast<float>(t);
    deltaTime = currentFrame - lastFrame;
    lastFrame = currentFrame;
    return currentFrame;
}

bool titleDue(float currentFrame) {
    return currentFrame - fpsLastTime >= static_cast<float>(titleInterval);
}

int framesPerSecond(int frames) {
    const double meanFrameTime = 1.0 / frames;
    return static_cast<int>(1.0 / meanFrameTime);
}

void advanceTitleClock() {
    fpsFrames = 0;
    fpsLastTime = static_cast<float>(fpsLastTime + titleInterval);
}

std::string fpsTitle(int fps, float time) {
    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "%f", static_cast<double>(time));
    return std::string(windowTitle) + " FPS: " + std::to_string(fps) + " Elapsed time: " + seconds +
           " seconds";
}

void showFps(GLFWwindow* window, int fps, float time) {
    glfwSetWindowTitle(window, fpsTitle(fps, time).c_str());
}
