// The corridor's pulse: a slow heartbeat on every beat and a plucked bass on the chords'
// roots, from the cue of each section that asks for it.
#include "music_score.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint64_t pulseSeed = 0x9a15eULL;
constexpr std::uint64_t strokeSeed = 0x9a4b9ULL;

// The beat is two thumps: a sine falling in pitch with a breath of noise on its front.
constexpr double thumpHighHz = 70.0;
constexpr double thumpLowHz = 42.0;
constexpr double thumpFallSeconds = 0.08;
constexpr double thumpDecaySeconds = 0.35;
constexpr double thumpSeconds = 0.6;
constexpr double thumpNoise = 0.15;
constexpr double thumpNoiseDecaySeconds = 0.02;
constexpr double secondThumpSeconds = 0.28;
constexpr float secondThumpGain = 0.55f;
// The bass: a root two octaves over the pedal, plucked on the first and third beats.
constexpr int bassLowest = 38;
constexpr double bassDecaySeconds = 1.6;
constexpr double bassSeconds = 2.4;
constexpr double bassOvertone = 0.35;
constexpr int bassEveryBeats = 2;
constexpr float thumpGain = 0.55f;
constexpr float bassGain = 0.3f;
constexpr float pulseReverbSend = 0.25f;
// The stroke on a cue: a deeper, longer thump, as loud as the section's deep bell asks.
constexpr double strokeDecaySeconds = 1.2;
constexpr double strokePitch = 0.8; // of the heartbeat's
constexpr float strokeGain = 0.9f;
constexpr float strokeReverbSend = 0.6f;
// With the stroke a low gong's splash: bright noise that darkens as it dies away.
constexpr double splashHighHz = 5000.0;
constexpr double splashLowHz = 1500.0;
constexpr double splashQ = 0.9;
constexpr double splashDecaySeconds = 3.0;
constexpr float splashGain = 0.35f;
constexpr float splashReverbSend = 0.5f;
constexpr float bassEchoSend = 0.2f;

std::vector<float> thump(Rng& rng, double pitch = 1.0, double decaySeconds = thumpDecaySeconds) {
    std::vector<float> sound(
        static_cast<std::size_t>(std::max(thumpSeconds, decaySeconds) * sampleRate));
    const std::uint64_t seed = nextBits(rng);
    double phase = 0.0;
    for (std::size_t i = 0; i < sound.size(); ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double hz =
            pitch * (thumpLowHz + (thumpHighHz - thumpLowHz) * std::exp(-t / thumpFallSeconds));
        phase += 2.0 * pi * hz / sampleRate;
        const double body = std::sin(phase) * std::pow(10.0, -3.0 * t / decaySeconds);
        const double breath =
            thumpNoise * hashNoise(i, seed) * std::exp(-t / thumpNoiseDecaySeconds);
        sound[i] = static_cast<float>(body + breath);
    }
    applyAttack(sound, static_cast<std::size_t>(strikeAttackSeconds * sampleRate));
    return sound;
}

std::vector<float> pluck(int note) {
    while (note < bassLowest) {
        note += 12;
    }
    std::vector<float> sound(static_cast<std::size_t>(bassSeconds * sampleRate), 0.0f);
    addDecayingSine(sound, midiToHz(note), 1.0, bassDecaySeconds, sampleRate);
    addDecayingSine(sound, 2.0 * midiToHz(note), bassOvertone, 0.5 * bassDecaySeconds, sampleRate);
    applyAttack(sound, static_cast<std::size_t>(strikeAttackSeconds * sampleRate));
    return sound;
}

// One side of the splash, its own noise for each side so it sounds wide.
std::vector<float> splash(std::uint64_t seed) {
    std::vector<float> sound(static_cast<std::size_t>(splashDecaySeconds * sampleRate));
    Svf filter;
    SvfCoefficients sweep{};
    for (std::size_t i = 0; i < sound.size(); ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        if (i % controlFrames == 0) {
            sweep = svfCoefficients(splashLowHz + (splashHighHz - splashLowHz) *
                                                      std::exp(-3.0 * t / splashDecaySeconds),
                                    splashQ, sampleRate);
        }
        const double level = std::pow(10.0, -3.0 * t / splashDecaySeconds);
        sound[i] = static_cast<float>(level * processSvf(filter, sweep, hashNoise(i, seed)).band);
    }
    applyAttack(sound, static_cast<std::size_t>(strikeAttackSeconds * sampleRate));
    return sound;
}

} // namespace

void renderPulse(const Score& score, Buses& buses) {
    Rng rng{pulseSeed};
    const PanGains middle = panGains(0.0);
    for (const Section& section : score.sections) {
        const float level = static_cast<float>(section.style->pulse);
        if (level <= 0.0f) {
            continue;
        }
        for (int beat = 0; section.start + beat * beatSeconds < section.end; ++beat) {
            const double seconds = section.start + beat * beatSeconds;
            const std::vector<float> beatSound = thump(rng);
            for (const auto& [delay, gain] :
                 {std::pair<double, float>{0.0, 1.0f}, {secondThumpSeconds, secondThumpGain}}) {
                const std::size_t start = toFrame(score, seconds + delay);
                mixWrapped(buses.dry, beatSound, start, middle, thumpGain * gain * level);
                mixWrapped(buses.reverb, beatSound, start, middle,
                           pulseReverbSend * thumpGain * gain * level);
            }
            if (beat % bassEveryBeats == 0) {
                const std::vector<float> bass = pluck(chordAt(score, seconds).root);
                const std::size_t start = toFrame(score, seconds);
                mixWrapped(buses.dry, bass, start, middle, bassGain * level);
                mixWrapped(buses.echo, bass, start, middle, bassEchoSend * bassGain * level);
            }
        }
    }
}

void renderStrokes(const Score& score, Buses& buses) {
    Rng rng{strokeSeed};
    const PanGains middle = panGains(0.0);
    for (const Section& section : score.sections) {
        const float level = static_cast<float>(section.style->strike);
        if (level <= 0.0f) {
            continue;
        }
        const std::vector<float> stroke = thump(rng, strokePitch, strokeDecaySeconds);
        const std::size_t start = toFrame(score, section.start);
        mixWrapped(buses.dry, stroke, start, middle, strokeGain * level);
        mixWrapped(buses.reverb, stroke, start, middle, strokeReverbSend * strokeGain * level);
        const std::uint64_t seed = nextBits(rng);
        for (const auto& [side, pan] : {std::pair<std::uint64_t, double>{0, -1.0}, {1, 1.0}}) {
            const std::vector<float> sound = splash(seed + side);
            mixWrapped(buses.dry, sound, start, panGains(pan), splashGain * level);
            mixWrapped(buses.reverb, sound, start, panGains(pan),
                       splashReverbSend * splashGain * level);
        }
    }
}
