#pragma once

// The size of the window and of every full-screen render target.
constexpr int screenWidth = 1280;
constexpr int screenHeight = 768;
constexpr float screenAspect = static_cast<float>(screenWidth) / static_cast<float>(screenHeight);
