// Drones on the chords' pedal notes, and the wind that blows through the passages.
#include "music_score.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint64_t windSeedLeft = 0x51ad1eULL;
constexpr std::uint64_t windSeedRight = 0x51ad2fULL;

// Drones: D and A pedals of detuned saws, whose pitches are rounded to whole cycles per
// loop so the oscillators themselves repeat exactly.
struct DroneVoice {
    double note;
    double detuneHz;
    double pan;
    double gain;
    bool fifth; // follows the chords, the root pedal never leaves
};

constexpr DroneVoice droneVoices[] = {
    {26, 0.0, 0.0, 0.45, false},    {26, -0.13, -0.2, 0.35, false}, {26, 0.17, 0.2, 0.35, false},
    {38, -0.21, -0.6, 0.28, false}, {38, 0.23, 0.6, 0.28, false},   {38, 0.0, 0.0, 0.18, false},
    {33, -0.11, -0.3, 0.3, true},   {45, 0.19, 0.5, 0.2, true},     {45, -0.16, -0.5, 0.2, true},
};
// Slow movements of the drones' colour and the wind, in whole cycles per loop so they
// line up at the loop point.
struct LoopWave {
    int cycles;
    double weight;
    double phase;
};

constexpr LoopWave droneColour[] = {{3, 0.6, 0.0}, {7, 0.4, 1.3}};
constexpr LoopWave windGusts[] = {{5, 0.7, 2.1}, {11, 0.3, 0.4}};
constexpr LoopWave windSwell = {2, 0.35, 0.7};
constexpr double windLevelMean = 0.65;
constexpr double droneWarmupSeconds = 2.0;
constexpr double droneGain = 0.22;
constexpr double droneCutoffHz = 200.0;
constexpr double droneCutoffOctaves = 1.1;
constexpr double droneQ = 1.2;
constexpr double droneFloor = 0.45; // the drones' lowest swell, at the loop point
constexpr double fifthGlideSeconds = 5.0;
constexpr double windGain = 0.05;
constexpr double windCutoffHz = 380.0;
constexpr double windCutoffOctaves = 1.3;
constexpr double windQ = 2.2;
constexpr float droneReverbSend = 0.12f;
constexpr float windReverbSend = 0.4f;

double loopWave(const LoopWave& wave, double seconds) {
    return wave.weight * std::sin(2.0 * pi * wave.cycles * seconds / loopSeconds + wave.phase);
}

template <std::size_t count> double loopWaves(const LoopWave (&waves)[count], double seconds) {
    double sum = 0.0;
    for (const LoopWave& wave : waves) {
        sum += loopWave(wave, seconds);
    }
    return sum;
}

double fifthDroneLevel(double seconds) {
    const int chord = static_cast<int>(seconds / chordSeconds) % chordCount;
    const int previous = (chord + chordCount - 1) % chordCount;
    const double intoChord = seconds - chord * chordSeconds;
    const double blend = smoothStep(intoChord / fifthGlideSeconds);
    return chords[previous].fifthDrone +
           (chords[chord].fifthDrone - chords[previous].fifthDrone) * blend;
}

} // namespace

void renderDrones(Buses& buses) {
    std::vector<std::uint64_t> cycles;
    std::vector<PanGains> pans;
    for (const DroneVoice& voice : droneVoices) {
        cycles.push_back(static_cast<std::uint64_t>(
            std::llround((midiToHz(voice.note) + voice.detuneHz) * loopSeconds)));
        pans.push_back(panGains(voice.pan));
    }
    const std::size_t warmup = static_cast<std::size_t>(droneWarmupSeconds * sampleRate);
    const std::size_t first = loopFrames - warmup;
    std::vector<std::uint64_t> accumulators;
    for (std::uint64_t count : cycles) {
        accumulators.push_back(count * first % loopFrames);
    }
    Svf droneFilters[channelCount];
    Svf windFilters[channelCount];
    SvfCoefficients droneCoefficients{};
    SvfCoefficients windCoefficients{};
    double rootLevel = 0.0;
    double fifthLevel = 0.0;
    double windLevel = 0.0;
    for (std::size_t step = 0; step < warmup + loopFrames; ++step) {
        const std::size_t frame = (first + step) % loopFrames;
        if (step == 0 || frame % controlFrames == 0) {
            const double seconds = static_cast<double>(frame) / sampleRate;
            const double swell = 0.5 - 0.5 * std::cos(2.0 * pi * seconds / loopSeconds);
            rootLevel = droneFloor + (1.0 - droneFloor) * swell;
            fifthLevel = rootLevel * fifthDroneLevel(seconds);
            const double colour = loopWaves(droneColour, seconds) + swell;
            droneCoefficients = svfCoefficients(
                droneCutoffHz * std::pow(2.0, droneCutoffOctaves * colour), droneQ, sampleRate);
            const double gust = loopWaves(windGusts, seconds);
            windCoefficients = svfCoefficients(
                windCutoffHz * std::pow(2.0, windCutoffOctaves * gust), windQ, sampleRate);
            windLevel = windLevelMean + loopWave(windSwell, seconds);
        }
        double left = 0.0;
        double right = 0.0;
        for (std::size_t v = 0; v < cycles.size(); ++v) {
            const double increment = static_cast<double>(cycles[v]) / loopFrames;
            const double phase = static_cast<double>(accumulators[v]) / loopFrames;
            const double level =
                droneVoices[v].gain * (droneVoices[v].fifth ? fifthLevel : rootLevel);
            const double sample = level * blepSaw(phase, increment);
            left += pans[v].left * sample;
            right += pans[v].right * sample;
            accumulators[v] += cycles[v];
            if (accumulators[v] >= loopFrames) {
                accumulators[v] -= loopFrames;
            }
        }
        const double droneLeft =
            droneGain * processSvf(droneFilters[0], droneCoefficients, left).low;
        const double droneRight =
            droneGain * processSvf(droneFilters[1], droneCoefficients, right).low;
        const double windLeft =
            windGain * windLevel *
            processSvf(windFilters[0], windCoefficients, hashNoise(frame, windSeedLeft)).band;
        const double windRight =
            windGain * windLevel *
            processSvf(windFilters[1], windCoefficients, hashNoise(frame, windSeedRight)).band;
        if (step >= warmup) {
            buses.dry.left[frame] += static_cast<float>(droneLeft + windLeft);
            buses.dry.right[frame] += static_cast<float>(droneRight + windRight);
            buses.reverb.left[frame] +=
                static_cast<float>(droneReverbSend * droneLeft + windReverbSend * windLeft);
            buses.reverb.right[frame] +=
                static_cast<float>(droneReverbSend * droneRight + windReverbSend * windRight);
        }
    }
}
