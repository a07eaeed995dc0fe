#pragma once

#include "gfx/screen.h"

#include <string>

struct GLFWwindow;

constexpr int windowWidth = screenWidth;
constexpr int windowHeight = screenHeight;
constexpr const char* windowTitle = "Lanternfall";
// The title is refreshed once this many seconds have passed since the last refresh.
constexpr double titleInterval = 1.0;

// Seconds between the starts of the last two frames.
extern float deltaTime;
// Timer value at the start of the previous frame.
extern float lastFrame;
// Frames started since the last title update.
extern int fpsFrames;
// Time stamp of the last title update; advances by titleInterval per update.
extern float fpsLastTime;
// Frames rendered since start; indexes the camera path.
extern unsigned int frameIndex;
// The window's framebuffer in pixels, as last reported; the frame's last pass fills it.
extern int framebufferWidth;
extern int framebufferHeight;

// Frame step 1: counts the frame and updates deltaTime from the timer reading t.
// Returns the frame's start time.
float beginFrame(double t);

// Whether the title is due at a frame that started at currentFrame.
bool titleDue(float currentFrame);

// The frame-rate figure for a title update after fpsFrames frames.
int framesPerSecond(int frames);

// Resets the frame count and advances fpsLastTime after a title update.
void advanceTitleClock();

std::string fpsTitle(int fps, float time);

void showFps(GLFWwindow* window, int fps, float time);
