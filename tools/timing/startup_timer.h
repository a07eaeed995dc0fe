#pragma once

// Where the time from process start to the first finished frame goes. Started before the
// Scene is built, it times the calls set-up makes on the main thread:
// - shader compilation: glCompileShader and glLinkProgram;
// - uploads: glTexImage2D, glGenerateMipmap and glBufferData;
// and takes from the file readers ahead (gfx/prefetch_times.h) how long set-up waited for
// the images and the model, and how long the workers decoded. The GL calls are timed
// through glad's entry points; nothing in the Scene changes.
struct StartupTimes {
    double processToWindowMs = 0.0;
    double windowToSceneMs = 0.0;
    double firstFrameMs = 0.0;
    double shaderCompilationMs = 0.0;
    double uploadsMs = 0.0;
    double decodingWaitMs = 0.0;
    double workerDecodingMs = 0.0;
    double modelWaitMs = 0.0;
};

// Milliseconds since this process started, from the kernel's record of its start.
double millisecondsSinceProcessStart();

// Wraps the GL entry points; call after the loader has run, before building the Scene.
void startStartupTimer();
// Stops counting; the figures stay in startupTimes.
void stopStartupTimer();

extern StartupTimes startupTimes;

// The figures on standard output, a line each; firstEntry is the path entry of the first
// frame.
void printStartupTimes(const StartupTimes& times, long firstEntry);
