#pragma once

#include <cstddef>
#include <string>

// How long a played stretch of the show goes on past the last path entry by default, so
// the stars are seen.
constexpr double secondsAfterPath = 8.0;

// A finite number and nothing after it.
bool readNumber(const std::string& text, double& value);

// The value of --from or --to: seconds of show time, finite and not negative. False, with the
// problem in words ("--from takes seconds, not 'x'"), otherwise.
bool readShowSeconds(const std::string& option, const std::string& value, double& seconds,
                     std::string& problem);

// Frames [first, end) of the show at fps: frame n shows path entry n at n / fps seconds.
struct FrameSpan {
    long first = 0;
    long end = 0;
};

// The frames from `from` seconds up to `to` seconds (negative: secondsAfterPath past the
// last of pathEntries), each the first frame at or after its time.
FrameSpan framesBetween(double from, double to, int fps, std::size_t pathEntries);
