#pragma once

struct GLFWwindow;

// The windows the tools open. Each makes its context current and loads the GL entry
// points; null when any step fails, with GLFW then terminated.

// An invisible window of the given size with an OpenGL 3.3 core context.
GLFWwindow* openHiddenWindow(int width, int height, const char* title);

// The demo's own window (its size, 4x multisampling, debug context), shown or not.
GLFWwindow* openDemoWindow(bool visible);

// The fixed GL state the demo sets before building its Scene.
void setDemoGlState();
