// Plays the show as fast as the machine draws it, in the demo's own window, and reports
// the frame times: averages, percentiles, lows, hitches and the parts of the show, with a
// CSV of every frame and a chart of it. It finds the show's data as the demo does; see --help.
#include "app/camera_path.h"
#include "effects/particles.h"
#include "scene/scene.h"
#include "show/clock.h"
#include "show/data.h"
#include "show/progress.h"
#include "show/span.h"
#include "show/stop.h"
#include "show/window.h"
#include "timedemo.h"
#include "timing/pass_timer.h"
#include "timing/startup_timer.h"

#include <GLFW/glfw3.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

extern char** environ;

namespace {

constexpr const char* toolName = "the timedemo";
constexpr int usageStatus = 2;
constexpr int failureStatus = 1;
// A block of the overhead check: rendered bare, then timed, from the same state.
constexpr long overheadBlockFrames = 60;
constexpr const char* plotScript = "tools/timedemo/plot.py";
// Debian's own interpreter, the one its matplotlib package is installed for.
constexpr const char* plotPython = "/usr/bin/python3";
constexpr const char* silentSoundDriver = "null";

void closeOnEscape(GLFWwindow* window, int key, int /*scancode*/, int action, int /*mods*/) {
    if (key == GLFW_KEY_ESCAPE && action == GLFW_PRESS) {
        glfwSetWindowShouldClose(window, GLFW_TRUE);
    }
}

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

MachineInfo readMachine() {
    MachineInfo machine;
    const auto text = [](GLenum name) {
        const GLubyte* value = glGetString(name);
        return value != nullptr ? std::string(reinterpret_cast<const char*>(value)) : "unknown";
    };
    machine.renderer = text(GL_RENDERER);
    machine.version = text(GL_VERSION);
    machine.cpu = cpuName();
    return machine;
}

// The frame as the demo's loop makes it, on the show's clock.
void drawFrame(GLFWwindow* window, Scene& scene, long entry) {
    drawShowFrame(scene, entry, timedemoFps);
    glfwSwapBuffers(window);
}

// Times frames [first, end) from swap to swap into run, until a stop is asked for.
struct TimedRun {
    GLFWwindow* window = nullptr;
    Scene* scene = nullptr;
    bool finish = false;
    PassTimer* passTimer = nullptr;
    ProgressPrinter progress;
    Clock::time_point start;
    long total = 0;
};

void reportProgress(TimedRun& timed, long done, long entry, bool last) {
    const double elapsed = millisecondsBetween(timed.start, Clock::now()) / 1000.0;
    showProgress(timed.progress, done, timed.total, showTime(entry, timedemoFps), elapsed, last);
}

bool stopAsked(GLFWwindow* window) {
    return stopSignal != 0 || glfwWindowShouldClose(window) != 0;
}

void timeFrames(TimedRun& timed, RunResult& run, long first, long end) {
    Clock::time_point last = Clock::now();
    for (long entry = first; entry < end && !stopAsked(timed.window); ++entry) {
        glfwPollEvents();
        if (timed.passTimer != nullptr) {
            beginTimedFrame(*timed.passTimer, PassClock::timerQuery);
        }
        drawShowFrame(*timed.scene, entry, timedemoFps);
        if (timed.passTimer != nullptr) {
            PassSplit split{};
            for (const PassTime& pass : endTimedFrame(*timed.passTimer)) {
                split[static_cast<std::size_t>(pass.pass)] += pass.milliseconds;
            }
            run.passes.push_back(split);
        }
        glfwSwapBuffers(timed.window);
        if (timed.finish) {
            glFinish();
        }
        const Clock::time_point now = Clock::now();
        run.frames.push_back({entry, millisecondsBetween(last, now)});
        run.showTimes.push_back(showTime(entry, timedemoFps));
        last = now;
        reportProgress(timed, static_cast<long>(run.frames.size()), entry, false);
    }
}

// Renders the range in blocks, each twice from the same state: bare (the frame and the
// swap, one clock reading for the block) and timed as the report's frames are. Returns
// {bare ms, timed ms} in all.
std::pair<double, double> measureOverhead(TimedRun& timed, RunResult& run, long first, long end) {
    double bareMs = 0.0;
    double timedMs = 0.0;
    for (long block = first; block < end && !stopAsked(timed.window);
         block += overheadBlockFrames) {
        const long blockEnd = std::min(block + overheadBlockFrames, end);
        const SceneRunState state = saveRunState(*timed.scene);
        glFinish();
        const Clock::time_point bareStart = Clock::now();
        for (long entry = block; entry < blockEnd; ++entry) {
            drawFrame(timed.window, *timed.scene, entry);
        }
        glFinish();
        bareMs += millisecondsBetween(bareStart, Clock::now());
        restoreRunState(*timed.scene, state);
        const std::size_t before = run.frames.size();
        timeFrames(timed, run, block, blockEnd);
        glFinish();
        for (std::size_t i = before; i < run.frames.size(); ++i) {
            timedMs += run.frames[i].ms;
        }
        if (static_cast<long>(run.frames.size() - before) < blockEnd - block) {
            break;
        }
    }
    return {bareMs, timedMs};
}

// The chart, drawn by the plotting script from the CSV. False when it could not be made.
bool drawPlot(const std::string& csv, const std::string& plot, const RunResult& run) {
    const std::string median = std::to_string(percentileFrame(run.frames, 50.0).ms);
    const std::string p99 = std::to_string(percentileFrame(run.frames, 99.0).ms);
    std::string title = run.machine.renderer + (run.partial ? " (partial run)" : "");
    std::vector<std::string> command = {plotPython, plotScript, csv, plot, median, p99, title};
    std::vector<char*> argv;
    for (std::string& arg : command) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Whether the file can be written, leaving none where there was none.
bool canWrite(const std::string& path) {
    std::error_code error;
    const bool existed = std::filesystem::exists(path, error);
    if (!std::ofstream(path, std::ios::app)) {
        return false;
    }
    if (!existed) {
        std::filesystem::remove(path, error);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    TimedemoOptions options;
    std::string error;
    if (!parseTimedemoOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << error << std::endl;
        return usageStatus;
    }
    if (options.help) {
        std::cout << timedemoHelp();
        return 0;
    }
    options.csv = fromStartFolder(options.csv, defaultTimedemoCsv);
    options.plot = fromStartFolder(options.plot, defaultTimedemoPlot);
    if (!enterToolRunDirectory(toolName)) {
        return failureStatus;
    }
    const FrameSpan span = framesBetween(options.from, options.to, timedemoFps, cameraPath.size());
    if (span.first >= span.end) {
        std::cerr << "timedemo: no frame lies between --from and --to; " << timedemoUsage
                  << std::endl;
        return usageStatus;
    }

    // Before anything is rendered: a CSV that cannot be written fails at once.
    if (!canWrite(options.csv)) {
        std::cerr << "timedemo: cannot write " << options.csv << " (" << std::strerror(errno) << ")"
                  << std::endl;
        return failureStatus;
    }
    installStopHandlers();
    startReadingSceneFiles();
    GLFWwindow* window = openDemoWindow(true);
    if (window == nullptr) {
        std::cerr << "ERROR::TIMEDEMO:: No window with an OpenGL 3.3 core context" << std::endl;
        return failureStatus;
    }
    // No cap on the frame rate; Escape ends the run as Ctrl-C does.
    glfwSwapInterval(0);
    glfwSetKeyCallback(window, closeOnEscape);
    setDemoGlState();
    setenv("ALSOFT_DRIVERS", silentSoundDriver, 1);
    startupTimes.processToWindowMs = millisecondsSinceProcessStart();
    startStartupTimer();
    auto scene = std::make_unique<Scene>();
    startupTimes.windowToSceneMs = millisecondsSinceProcessStart() - startupTimes.processToWindowMs;
    stopStartupTimer();
    if (!dataComplete(missingSceneData(*scene), toolName)) {
        glfwTerminate();
        return failureStatus;
    }

    RunResult run;
    run.machine = readMachine();
    run.planned = span.end - span.first;
    run.finish = options.finish;
    run.frames.reserve(static_cast<std::size_t>(run.planned));
    run.showTimes.reserve(static_cast<std::size_t>(run.planned));
    catchUp(*scene, 0, span.first, timedemoFps);

    PassTimer passTimer;
    TimedRun timed;
    timed.window = window;
    timed.scene = scene.get();
    timed.finish = options.finish;
    timed.total = run.planned;
    timed.progress = progressOnStandardError();
    if (options.passes) {
        installPassTimer(passTimer, availablePassMarks());
        timed.passTimer = &passTimer;
        run.passes.reserve(static_cast<std::size_t>(run.planned));
    }
    timed.start = Clock::now();

    if (options.overhead) {
        const auto [bareMs, timedMs] = measureOverhead(timed, run, span.first, span.end);
        reportProgress(timed, static_cast<long>(run.frames.size()),
                       span.first + static_cast<long>(run.frames.size()) - 1, true);
        const double frames = static_cast<double>(run.frames.size());
        std::printf("Overhead over %zu frames, each rendered bare and timed: bare %.2f ms, "
                    "timed %.2f ms per frame: the timedemo adds %+.2f %%\n",
                    run.frames.size(), bareMs / frames, timedMs / frames,
                    bareMs > 0.0 ? (timedMs / bareMs - 1.0) * 100.0 : 0.0);
        glfwTerminate();
        return statusAfterStop();
    }

    timeFrames(timed, run, span.first, span.first + 1);
    const double firstFrameMs = run.frames.empty() ? 0.0 : run.frames.front().ms;
    timeFrames(timed, run, span.first + 1, span.end);
    reportProgress(timed, static_cast<long>(run.frames.size()),
                   span.first + static_cast<long>(run.frames.size()) - 1, true);
    run.partial = static_cast<long>(run.frames.size()) < run.planned;
    if (options.passes) {
        removePassTimer(passTimer);
    }
    glfwTerminate();

    const std::vector<ShowPart> parts =
        showParts(pathKeyframes, static_cast<long>(starsStartTime * timedemoFps) + 1);
    startupTimes.firstFrameMs = firstFrameMs;
    printStartupTimes(startupTimes, span.first);
    std::fflush(stdout);
    if (!writeFrameCsv(options.csv, run, parts)) {
        std::cerr << "timedemo: cannot write " << options.csv << std::endl;
    } else if (!drawPlot(options.csv, options.plot, run)) {
        std::cerr << "timedemo: no plot written to " << options.plot
                  << " (it needs python3 with matplotlib: apt-get install python3-matplotlib)"
                  << std::endl;
    }
    std::cout << formatReport(run, parts) << std::flush;
    return statusAfterStop();
}
