// Times whole frames of the demo's Scene (shadow pass, lighting, lamps, sky, stars,
// bloom) at views along the show, with glFinish so the GPU's work is counted.
// Run from the repository root; on a machine without a GPU it measures Mesa's
// software renderer. Usage: frame_benchmark [benchmark options]
#include "app/camera_path.h"
#include "app/frame_loop.h"
#include "effects/light_path.h"
#include "hidden_window.h"
#include "scene/scene.h"

#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr float showFrameRate = 60.0f;
// Path entries of the entrance hall, the corridor and the stars outside.
constexpr int benchmarkEntries[] = {0, 4200, 8700};

Scene* scene = nullptr;

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
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    glfwTerminate();
    return 0;
}
