#include "startup_timer.h"

#include "gfx/prefetch_times.h"

#include <glad/gl.h>

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

StartupTimes startupTimes;

namespace {

// The field of /proc/self/stat that holds the start time, in clock ticks since boot.
constexpr int statStartTimeField = 22;

std::thread::id mainThread;
bool counting = false;
PrefetchTimes prefetchAtStart;

double nowMilliseconds() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

bool onMainThread() {
    return counting && std::this_thread::get_id() == mainThread;
}

// Adds the time a call takes to total when it runs on the main thread while counting.
template <typename Call> auto timed(double& total, Call call) {
    const bool count = onMainThread();
    const double start = count ? nowMilliseconds() : 0.0;
    if constexpr (std::is_void_v<decltype(call())>) {
        call();
        if (count) {
            total += nowMilliseconds() - start;
        }
    } else {
        auto result = call();
        if (count) {
            total += nowMilliseconds() - start;
        }
        return result;
    }
}

// Before start: the timed stand-ins; while timing: the loader's own entry points.
void GLAD_API_PTR timedCompileShader(GLuint shader);
void GLAD_API_PTR timedLinkProgram(GLuint program);
void GLAD_API_PTR timedTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                  GLsizei height, GLint border, GLenum format, GLenum type,
                                  const void* pixels);
void GLAD_API_PTR timedGenerateMipmap(GLenum target);
void GLAD_API_PTR timedBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage);
PFNGLCOMPILESHADERPROC realCompileShader = timedCompileShader;
PFNGLLINKPROGRAMPROC realLinkProgram = timedLinkProgram;
PFNGLTEXIMAGE2DPROC realTexImage2D = timedTexImage2D;
PFNGLGENERATEMIPMAPPROC realGenerateMipmap = timedGenerateMipmap;
PFNGLBUFFERDATAPROC realBufferData = timedBufferData;

void GLAD_API_PTR timedCompileShader(GLuint shader) {
    timed(startupTimes.shaderCompilationMs, [&] { realCompileShader(shader); });
}

void GLAD_API_PTR timedLinkProgram(GLuint program) {
    timed(startupTimes.shaderCompilationMs, [&] { realLinkProgram(program); });
}

void GLAD_API_PTR timedTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                  GLsizei height, GLint border, GLenum format, GLenum type,
                                  const void* pixels) {
    timed(startupTimes.uploadsMs, [&] {
        realTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
    });
}

void GLAD_API_PTR timedGenerateMipmap(GLenum target) {
    timed(startupTimes.uploadsMs, [&] { realGenerateMipmap(target); });
}

void GLAD_API_PTR timedBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
    timed(startupTimes.uploadsMs, [&] { realBufferData(target, size, data, usage); });
}

} // namespace

double millisecondsSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name, field 2, may hold spaces; the fields after it do not.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= statStartTimeField && fields >> field; ++i) {
    }
    timespec boot{};
    clock_gettime(CLOCK_BOOTTIME, &boot);
    const double bootMs = static_cast<double>(boot.tv_sec) * 1e3 + boot.tv_nsec * 1e-6;
    const double startMs = std::stod(field) * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return bootMs - startMs;
}

namespace {

// Swaps each entry point with its timed stand-in; a second call swaps them back.
void swapEntryPoints() {
    std::swap(glad_glCompileShader, realCompileShader);
    std::swap(glad_glLinkProgram, realLinkProgram);
    std::swap(glad_glTexImage2D, realTexImage2D);
    std::swap(glad_glGenerateMipmap, realGenerateMipmap);
    std::swap(glad_glBufferData, realBufferData);
}

} // namespace

void startStartupTimer() {
    mainThread = std::this_thread::get_id();
    prefetchAtStart = prefetchTimes();
    swapEntryPoints();
    counting = true;
}

void stopStartupTimer() {
    swapEntryPoints();
    counting = false;
    const PrefetchTimes now = prefetchTimes();
    startupTimes.decodingWaitMs += now.imageWaitMs - prefetchAtStart.imageWaitMs;
    startupTimes.modelWaitMs += now.modelWaitMs - prefetchAtStart.modelWaitMs;
    // The workers start before the window opens: all their decoding belongs to start-up.
    startupTimes.workerDecodingMs += now.workerDecodingMs;
}

void printStartupTimes(const StartupTimes& t, long firstEntry) {
    const std::string first = "first frame (entry " + std::to_string(firstEntry) + ")";
    const struct {
        const char* label;
        double ms;
    } rows[] = {
        {"process start to window", t.processToWindowMs},
        {"Scene set-up", t.windowToSceneMs},
        {"  shader compilation", t.shaderCompilationMs},
        {"  uploads (textures, buffers)", t.uploadsMs},
        {"  image decoding waited for", t.decodingWaitMs},
        {"  model import waited for", t.modelWaitMs},
        {first.c_str(), t.firstFrameMs},
        {"process start to first frame", t.processToWindowMs + t.windowToSceneMs + t.firstFrameMs},
        {"(decoding on worker threads)", t.workerDecodingMs},
    };
    std::printf("Start-up (the demo's window):\n");
    for (const auto& row : rows) {
        std::printf("  %-32s %7.0f ms\n", row.label, row.ms);
    }
}
