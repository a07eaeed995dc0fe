// Times whole frames of the demo's Scene (shadow pass, lighting, lamps, sky, stars,
// bloom) at views along the show, with glFinish so the GPU's work is counted, and what
// recording adds to a frame: the same run of frames rendered alone, then rendered, read
// back and encoded to a file. Run from the repository root; on a machine without a GPU it
// measures Mesa's software renderer. Usage: frame_benchmark [benchmark options]
#include "app/camera_path.h"
#include "app/frame_loop.h"
#include "effects/light_path.h"
#include "hidden_window.h"
#include "recorder.h"
#include "scene/scene.h"

#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

constexpr float showFrameRate = 60.0f;
// Path entries of the entrance hall, the corridor and the stars outside.
constexpr int benchmarkEntries[] = {0, 4200, 8700};
// A run of consecutive frames in which the stars begin, rendered and recorded alike.
constexpr int runFirstFrame = 8490;
constexpr int runFrames = 60;
constexpr const char* runFile = "lanternfall-benchmark.mp4";

Scene* scene = nullptr;

// What a run of frames changes in the Scene, put back before each run so both runs
// render the same frames.
struct RunStart {
    Light light;
    float lightPathAngle = 0.0f;
    std::vector<Particle> particles;
    unsigned int lastUsedParticle = 0;
};

RunStart runStart;

void restoreRunStart() {
    scene->lights[0] = runStart.light;
    scene->lightPathAngle = runStart.lightPathAngle;
    scene->particles->particles = runStart.particles;
    scene->particles->lastUsedParticle = runStart.lastUsedParticle;
}

void renderFrame(benchmark::State& state) {
    const int entry = static_cast<int>(state.range(0));
    const float time = static_cast<float>(entry) / showFrameRate;
    playCameraPath(camera, static_cast<unsigned int>(entry));
    scene->lights[0].position = pointLightRoute(entry, showFrameRate).back();
    deltaTime = 1.0f / showFrameRate;
    for (auto _ : state) {
        scene->render(time);
        glFinish();
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void renderRun(benchmark::State& state) {
    restoreRunStart();
    const int fps = static_cast<int>(showFrameRate);
    long frame = runFirstFrame;
    for (auto _ : state) {
        enterFrame(frame, fps);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene->render(showTime(frame, fps));
        glFinish();
        ++frame;
    }
}

void recordRun(benchmark::State& state) {
    restoreRunStart();
    const std::string path = (std::filesystem::temp_directory_path() / runFile).string();
    RecordOptions options;
    auto recording = std::make_unique<Recording>();
    std::string reason;
    if (!createVideoFile(recording->file, path) ||
        !openMusicTrack(recording->music, musicPath, showTime(runFirstFrame, options.fps),
                        reason) ||
        !startRecording(*recording, options, runFirstFrame)) {
        state.SkipWithError(recording->file.error.empty() ? reason.c_str()
                                                          : recording->file.error.c_str());
        return;
    }
    long recorded = 0;
    for (auto _ : state) {
        recordFrame(*recording, *scene);
        glFinish();
        // The frames still queued for the encoder are part of the cost.
        if (++recorded == state.max_iterations) {
            finishRecording(*recording);
        }
    }
    std::remove(path.c_str());
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (openHiddenWindow(screenWidth, screenHeight, "Lanternfall benchmark") == nullptr) {
        return 1;
    }
    setDemoGlState();
    setenv("ALSOFT_DRIVERS", "null", 0);
    auto owned = std::make_unique<Scene>();
    scene = owned.get();
    for (int entry : benchmarkEntries) {
        benchmark::RegisterBenchmark("render_frame", renderFrame)
            ->Arg(entry)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    catchUp(*scene, 0, runFirstFrame, static_cast<int>(showFrameRate));
    runStart = RunStart{scene->lights[0], scene->lightPathAngle, scene->particles->particles,
                        scene->particles->lastUsedParticle};
    benchmark::RegisterBenchmark("render_run", renderRun)
        ->Iterations(runFrames)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("record_run", recordRun)
        ->Iterations(runFrames)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    glfwTerminate();
    return 0;
}
