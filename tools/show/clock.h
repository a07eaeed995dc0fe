#pragma once

#include "effects/light.h"
#include "effects/particle_pool.h"

#include <vector>

struct Scene;

// The rate the show is designed for: path entry n is shown at n / 60 s, deltaTime 1/60.
constexpr int showFrameRate = 60;

// The time stamp of frame n, as the Scene gets it.
float showTime(long frame, int fps);

// What the frame loop does before it renders frame n, on a clock that advances exactly
// 1 / fps per frame: the camera gets path entry n, deltaTime is 1 / fps.
void enterFrame(long frame, int fps);

// Moves the Scene's state (the light on its route, the star pool) on as rendering frames
// [first, end) would, without drawing them.
void catchUp(Scene& scene, long first, long end, int fps);

// What rendering frames changes in the Scene: the light on its route and the star pool.
// Saved and put back, it lets a run of frames be rendered again from the same start.
struct SceneRunState {
    Light light;
    float lightPathAngle = 0.0f;
    std::vector<Particle> particles;
    unsigned int lastUsedParticle = 0;
};

SceneRunState saveRunState(const Scene& scene);
void restoreRunState(Scene& scene, const SceneRunState& state);

// Brings the Scene to frame n of the show as playing it from its start reaches it: the
// state set-up left (showStart, saved right after the Scene was built), rand() as a new
// process has it (the stars draw on it), frames [0, n) caught up and frame n entered. The
// next Scene::render(showTime(n, fps)) draws frame n, whatever was rendered before.
void bringSceneTo(Scene& scene, const SceneRunState& showStart, long frame, int fps);

// Frame n as the demo's loop draws it, on the show's clock: entered, the window cleared
// and the Scene rendered at showTime(n, fps). The caller swaps or reads the window.
void drawShowFrame(Scene& scene, long frame, int fps);
