#include "startup_timer.h"

#include <glad/gl.h>

#include <assimp/Importer.hpp>

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
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
std::mutex workerMutex;

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

// The linker sends the renderer's calls of these functions (by their C++ symbol names)
// to the __wrap_ versions, and the __real_ names to the functions themselves.
extern "C" {

unsigned char* __real__Z15SOIL_load_imagePKcPiS1_S1_i(const char*, int*, int*, int*, int);
unsigned char* __real__Z9loadImagePKcPiS1_i(const char*, int*, int*, int);
const aiScene* __real__ZN6Assimp8Importer8ReadFileEPKcj(Assimp::Importer*, const char*,
                                                        unsigned int);

unsigned char* __wrap__Z15SOIL_load_imagePKcPiS1_S1_i(const char* file, int* width, int* height,
                                                      int* channels, int force) {
    // The main thread decodes only inside loadImage, which is timed itself.
    if (std::this_thread::get_id() == mainThread) {
        return __real__Z15SOIL_load_imagePKcPiS1_S1_i(file, width, height, channels, force);
    }
    const double start = nowMilliseconds();
    unsigned char* pixels =
        __real__Z15SOIL_load_imagePKcPiS1_S1_i(file, width, height, channels, force);
    std::lock_guard<std::mutex> lock(workerMutex);
    if (counting) {
        startupTimes.workerDecodingMs += nowMilliseconds() - start;
    }
    return pixels;
}

unsigned char* __wrap__Z9loadImagePKcPiS1_i(const char* file, int* width, int* height,
                                            int channels) {
    return timed(startupTimes.decodingWaitMs,
                 [&] { return __real__Z9loadImagePKcPiS1_i(file, width, height, channels); });
}

const aiScene* __wrap__ZN6Assimp8Importer8ReadFileEPKcj(Assimp::Importer* importer,
                                                        const char* file, unsigned int flags) {
    return timed(startupTimes.modelImportMs,
                 [&] { return __real__ZN6Assimp8Importer8ReadFileEPKcj(importer, file, flags); });
}
}

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

// Swaps each entry point with its timed stand-in; a second call swaps them back.
void swapEntryPoints() {
    std::swap(glad_glCompileShader, realCompileShader);
    std::swap(glad_glLinkProgram, realLinkProgram);
    std::swap(glad_glTexImage2D, realTexImage2D);
    std::swap(glad_glGenerateMipmap, realGenerateMipmap);
    std::swap(glad_glBufferData, realBufferData);
}

void startStartupTimer() {
    mainThread = std::this_thread::get_id();
    swapEntryPoints();
    std::lock_guard<std::mutex> lock(workerMutex);
    counting = true;
}

void stopStartupTimer() {
    swapEntryPoints();
    std::lock_guard<std::mutex> lock(workerMutex);
    counting = false;
}
