// Times whole frames of the demo's Scene (shadow pass, lighting, lamps, sky, stars,
// bloom) at views along the show, with glFinish so the GPU's work is counted, and each
// pass of those frames, by GL timer queries and by the wall clock between glFinish
// calls. Then the same views again with every fragment shader made trivial (one texture
// read where the real one reads any, the same inputs and outputs): the floor that the
// passes themselves cost. Last, what recording adds to a frame: the same run of frames
// rendered alone, then rendered, read back and encoded to a file. Ends with a table of
// the frame, its passes and the floor per view. It finds the show's data as the demo does;
// on a machine without a GPU it measures Mesa's software renderer.
// Usage: frame_benchmark [benchmark options]
#include "gfx/registry.h"
#include "recorder.h"
#include "scene/scene.h"
#include "show/clock.h"
#include "show/data.h"
#include "show/window.h"
#include "timing/pass_timer.h"
#include "timing/startup_timer.h"

#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

// Path entries of the entrance hall, the corridor and the stars outside.
constexpr int benchmarkEntries[] = {0, 4200, 8700};
constexpr double frameMinSeconds = 2.0;
// Frames per view for the pass breakdown, alternating the two clocks.
constexpr int passFrames = 8;
// A run of consecutive frames in which the stars begin, rendered and recorded alike.
constexpr int runFirstFrame = 8490;
constexpr int runFrames = 60;
constexpr const char* runFile = "lanternfall-benchmark.mp4";
constexpr const char* toolName = "the frame benchmark";

Scene* scene = nullptr;

// The state set-up left, from which every view is brought to its place in the show.
SceneRunState showStart;

// Where the run of frames starts, put back before each run so both render the same frames.
SceneRunState runStart;

// The cheapest fragment shader per program that keeps its inputs and outputs. The
// depth pass's own shader is one expression already and stays.
const std::map<std::string, const char*> trivialFragmentShaders = {
    {"lamp", R"(#version 330 core
layout (location = 0) out vec4 FragColor;
layout (location = 1) out vec4 BrightColor;
in vec3 LocalPos;
void main() { FragColor = vec4(4.0, 3.2, 3.2, 1.0); BrightColor = FragColor; })"},
    {"normalMapping", R"(#version 330 core
layout (location = 0) out vec4 FragColor;
layout (location = 1) out vec4 BrightColor;
in vec3 FragPos;
in vec2 TexCoords;
in vec3 Normal;
in vec3 Tangent;
in vec3 Bitangent;
uniform sampler2D texture_diffuse;
void main() { FragColor = texture(texture_diffuse, TexCoords); BrightColor = vec4(0.0); })"},
    {"blur", R"(#version 330 core
layout (location = 0) out vec4 FragColor;
in vec2 TexCoords;
uniform sampler2D image;
void main() { FragColor = texture(image, TexCoords); })"},
    {"bloom", R"(#version 330 core
layout (location = 0) out vec4 FragColor;
in vec2 TexCoords;
uniform sampler2D scene;
void main() { FragColor = texture(scene, TexCoords); })"},
    {"cubeMap", R"(#version 330 core
layout (location = 0) out vec4 FragColor;
layout (location = 1) out vec4 BrightColor;
in vec3 Direction;
uniform samplerCube skybox;
void main() { FragColor = texture(skybox, Direction); BrightColor = vec4(0.0); })"},
    {"particle3D", R"(#version 330 core
layout (location = 0) out vec4 FragColor;
layout (location = 1) out vec4 BrightColor;
in vec2 TexCoords;
uniform sampler2D sprite;
void main() { FragColor = texture(sprite, TexCoords); BrightColor = FragColor; })"},
};

// Relinks each program object with its trivial fragment shader, so every handle the
// Scene holds stays valid, then looks the Scene's uniform locations up again.
bool makeFragmentShadersTrivial() {
    for (const auto& [name, source] : trivialFragmentShaders) {
        const GLuint program = getShader(name).ID;
        GLuint attached[3] = {};
        GLsizei count = 0;
        glGetAttachedShaders(program, 3, &count, attached);
        for (GLsizei i = 0; i < count; ++i) {
            GLint type = 0;
            glGetShaderiv(attached[i], GL_SHADER_TYPE, &type);
            if (type == GL_FRAGMENT_SHADER) {
                glDetachShader(program, attached[i]);
            }
        }
        const GLuint fragment = glCreateShader(GL_FRAGMENT_SHADER);
        glShaderSource(fragment, 1, &source, nullptr);
        glCompileShader(fragment);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (linked == 0) {
            std::fprintf(stderr, "The trivial shader for %s did not link\n", name.c_str());
            return false;
        }
    }
    scene->cacheUniformLocations();
    return true;
}

bool floorShadersInstalled = false;

bool ensureFloorShaders(benchmark::State& state) {
    if (!floorShadersInstalled) {
        floorShadersInstalled = makeFragmentShadersTrivial();
        if (!floorShadersInstalled) {
            state.SkipWithError("the trivial shaders did not link");
        }
    }
    return floorShadersInstalled;
}

// The view as the show has it: the camera, the light on its route and the stars.
void placeView(int entry) {
    bringSceneTo(*scene, showStart, entry, showFrameRate);
}

float entryTime(int entry) {
    return showTime(entry, showFrameRate);
}

// What the summary table shows per view: whole frame and each pass, for the real
// shaders and for the floor.
struct ViewFigures {
    double frameMs = 0.0;
    PassTotals timerQuery;
    PassTotals finishWall;
};
std::map<int, ViewFigures> realFigures;
std::map<int, ViewFigures> floorFigures;

void timeFrames(benchmark::State& state, ViewFigures& figures) {
    const int entry = static_cast<int>(state.range(0));
    placeView(entry);
    double total = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        scene->render(entryTime(entry));
        glFinish();
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count();
    }
    figures.frameMs = total / static_cast<double>(state.iterations());
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void timePasses(benchmark::State& state, ViewFigures& figures) {
    const int entry = static_cast<int>(state.range(0));
    placeView(entry);
    PassTimer timer;
    installPassTimer(timer, availablePassMarks());
    long frame = 0;
    for (auto _ : state) {
        const PassClock clock = frame++ % 2 == 0 ? PassClock::timerQuery : PassClock::finishWall;
        beginTimedFrame(timer, clock);
        scene->render(entryTime(entry));
        const std::vector<PassTime> times = endTimedFrame(timer);
        addFrame(clock == PassClock::timerQuery ? figures.timerQuery : figures.finishWall, times);
    }
    removePassTimer(timer);
    for (int p = 0; p < passCount; ++p) {
        const Pass pass = static_cast<Pass>(p);
        state.counters[passName(pass)] = meanMilliseconds(figures.timerQuery, pass);
    }
}

void renderFrame(benchmark::State& state) {
    timeFrames(state, realFigures[static_cast<int>(state.range(0))]);
}

void framePasses(benchmark::State& state) {
    timePasses(state, realFigures[static_cast<int>(state.range(0))]);
}

void floorFrame(benchmark::State& state) {
    if (ensureFloorShaders(state)) {
        timeFrames(state, floorFigures[static_cast<int>(state.range(0))]);
    }
}

void floorPasses(benchmark::State& state) {
    if (ensureFloorShaders(state)) {
        timePasses(state, floorFigures[static_cast<int>(state.range(0))]);
    }
}

void renderRun(benchmark::State& state) {
    restoreRunState(*scene, runStart);
    long frame = runFirstFrame;
    for (auto _ : state) {
        drawShowFrame(*scene, frame, showFrameRate);
        glFinish();
        ++frame;
    }
}

void recordRun(benchmark::State& state) {
    restoreRunState(*scene, runStart);
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

// One case per view: whole frames for at least frameMinSeconds, or the pass breakdown
// over passFrames frames.
void registerPerView(const char* name, void (*function)(benchmark::State&), bool passes) {
    for (int entry : benchmarkEntries) {
        auto* registered = benchmark::RegisterBenchmark(name, function)
                               ->Arg(entry)
                               ->Unit(benchmark::kMillisecond)
                               ->UseRealTime();
        if (passes) {
            registered->Iterations(passFrames);
        } else {
            registered->MinTime(frameMinSeconds);
        }
    }
}

// Markdown, ready for the README: per view, the passes by timer query / by glFinish
// wall clock, the whole frame, the floor and the ratio.
void printSummary() {
    if (realFigures.empty()) {
        return;
    }
    std::printf("\n| entry | pass | frame: query / wall ms | floor: query / wall ms |\n");
    std::printf("|---|---|---|---|\n");
    for (const auto& [entry, real] : realFigures) {
        const ViewFigures& floor = floorFigures[entry];
        for (int p = 0; p < passCount; ++p) {
            const Pass pass = static_cast<Pass>(p);
            std::printf(
                "| %d | %s | %.1f / %.1f | %.1f / %.1f |\n", entry, passName(pass),
                meanMilliseconds(real.timerQuery, pass), meanMilliseconds(real.finishWall, pass),
                meanMilliseconds(floor.timerQuery, pass), meanMilliseconds(floor.finishWall, pass));
        }
    }
    std::printf("\n| entry | frame ms | floor ms | ratio |\n|---|---|---|---|\n");
    for (const auto& [entry, real] : realFigures) {
        const double floorMs = floorFigures[entry].frameMs;
        std::printf("| %d | %.0f | %.0f | %.2f |\n", entry, real.frameMs, floorMs,
                    floorMs > 0.0 ? real.frameMs / floorMs : 0.0);
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!enterToolRunDirectory(toolName)) {
        return 1;
    }
    startReadingSceneFiles();
    // The demo's own window, so the frames and the start-up are those of the demo.
    if (openDemoWindow(false) == nullptr) {
        return 1;
    }
    setDemoGlState();
    setenv("ALSOFT_DRIVERS", "null", 0);
    startupTimes.processToWindowMs = millisecondsSinceProcessStart();
    startStartupTimer();
    auto owned = std::make_unique<Scene>();
    if (!dataComplete(missingSceneData(*owned), toolName)) {
        owned.reset();
        glfwTerminate();
        return 1;
    }
    scene = owned.get();
    showStart = saveRunState(*scene);
    startupTimes.windowToSceneMs = millisecondsSinceProcessStart() - startupTimes.processToWindowMs;
    placeView(0);
    scene->render(0.0f);
    glFinish();
    startupTimes.firstFrameMs = millisecondsSinceProcessStart() - startupTimes.processToWindowMs -
                                startupTimes.windowToSceneMs;
    stopStartupTimer();
    registerPerView("render_frame", renderFrame, false);
    registerPerView("frame_passes", framePasses, true);
    bringSceneTo(*scene, showStart, runFirstFrame, showFrameRate);
    runStart = saveRunState(*scene);
    benchmark::RegisterBenchmark("render_run", renderRun)
        ->Iterations(runFrames)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("record_run", recordRun)
        ->Iterations(runFrames)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    // Last: the trivial shaders replace the real ones for the rest of the process.
    registerPerView("floor_frame", floorFrame, false);
    registerPerView("floor_passes", floorPasses, true);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n");
    printStartupTimes(startupTimes, 0);
    printSummary();
    glfwTerminate();
    return 0;
}
