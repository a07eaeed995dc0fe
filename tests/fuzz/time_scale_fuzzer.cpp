#include "app/camera_path.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

namespace {

// The path's longest keyframe factor: the last keyframe's frame is scale times this.
constexpr float largestFactor = 4350.0f;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Rejected scales print a line each; millions of them would only slow the run.
    std::cout.setstate(std::ios::failbit);
    return 0;
}

// Whatever the file holds, the scale is finite, and a positive one keeps the
// expanded path within its bound, so the frame numbers stay within 32 bits.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const float scale = readPathTimeScale(in);
    require(std::isfinite(scale));
    if (scale > 0.0f) {
        require(std::trunc(scale * largestFactor) * 2.0f <= static_cast<float>(maxPathFrame));
    }
    return 0;
}
