// Drones on the sections' pedal notes, and the wind that blows through the passages.
#include "music_score.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint64_t windSeedLeft = 0x51ad1eULL;
constexpr std::uint64_t windSeedRight = 0x51ad2fULL;

// Each pedal note is a few detuned saws whose pitches are rounded to whole cycles per
// loop, so the oscillators themselves repeat exactly; the sections only set their levels.
struct DroneVoice {
    double octave; // semitones above the pedal note
    double detuneHz;
    double pan;
    double gain;
};

constexpr DroneVoice droneVoices[] = {
    {0, 0.0, 0.0, 0.45},     {0, -0.05, -0.3, 0.35}, {0, 0.07, 0.3, 0.35},
    {12, -0.09, -0.6, 0.28}, {12, 0.1, 0.6, 0.28},
};
// Every pedal note a section may ask for.
constexpr int pedalNotes[] = {22, 26, 29, 31, 33, 38, 45};

// Slow movements of the drones' colour and the wind, in whole cycles per loop so they
// line up at the loop point.
struct LoopWave {
    int cycles;
    double weight;
    double phase;
};

constexpr LoopWave droneColour[] = {{5, 0.4, 0.0}, {11, 0.25, 1.3}};
constexpr LoopWave windGusts[] = {{7, 0.7, 2.1}, {17, 0.3, 0.4}};
constexpr double droneWarmupSeconds = 2.0;
constexpr double droneGain = 0.2;
constexpr double droneCutoffHz = 200.0;
constexpr double droneCutoffOctaves = 1.1;
constexpr double droneQ = 1.2;
constexpr double windGain = 0.05;
constexpr double windCutoffHz = 380.0;
constexpr double windCutoffOctaves = 1.3;
constexpr double windQ = 2.2;
constexpr float droneReverbSend = 0.12f;
constexpr float windReverbSend = 0.4f;

template <std::size_t count>
double loopWaves(const LoopWave (&waves)[count], double seconds, double loopSeconds) {
    double sum = 0.0;
    for (const LoopWave& wave : waves) {
        sum += wave.weight * std::sin(2.0 * pi * wave.cycles * seconds / loopSeconds + wave.phase);
    }
    return sum;
}

bool sounds(const SectionStyle& style, int note) {
    return style.droneNotes[0] == note || style.droneNotes[1] == note;
}

// The level of one pedal note: the drone's level where its section asks for the note.
double pedalLevel(const Score& score, double seconds, int note) {
    return sectionLevel(score, seconds, &SectionStyle::drone, true) *
           sectionValue(score, seconds, [note](const SectionStyle& style) {
               return sounds(style, note) ? 1.0 : 0.0;
           });
}

} // namespace

void renderDrones(const Score& score, Buses& buses) {
    const std::size_t frames = score.frames;
    std::vector<std::uint64_t> cycles;
    std::vector<PanGains> pans;
    std::vector<int> notes;
    for (int note : pedalNotes) {
        for (const DroneVoice& voice : droneVoices) {
            cycles.push_back(static_cast<std::uint64_t>(
                std::llround((midiToHz(note + voice.octave) + voice.detuneHz) * score.seconds)));
            pans.push_back(panGains(voice.pan));
        }
        notes.push_back(note);
    }
    const std::size_t voicesPerNote = std::size(droneVoices);
    const std::size_t warmup = static_cast<std::size_t>(droneWarmupSeconds * sampleRate);
    const std::size_t first = frames - warmup;
    std::vector<std::uint64_t> accumulators;
    for (std::uint64_t count : cycles) {
        accumulators.push_back(count * first % frames);
    }
    std::vector<double> levels(notes.size());
    Svf droneFilters[channelCount];
    Svf windFilters[channelCount];
    SvfCoefficients droneCoefficients{};
    SvfCoefficients windCoefficients{};
    double windLevel = 0.0;
    for (std::size_t step = 0; step < warmup + frames; ++step) {
        const std::size_t frame = (first + step) % frames;
        if (step == 0 || frame % controlFrames == 0) {
            const double seconds = static_cast<double>(frame) / sampleRate;
            for (std::size_t n = 0; n < notes.size(); ++n) {
                levels[n] = pedalLevel(score, seconds, notes[n]);
            }
            const double colour = loopWaves(droneColour, seconds, score.seconds) +
                                  sectionLevel(score, seconds, &SectionStyle::droneBrightness);
            droneCoefficients = svfCoefficients(
                droneCutoffHz * std::pow(2.0, droneCutoffOctaves * colour), droneQ, sampleRate);
            const double gust = loopWaves(windGusts, seconds, score.seconds);
            windCoefficients = svfCoefficients(
                windCutoffHz * std::pow(2.0, windCutoffOctaves * gust), windQ, sampleRate);
            windLevel = sectionLevel(score, seconds, &SectionStyle::wind);
        }
        double left = 0.0;
        double right = 0.0;
        for (std::size_t v = 0; v < cycles.size(); ++v) {
            const double level = levels[v / voicesPerNote];
            if (level > 0.0) {
                const double increment = static_cast<double>(cycles[v]) / frames;
                const double phase = static_cast<double>(accumulators[v]) / frames;
                const double sample =
                    level * droneVoices[v % voicesPerNote].gain * blepSaw(phase, increment);
                left += pans[v].left * sample;
                right += pans[v].right * sample;
            }
            accumulators[v] += cycles[v];
            if (accumulators[v] >= frames) {
                accumulators[v] -= frames;
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
