#include "show/clock.h"

#include "app/camera.h"
#include "app/camera_path.h"
#include "app/frame_loop.h"
#include "effects/particles.h"
#include "scene/scene.h"

#include <cstdlib>

namespace {

// rand() in a process that never seeds it runs as if seeded with 1.
constexpr unsigned int freshProcessSeed = 1;

} // namespace

float showTime(long frame, int fps) {
    return static_cast<float>(frame) / static_cast<float>(fps);
}

void enterFrame(long frame, int fps) {
    deltaTime = 1.0f / static_cast<float>(fps);
    frameIndex = static_cast<unsigned int>(frame);
    playCameraPath(camera, frameIndex);
}

// The state half of a frame of Scene::render, in its order: the light moves on its route,
// then, past the stars' start, the pool is updated.
void catchUp(Scene& scene, long first, long end, int fps) {
    for (long n = first; n < end; ++n) {
        enterFrame(n, fps);
        const float time = showTime(n, fps);
        scene.moveLight(scene.lights[0], deltaTime, time);
        if (time > starsStartTime) {
            scene.particles->update(deltaTime, starEmitterPosition, starVelocityBias);
        }
    }
}

SceneRunState saveRunState(const Scene& scene) {
    return {scene.lights[0], scene.lightPathAngle, scene.particles->particles,
            scene.particles->lastUsedParticle};
}

void restoreRunState(Scene& scene, const SceneRunState& state) {
    scene.lights[0] = state.light;
    scene.lightPathAngle = state.lightPathAngle;
    scene.particles->particles = state.particles;
    scene.particles->lastUsedParticle = state.lastUsedParticle;
}

void bringSceneTo(Scene& scene, const SceneRunState& showStart, long frame, int fps) {
    restoreRunState(scene, showStart);
    std::srand(freshProcessSeed);
    catchUp(scene, 0, frame, fps);
    enterFrame(frame, fps);
}

void drawShowFrame(Scene& scene, long frame, int fps) {
    enterFrame(frame, fps);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.render(showTime(frame, fps));
}
