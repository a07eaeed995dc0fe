#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Frame-time statistics of a timedemo run, free of GL so they can be checked on their own.

// A hitch is a frame above this many times the median of its neighbours.
constexpr double hitchFactor = 2.5;
constexpr std::size_t hitchNeighbours = 60;

// One rendered frame: its path entry and how long it took, swap to swap.
struct FrameSample {
    long entry = 0;
    double ms = 0.0;
};

// A frame time picked out of a run, with the entry it belongs to; entry -1 when the run
// is empty.
struct PickedFrame {
    long entry = -1;
    double ms = 0.0;
};

// The nearest-rank percentile: the smallest frame time that at least percent % of the
// frames do not exceed, so it is always a time some frame took. Ties go to the earliest
// frame.
PickedFrame percentileFrame(const std::vector<FrameSample>& frames, double percent);

// The worst frame; ties go to the earliest.
PickedFrame worstFrame(const std::vector<FrameSample>& frames);

// The "percent % low" frame rate: 1000 over the mean of the slowest percent % of the
// frame times (at least one frame). 0 for an empty run.
double lowFramesPerSecond(const std::vector<FrameSample>& frames, double percent);

double meanMilliseconds(const std::vector<FrameSample>& frames);

// The median of the hitchNeighbours frames nearest to frame i, itself left out: half
// before and half after, shifted inwards at the ends of the run. 0 when i has none.
double neighbourMedian(const std::vector<FrameSample>& frames, std::size_t i);

// Indices of the frames above hitchFactor times their neighbours' median, in order.
std::vector<std::size_t> findHitches(const std::vector<FrameSample>& frames);

// A stretch of the show by path entries [firstEntry, endEntry).
struct ShowPart {
    std::string name;
    long firstEntry = 0;
    long endEntry = 0;
};

// The index of the part that holds the entry, or -1.
int partOf(const std::vector<ShowPart>& parts, long entry);

struct PartFigures {
    long frames = 0;
    double meanMs = 0.0;
};

// Frames and mean frame time per part, in the parts' order.
std::vector<PartFigures> partFigures(const std::vector<FrameSample>& frames,
                                     const std::vector<ShowPart>& parts);
