#pragma once

// The generated music as a player decodes it, decoded once for all the content tests.

#include <cstddef>
#include <vector>

constexpr const char* musicPath = "resources/audio/37_Catacombs.mp3";

struct DecodedMusic {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved
    std::size_t frames() const { return channels > 0 ? samples.size() / channels : 0; }
    float at(std::size_t frame, int channel) const { return samples[frame * channels + channel]; }
};

// Empty, with a test failure, when the file cannot be decoded.
const DecodedMusic& music();
