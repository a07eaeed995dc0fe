#pragma once

struct GLFWwindow;

// Opens an invisible window of the given size with a current OpenGL 3.3 core
// context and loads the GL entry points. Null when any step fails; GLFW is then
// terminated.
GLFWwindow* openHiddenWindow(int width, int height, const char* title);

// The demo's own window (its size, 4x multisampling, debug context), shown or not, with
// its context current and the GL entry points loaded. Null when any step fails; GLFW is
// then terminated.
GLFWwindow* openDemoWindow(bool visible);

// The fixed GL state the demo sets before building its Scene.
void setDemoGlState();
