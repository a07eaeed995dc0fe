#include "frame_stats.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr double millisecondsPerSecond = 1000.0;

// Frame indices ordered by time, ties by position, so picks are reproducible.
std::vector<std::size_t> byTime(const std::vector<FrameSample>& frames) {
    std::vector<std::size_t> order(frames.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return frames[a].ms < frames[b].ms; });
    return order;
}

// How many frames make up percent % of the run: rounded up, at least one.
std::size_t shareOf(std::size_t count, double percent) {
    const double share = std::ceil(static_cast<double>(count) * percent / 100.0);
    return std::clamp(static_cast<std::size_t>(std::max(share, 1.0)), std::size_t{1}, count);
}

double median(std::vector<double> values) {
    const std::size_t half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<long>(half), values.end());
    const double upper = values[half];
    if (values.size() % 2 == 1) {
        return upper;
    }
    return (upper + *std::max_element(values.begin(), values.begin() + static_cast<long>(half))) /
           2.0;
}

} // namespace

PickedFrame percentileFrame(const std::vector<FrameSample>& frames, double percent) {
    if (frames.empty()) {
        return {};
    }
    const std::vector<std::size_t> order = byTime(frames);
    const std::size_t rank = shareOf(frames.size(), std::clamp(percent, 0.0, 100.0));
    const double ms = frames[order[rank - 1]].ms;
    // The earliest frame of that time, wherever the sort left it among equals.
    for (const FrameSample& frame : frames) {
        if (frame.ms == ms) {
            return {frame.entry, ms};
        }
    }
    return {};
}

PickedFrame worstFrame(const std::vector<FrameSample>& frames) {
    const auto worst =
        std::max_element(frames.begin(), frames.end(),
                         [](const FrameSample& a, const FrameSample& b) { return a.ms < b.ms; });
    return worst == frames.end() ? PickedFrame{} : PickedFrame{worst->entry, worst->ms};
}

double lowFramesPerSecond(const std::vector<FrameSample>& frames, double percent) {
    if (frames.empty()) {
        return 0.0;
    }
    const std::vector<std::size_t> order = byTime(frames);
    const std::size_t count = shareOf(frames.size(), percent);
    double sum = 0.0;
    for (std::size_t k = frames.size() - count; k < frames.size(); ++k) {
        sum += frames[order[k]].ms;
    }
    return sum > 0.0 ? millisecondsPerSecond * static_cast<double>(count) / sum : 0.0;
}

double meanMilliseconds(const std::vector<FrameSample>& frames) {
    if (frames.empty()) {
        return 0.0;
    }
    double sum = 0.0;
    for (const FrameSample& frame : frames) {
        sum += frame.ms;
    }
    return sum / static_cast<double>(frames.size());
}

double neighbourMedian(const std::vector<FrameSample>& frames, std::size_t i) {
    const std::size_t others = frames.size() > 0 ? frames.size() - 1 : 0;
    const std::size_t wanted = std::min(hitchNeighbours, others);
    if (wanted == 0 || i >= frames.size()) {
        return 0.0;
    }
    // A window of wanted + 1 frames around i, slid back inside the run at its ends.
    const std::size_t half = hitchNeighbours / 2;
    std::size_t first = i > half ? i - half : 0;
    first = std::min(first, frames.size() - (wanted + 1));
    std::vector<double> values;
    values.reserve(wanted);
    for (std::size_t k = first; k <= first + wanted; ++k) {
        if (k != i) {
            values.push_back(frames[k].ms);
        }
    }
    return median(std::move(values));
}

std::vector<std::size_t> findHitches(const std::vector<FrameSample>& frames) {
    std::vector<std::size_t> hitches;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const double around = neighbourMedian(frames, i);
        if (around > 0.0 && frames[i].ms > hitchFactor * around) {
            hitches.push_back(i);
        }
    }
    return hitches;
}

int partOf(const std::vector<ShowPart>& parts, long entry) {
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (entry >= parts[p].firstEntry && entry < parts[p].endEntry) {
            return static_cast<int>(p);
        }
    }
    return -1;
}

std::vector<PartFigures> partFigures(const std::vector<FrameSample>& frames,
                                     const std::vector<ShowPart>& parts) {
    std::vector<PartFigures> figures(parts.size());
    for (const FrameSample& frame : frames) {
        const int p = partOf(parts, frame.entry);
        if (p >= 0) {
            figures[static_cast<std::size_t>(p)].frames += 1;
            figures[static_cast<std::size_t>(p)].meanMs += frame.ms;
        }
    }
    for (PartFigures& part : figures) {
        if (part.frames > 0) {
            part.meanMs /= static_cast<double>(part.frames);
        }
    }
    return figures;
}
