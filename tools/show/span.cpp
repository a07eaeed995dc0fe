#include "show/span.h"

#include <cmath>
#include <cstdlib>

namespace {

// Keeps a time like 1.0 at 60 frames per second from rounding up to the frame after.
constexpr double frameEpsilon = 1e-6;

long frameAt(double seconds, int fps) {
    return static_cast<long>(std::ceil(seconds * fps - frameEpsilon));
}

} // namespace

bool readNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(value);
}

bool readShowSeconds(const std::string& option, const std::string& value, double& seconds,
                     std::string& problem) {
    double read = 0.0;
    if (!readNumber(value, read)) {
        problem = option + " takes seconds, not '" + value + "'";
        return false;
    }
    if (read < 0.0) {
        problem = option + " cannot be negative";
        return false;
    }
    seconds = read;
    return true;
}

FrameSpan framesBetween(double from, double to, int fps, std::size_t pathEntries) {
    const double lastEntry = pathEntries > 0 ? static_cast<double>(pathEntries - 1) : 0.0;
    const double end = to >= 0.0 ? to : lastEntry / fps + secondsAfterPath;
    return FrameSpan{frameAt(from, fps), frameAt(end, fps)};
}
