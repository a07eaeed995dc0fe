#pragma once

struct GLFWwindow;

// Opens the demo's window: 1280 x 768, not resizable, with a 4x multisampled OpenGL 3.3
// core debug context. GLFW must be initialised; null when the window cannot be made.
GLFWwindow* createDemoWindow();
