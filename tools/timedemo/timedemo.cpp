#include "timedemo.h"

#include "show/span.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

// Where each stretch of the show begins, as a row of the keyframe table: the hall's
// pillars come into view at row 5, the camera passes into the gallery at row 24, into
// the corridor at row 40, and starts up the stairs at row 73.
struct PartStart {
    const char* name;
    std::size_t keyframe;
};
constexpr PartStart partStarts[] = {
    {"entrance hall", 0}, {"pillared hall", 5},       {"gallery and chapel", 24},
    {"corridor", 40},     {"stairs and outside", 73},
};
constexpr const char* starsPartName = "stars";

constexpr const char* passColumns[splitPassCount] = {"shadow_ms", "lighting_ms", "lamps_sky_ms",
                                                     "stars_ms",  "blur_ms",     "composite_ms"};
constexpr double listedPercentiles[] = {50.0, 95.0, 99.0};
constexpr const char* percentileNames[] = {"median", "95th percentile", "99th percentile"};
constexpr double lowPercents[] = {1.0, 0.1};
constexpr const char* lowNames[] = {"1% low", "0.1% low"};
constexpr std::size_t listedHitches = 10;
constexpr std::size_t formatBufferSize = 256;
constexpr double millisecondsPerSecond = 1000.0;

bool usageError(std::string& error, const std::string& problem) {
    error = "timedemo: " + problem + "; " + timedemoUsage;
    return false;
}

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

std::string format(const char* pattern, ...) {
    char text[formatBufferSize];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(text, sizeof text, pattern, arguments);
    va_end(arguments);
    return text;
}

double fps(double ms) {
    return ms > 0.0 ? millisecondsPerSecond / ms : 0.0;
}

double totalSeconds(const std::vector<FrameSample>& frames) {
    double ms = 0.0;
    for (const FrameSample& frame : frames) {
        ms += frame.ms;
    }
    return ms / millisecondsPerSecond;
}

} // namespace

bool parseTimedemoOptions(const std::vector<std::string>& args, TimedemoOptions& options,
                          std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        }
        if (arg == "--passes") {
            options.passes = true;
            continue;
        }
        if (arg == "--finish") {
            options.finish = true;
            continue;
        }
        if (arg == "--overhead") {
            options.overhead = true;
            continue;
        }
        if (arg != "--from" && arg != "--to" && arg != "--csv" && arg != "--plot") {
            return usageError(error, "unknown option " + arg);
        }
        if (i + 1 == args.size()) {
            return usageError(error, arg + " needs a value");
        }
        const std::string& value = args[++i];
        if (arg == "--csv" || arg == "--plot") {
            if (value.empty()) {
                return usageError(error, arg + " needs a file name");
            }
            (arg == "--csv" ? options.csv : options.plot) = value;
            continue;
        }
        std::string problem;
        if (!readShowSeconds(arg, value, arg == "--from" ? options.from : options.to, problem)) {
            return usageError(error, problem);
        }
    }
    if (options.to >= 0.0 && options.from >= options.to) {
        return usageError(error, "--from must be below --to");
    }
    return true;
}

std::string timedemoHelp() {
    std::ostringstream help;
    help << timedemoUsage << "\n\n"
         << "Plays the show as fast as this machine draws it: path entry n at n/60 s of show\n"
         << "time, as a 60 fps viewer would see it, with no frame cap (swap interval 0). Each\n"
         << "frame is timed from buffer swap to buffer swap. Ends with a report of the frame\n"
         << "times; its last line is \"Average: N FPS\".\n\n"
         << "  --from SECONDS  show time of the first frame (default 0)\n"
         << "  --to SECONDS    show time to stop at (default: the stars' end, as the recorder)\n"
         << "  --csv FILE      one row per frame (default " << defaultTimedemoCsv << ")\n"
         << "  --plot FILE     the frame times as a PNG chart (default " << defaultTimedemoPlot
         << ";\n"
         << "                  needs python3-matplotlib)\n"
         << "  --passes        also time each pass of every frame (GL timer queries); this\n"
         << "                  slows each frame a little\n"
         << "  --finish        glFinish after each swap, so no frame's work is left queued\n"
         << "  --overhead      render the range twice, bare and timed, in alternating blocks,\n"
         << "                  and report what the timing adds\n\n"
         << "Ctrl-C (or Escape in the window) stops after the current frame and reports the\n"
         << "frames done.\n";
    return help.str();
}

std::vector<ShowPart> showParts(const std::vector<Camera>& keyframes, long starsFirstEntry) {
    // Each keyframe is one entry of the expanded path, followed by the steps to the next.
    std::vector<long> keyframeEntries;
    long entry = 0;
    for (std::size_t k = 0; k < keyframes.size(); ++k) {
        keyframeEntries.push_back(entry);
        const int steps =
            k + 1 < keyframes.size() ? keyframes[k + 1].frameNumber - keyframes[k].frameNumber : 0;
        entry += 1 + std::max(steps, 0);
    }
    std::vector<ShowPart> parts;
    for (const PartStart& start : partStarts) {
        if (start.keyframe >= keyframeEntries.size()) {
            break;
        }
        const long first = std::min(keyframeEntries[start.keyframe], starsFirstEntry);
        if (!parts.empty()) {
            parts.back().endEntry = first;
        }
        parts.push_back({start.name, first, first});
    }
    if (!parts.empty()) {
        parts.back().endEntry = starsFirstEntry;
    }
    parts.push_back({starsPartName, starsFirstEntry, LONG_MAX});
    parts.erase(
        std::remove_if(parts.begin(), parts.end(),
                       [](const ShowPart& part) { return part.endEntry <= part.firstEntry; }),
        parts.end());
    return parts;
}

std::string cpuName() {
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    std::string name = "unknown processor";
    while (std::getline(info, line)) {
        if (line.rfind("model name", 0) == 0 && line.find(':') != std::string::npos) {
            name = line.substr(line.find(':') + 2);
            break;
        }
    }
    return name + ", " + std::to_string(std::thread::hardware_concurrency()) + " cores";
}

std::string formatReport(const RunResult& run, const std::vector<ShowPart>& parts) {
    const std::vector<FrameSample>& frames = run.frames;
    std::ostringstream out;
    out << "Timedemo"
        << (run.partial ? " (partial: stopped after " + std::to_string(frames.size()) + " of " +
                              std::to_string(run.planned) + " frames)"
                        : "")
        << "\n";
    out << "  renderer  " << run.machine.renderer << "\n";
    out << "  GL        " << run.machine.version << "\n";
    out << "  CPU       " << run.machine.cpu << "\n";
    out << "  clock     frame time from buffer swap to buffer swap"
        << (run.finish ? ", glFinish after each swap" : ", no glFinish") << "\n";
    const double seconds = totalSeconds(frames);
    const double mean = meanMilliseconds(frames);
    out << format("Frames: %zu in %.2f s: average %.2f FPS, %.2f ms per frame\n", frames.size(),
                  seconds, fps(mean), mean);
    for (std::size_t p = 0; p < std::size(listedPercentiles); ++p) {
        const PickedFrame picked = percentileFrame(frames, listedPercentiles[p]);
        out << format("  %-16s %8.2f ms  (entry %ld)\n", percentileNames[p], picked.ms,
                      picked.entry);
    }
    const PickedFrame worst = worstFrame(frames);
    out << format("  %-16s %8.2f ms  (entry %ld)\n", "worst", worst.ms, worst.entry);
    for (std::size_t l = 0; l < std::size(lowPercents); ++l) {
        out << format("  %-16s %8.2f FPS\n", lowNames[l],
                      lowFramesPerSecond(frames, lowPercents[l]));
    }
    out << "  (an N% low is 1000 over the mean frame time of the slowest N% of frames, at least "
           "one)\n";

    const std::vector<std::size_t> hitches = findHitches(frames);
    const auto early = std::count_if(hitches.begin(), hitches.end(), [](std::size_t i) {
        return static_cast<long>(i) < warmUpFrames;
    });
    out << format("Hitches: %zu (frames above %.1f x the median of their %zu neighbours; %ld of "
                  "them in the first %ld frames)\n",
                  hitches.size(), hitchFactor, hitchNeighbours, static_cast<long>(early),
                  warmUpFrames);
    for (std::size_t h = 0; h < std::min(hitches.size(), listedHitches); ++h) {
        const std::size_t i = hitches[h];
        out << format("  entry %ld: %.2f ms against %.2f ms around it\n", frames[i].entry,
                      frames[i].ms, neighbourMedian(frames, i));
    }
    out << "Parts of the show:\n";
    const std::vector<PartFigures> figures = partFigures(frames, parts);
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (figures[p].frames == 0) {
            continue;
        }
        out << format("  %-20s %6ld frames  %8.2f ms  %8.2f FPS\n", parts[p].name.c_str(),
                      figures[p].frames, figures[p].meanMs, fps(figures[p].meanMs));
    }
    if (!run.passes.empty()) {
        out << "Passes (mean ms, GL timer queries):";
        for (int p = 0; p < splitPassCount; ++p) {
            double sum = 0.0;
            for (const PassSplit& split : run.passes) {
                sum += split[static_cast<std::size_t>(p)];
            }
            out << format(" %s %.2f", passColumns[p], sum / static_cast<double>(run.passes.size()));
        }
        out << "\n";
    }
    out << format("Average: %.2f FPS\n", fps(mean));
    return out.str();
}

bool writeFrameCsv(const std::string& path, const RunResult& run,
                   const std::vector<ShowPart>& parts) {
    std::ofstream csv(path);
    if (!csv) {
        return false;
    }
    const bool withPasses = run.passes.size() == run.frames.size() && !run.passes.empty();
    csv << "entry,show_time_s,frame_ms,part,hitch";
    if (withPasses) {
        for (const char* column : passColumns) {
            csv << "," << column;
        }
    }
    csv << "\n";
    const std::vector<std::size_t> hitches = findHitches(run.frames);
    std::size_t nextHitch = 0;
    for (std::size_t i = 0; i < run.frames.size(); ++i) {
        const FrameSample& frame = run.frames[i];
        const int part = partOf(parts, frame.entry);
        const bool hitch = nextHitch < hitches.size() && hitches[nextHitch] == i;
        nextHitch += hitch ? 1 : 0;
        csv << format("%ld,%.4f,%.3f,%s,%d", frame.entry,
                      i < run.showTimes.size() ? static_cast<double>(run.showTimes[i]) : 0.0,
                      frame.ms, part >= 0 ? parts[static_cast<std::size_t>(part)].name.c_str() : "",
                      hitch ? 1 : 0);
        if (withPasses) {
            for (double ms : run.passes[i]) {
                csv << format(",%.3f", ms);
            }
        }
        csv << "\n";
    }
    csv.flush();
    return static_cast<bool>(csv);
}
