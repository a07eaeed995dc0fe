// Bells struck on the beat, now and then, and a deep bell on a section's cue.
#include "music_score.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint64_t bellSeed = 0x37ca7ac0b5b311ULL;

// Bells: inharmonic partials (ratio to the strike note), higher ones fading sooner.
struct BellPartial {
    double ratio;
    double gain;
};

constexpr BellPartial bellPartials[] = {
    {0.5, 0.55},  {1.0, 1.0},   {1.19, 0.5}, {1.56, 0.3},  {2.0, 0.6},
    {2.51, 0.18}, {2.74, 0.22}, {3.0, 0.16}, {4.07, 0.09}, {5.33, 0.05},
};
constexpr double bellDecaySeconds = 10.0; // of a partial at bellDecayReferenceHz
constexpr double bellDecayReferenceHz = 150.0;
constexpr double bellDecayExponent = 0.6;
constexpr double bellMinDecaySeconds = 0.5;
constexpr double bellBrightness = 0.4;   // soft strikes barely wake the upper partials
constexpr double bellBeatRatio = 0.0009; // each partial is a close pair that beats slowly
constexpr double bellTailSeconds = 22.0;
constexpr int bellMinGapBeats = 3;
constexpr int bellOctaveLow = 12; // how far below its section's register a low bell rings
constexpr double bellLowOctaveChance = 0.6;
constexpr double bellSoftest = 0.35;
constexpr double bellHardest = 0.75;
constexpr double bellPanWidth = 0.7;
constexpr double deepBellPanWidth = 0.2;
// The deep bell rings its section's first root within this octave.
constexpr int deepBellLowest = 43;
constexpr float bellGain = 0.2f;
constexpr float deepBellGain = 0.24f;
constexpr float bellDry = 0.45f;
constexpr float bellEchoSend = 0.35f;
constexpr float bellReverbSend = 0.8f;

double bellPartialDecay(double frequencyHz) {
    return std::max(bellMinDecaySeconds,
                    bellDecaySeconds *
                        std::pow(bellDecayReferenceHz / frequencyHz, bellDecayExponent));
}

void strikeBell(const Score& score, Buses& buses, double seconds, int note, double velocity,
                double pan, float gain) {
    std::vector<float> bell(static_cast<std::size_t>(bellTailSeconds * sampleRate), 0.0f);
    const double strikeHz = midiToHz(note);
    for (const BellPartial& partial : bellPartials) {
        const double hz = strikeHz * partial.ratio;
        const double pairAmplitude =
            0.5 * partial.gain * velocity * std::pow(velocity, partial.ratio * bellBrightness);
        const double decay = bellPartialDecay(hz);
        addDecayingSine(bell, hz * (1.0 - bellBeatRatio), pairAmplitude, decay, sampleRate);
        addDecayingSine(bell, hz * (1.0 + bellBeatRatio), pairAmplitude, decay, sampleRate);
    }
    applyAttack(bell, static_cast<std::size_t>(strikeAttackSeconds * sampleRate));
    const std::size_t start = toFrame(score, seconds);
    const PanGains gains = panGains(pan);
    mixWrapped(buses.dry, bell, start, gains, gain * bellDry);
    mixWrapped(buses.echo, bell, start, gains, gain * bellEchoSend);
    mixWrapped(buses.reverb, bell, start, gains, gain * bellReverbSend);
}

int deepBellNote(int root) {
    int note = root;
    while (note < deepBellLowest) {
        note += 12;
    }
    while (note >= deepBellLowest + 12) {
        note -= 12;
    }
    return note;
}

} // namespace

void renderBells(const Score& score, Buses& buses) {
    Rng rng{bellSeed};
    for (const Section& section : score.sections) {
        const SectionStyle& style = *section.style;
        if (style.strike > 0.0) {
            strikeBell(score, buses, section.start, deepBellNote(style.chords[0].root), 1.0,
                       uniform(rng, -deepBellPanWidth, deepBellPanWidth),
                       deepBellGain * static_cast<float>(style.strike));
        }
        int lastBeat = 0;
        for (int beat = bellMinGapBeats; section.start + beat * beatSeconds < section.end; ++beat) {
            if (beat - lastBeat < bellMinGapBeats || uniform(rng, 0.0, 1.0) >= style.bells) {
                continue;
            }
            lastBeat = beat;
            const double seconds = section.start + beat * beatSeconds;
            const Chord& chord = chordAt(score, seconds);
            const int voice = static_cast<int>(uniform(rng, 0.0, chordVoices));
            const int octave = uniform(rng, 0.0, 1.0) < bellLowOctaveChance ? bellOctaveLow : 0;
            strikeBell(score, buses, seconds, chord.voices[voice] + style.bellOctave - octave,
                       uniform(rng, bellSoftest, bellHardest),
                       uniform(rng, -bellPanWidth, bellPanWidth), bellGain);
        }
    }
}
