// The background music as a player decodes it from the generated MP3.
#include "decoded_music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

constexpr int expectedRate = 44100;
constexpr int expectedChannels = 2;
constexpr double windowSeconds = 10.0;
constexpr double quietestWindowDb = -35.0;
constexpr double minRmsDb = -24.0;
constexpr double maxRmsDb = -12.0;
constexpr float nearFullScale = 0.99f;
constexpr std::size_t longestRunNearFullScale = 2;
constexpr double maxDcOffset = 0.01;
constexpr double minSideToMidDb = -20.0;
constexpr double seamNeighbourhoodSeconds = 0.1;

double toDb(double energy) {
    return 10.0 * std::log10(std::max(energy, 1e-20));
}

// Mean square over both channels of frames [first, first + count).
double meanSquare(const DecodedMusic& audio, std::size_t first, std::size_t count) {
    double sum = 0.0;
    for (std::size_t i = first * audio.channels; i < (first + count) * audio.channels; ++i) {
        sum += static_cast<double>(audio.samples[i]) * audio.samples[i];
    }
    return sum / static_cast<double>(count * audio.channels);
}

TEST(Music, IsStereoAtTheRateItWasMadeAt) {
    const DecodedMusic& audio = music();
    EXPECT_EQ(audio.rate, expectedRate);
    EXPECT_EQ(audio.channels, expectedChannels);
}

TEST(Music, IsAudibleThroughoutWithoutClipping) {
    const DecodedMusic& audio = music();
    ASSERT_EQ(audio.channels, expectedChannels);
    ASSERT_GT(audio.frames(), 0u);

    const double overall = toDb(meanSquare(audio, 0, audio.frames()));
    EXPECT_GT(overall, minRmsDb);
    EXPECT_LT(overall, maxRmsDb);
    const std::size_t window = static_cast<std::size_t>(windowSeconds * expectedRate);
    for (std::size_t first = 0; first + window <= audio.frames(); first += window) {
        EXPECT_GT(toDb(meanSquare(audio, first, window)), quietestWindowDb)
            << "near silence from " << first / expectedRate << " s";
    }

    float peak = 0.0f;
    double sums[expectedChannels] = {};
    for (int channel = 0; channel < expectedChannels; ++channel) {
        std::size_t run = 0;
        std::size_t longestRun = 0;
        for (std::size_t frame = 0; frame < audio.frames(); ++frame) {
            const float sample = audio.samples[frame * expectedChannels + channel];
            peak = std::max(peak, std::fabs(sample));
            sums[channel] += sample;
            run = std::fabs(sample) >= nearFullScale ? run + 1 : 0;
            longestRun = std::max(longestRun, run);
        }
        EXPECT_LE(longestRun, longestRunNearFullScale) << "flattened peaks in channel " << channel;
        EXPECT_LT(std::fabs(sums[channel] / audio.frames()), maxDcOffset) << "channel " << channel;
    }
    EXPECT_LT(peak, 1.0f);
}

TEST(Music, IsWideAndLoopsWithoutAClick) {
    const DecodedMusic& audio = music();
    ASSERT_EQ(audio.channels, expectedChannels);
    const std::size_t frames = audio.frames();
    const std::size_t neighbourhood =
        static_cast<std::size_t>(seamNeighbourhoodSeconds * expectedRate);
    ASSERT_GT(frames, 2 * neighbourhood);

    double mid = 0.0;
    double side = 0.0;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const double left = audio.samples[2 * frame];
        const double right = audio.samples[2 * frame + 1];
        mid += (left + right) * (left + right);
        side += (left - right) * (left - right);
    }
    EXPECT_GT(toDb(side / mid), minSideToMidDb) << "left and right are (nearly) the same";

    // Played as a loop the last frame runs into the first. A click there bends the waveform
    // more sharply than anything around it; the second difference shows bends, not level.
    const auto bend = [&](std::size_t frame, int channel) {
        const auto at = [&](std::size_t i) {
            return static_cast<double>(audio.samples[(i % frames) * expectedChannels + channel]);
        };
        return std::fabs(at(frame + 1) - 2.0 * at(frame) + at(frame - 1));
    };
    for (int channel = 0; channel < expectedChannels; ++channel) {
        const double seam = std::max(bend(frames - 1, channel), bend(frames, channel));
        double around = 0.0;
        for (std::size_t frame = frames - neighbourhood; frame < frames + neighbourhood; ++frame) {
            if (frame + 1 < frames || frame > frames) {
                around = std::max(around, bend(frame, channel));
            }
        }
        EXPECT_LT(seam, around) << "click at the loop point, channel " << channel;
    }
}

} // namespace
