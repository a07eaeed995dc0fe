#pragma once

#include <array>

struct GLFWwindow;

// Key tables are indexed by GLFW key code; codes outside [0, keyCount) are ignored.
constexpr int keyCount = 1024;

extern std::array<bool, keyCount> keys;
// The current press of a key has already fired its one-shot action.
extern std::array<bool, keyCount> keysProcessed;
// The next cursor event only seeds lastX and lastY.
extern bool firstMouse;
extern float lastX;
extern float lastY;

// Records one key event and applies C (swap cameras, toggle the path). Returns
// true when the event asks the window to close (Escape pressed).
bool recordKeyEvent(int key, int action);

void keyCallback(GLFWwindow* window, int key, int scancode, int action, int mods);
void mouseCallback(GLFWwindow* window, double xpos, double ypos);
void scrollCallback(GLFWwindow* window, double xoffset, double yoffset);

// Free flight: turns held keys into movement, the bloom toggle and exposure.
void processInput(float deltaTime);
