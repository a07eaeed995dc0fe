#pragma once

#include "app/camera.h"
#include "frame_stats.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

constexpr const char* timedemoUsage =
    "usage: scripts/timedemo.sh [--from SECONDS] [--to SECONDS] [--csv FILE] [--plot FILE.png] "
    "[--passes] [--finish] [--overhead]";
constexpr const char* defaultTimedemoCsv = "build/timedemo.csv";
constexpr const char* defaultTimedemoPlot = "build/timedemo.png";
// The show's design rate: entry n is shown at n / 60 s with deltaTime 1/60.
constexpr int timedemoFps = 60;
// Frames at the start of a run that warm the driver up; hitches there are listed apart.
constexpr long warmUpFrames = 10;

struct TimedemoOptions {
    double from = 0.0;
    // Negative: as far as the recorder goes, past the last path entry.
    double to = -1.0;
    std::string csv = defaultTimedemoCsv;
    std::string plot = defaultTimedemoPlot;
    bool passes = false;
    bool finish = false;
    bool overhead = false;
    bool help = false;
};

// Reads the arguments after the program name. False, with one line of usage naming the
// problem, when they cannot be followed.
bool parseTimedemoOptions(const std::vector<std::string>& args, TimedemoOptions& options,
                          std::string& error);

std::string timedemoHelp();

// The stretches of the show the report averages over, by path entry: the rooms the
// camera passes through (from the keyframes' places in the expanded path), then the stars
// from starsFirstEntry to the end.
std::vector<ShowPart> showParts(const std::vector<Camera>& keyframes, long starsFirstEntry);

// The passes of the pass split, as CSV columns, in the order the frame draws them.
constexpr int splitPassCount = 6;
using PassSplit = std::array<double, splitPassCount>;

struct MachineInfo {
    std::string renderer;
    std::string version;
    std::string cpu;
};

// The processor's model name, from /proc/cpuinfo, with the number of cores.
std::string cpuName();

// Everything the report says, gathered by the run.
struct RunResult {
    MachineInfo machine;
    std::vector<FrameSample> frames;
    std::vector<float> showTimes;
    // Per frame, when the pass split was taken.
    std::vector<PassSplit> passes;
    long planned = 0;
    bool partial = false;
    bool finish = false;
};

// The report for standard output; its last line is "Average: N FPS".
std::string formatReport(const RunResult& run, const std::vector<ShowPart>& parts);

// One row per frame: entry, show time, frame time, the part, whether it is a hitch, and
// the passes when they were taken. False when the file cannot be written.
bool writeFrameCsv(const std::string& path, const RunResult& run,
                   const std::vector<ShowPart>& parts);
