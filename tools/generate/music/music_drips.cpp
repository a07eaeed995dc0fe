// Water dripping somewhere in the dark, at random gaps.
#include "music_score.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint64_t dripSeed = 0xd121b5eed5ULL;

// Water drops: a short upward-gliding sine, heard mostly through the room.
constexpr double dripFirstSeconds = 3.1;
constexpr double dripMinGapSeconds = 3.0;
constexpr double dripMaxGapSeconds = 9.0;
constexpr double dripLowHz = 1000.0;
constexpr double dripHighHz = 1900.0;
constexpr double dripGlide = 1.6;
constexpr double dripGlideSeconds = 0.02;
constexpr double dripDecaySeconds = 0.12;
constexpr double dripSeconds = 0.2;
constexpr double dripSoftest = 0.4;
constexpr double dripPanWidth = 0.9;
constexpr float dripGain = 0.1f;
constexpr float dripDry = 0.15f;
constexpr float dripEchoSend = 0.3f;
constexpr float dripReverbSend = 1.0f;

} // namespace

void renderDrips(const Score& score, Buses& buses) {
    Rng rng{dripSeed};
    std::vector<float> drip(static_cast<std::size_t>(dripSeconds * sampleRate));
    for (double seconds = dripFirstSeconds; seconds < score.seconds;
         seconds += uniform(rng, dripMinGapSeconds, dripMaxGapSeconds)) {
        const double startHz = uniform(rng, dripLowHz, dripHighHz);
        const double decayPerFrame = std::pow(10.0, -3.0 / (dripDecaySeconds * sampleRate));
        double phase = 0.0;
        double amplitude = 1.0;
        for (std::size_t i = 0; i < drip.size(); ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            const double hz = startHz * std::pow(dripGlide, std::min(1.0, t / dripGlideSeconds));
            drip[i] = static_cast<float>(amplitude * std::sin(phase));
            phase += 2.0 * pi * hz / sampleRate;
            amplitude *= decayPerFrame;
        }
        applyAttack(drip, static_cast<std::size_t>(strikeAttackSeconds * sampleRate));
        const float gain =
            dripGain * static_cast<float>(uniform(rng, dripSoftest, 1.0) *
                                          sectionLevel(score, seconds, &SectionStyle::drips));
        const PanGains gains = panGains(uniform(rng, -dripPanWidth, dripPanWidth));
        const std::size_t start = toFrame(score, seconds);
        mixWrapped(buses.dry, drip, start, gains, gain * dripDry);
        mixWrapped(buses.echo, drip, start, gains, gain * dripEchoSend);
        mixWrapped(buses.reverb, drip, start, gains, gain * dripReverbSend);
    }
}
