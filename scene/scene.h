#pragma once

#include "app/camera.h"

// Owns the demo's resources and draws one frame. Constructed with the GL context
// current and its entry points loaded.
struct Scene {
    // This frame's copy of the live camera.
    Camera frameCamera;

    Scene();
    // Draws one complete frame into the default framebuffer; time in seconds.
    void render(float time);
};
