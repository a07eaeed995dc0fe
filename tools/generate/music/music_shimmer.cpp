// Bright notes running up and down the chord high over it, from the cue of each section
// that asks for them: the stars' voice.
#include "music_score.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint64_t shimmerSeed = 0x57a125ULL;

constexpr int shimmerOctaves = 24; // above the choir's notes
constexpr int stepsPerBeat = 4;
constexpr double shimmerDecaySeconds = 1.4;
constexpr double shimmerSeconds = 2.0;
constexpr double shimmerOvertone = 0.25; // a third harmonic, for a glassy tone
constexpr double shimmerSoftest = 0.5;
constexpr double shimmerPanWidth = 0.8;
// The run grows from this fraction of its level on the cue to the full level.
constexpr double shimmerEntryLevel = 0.6;
constexpr double shimmerGrowSeconds = 4.0;
constexpr float shimmerGain = 0.07f;
constexpr float shimmerDry = 0.5f;
constexpr float shimmerEchoSend = 0.6f;
constexpr float shimmerReverbSend = 0.7f;

// Up the chord, then down it: 0 1 2 3 2 1 with the octave on top.
constexpr int runPattern[] = {0, 1, 2, 3, 2, 1};

} // namespace

void renderShimmer(const Score& score, Buses& buses) {
    Rng rng{shimmerSeed};
    std::vector<float> note(static_cast<std::size_t>(shimmerSeconds * sampleRate));
    const double stepSeconds = beatSeconds / stepsPerBeat;
    for (const Section& section : score.sections) {
        const double level = section.style->shimmer;
        if (level <= 0.0) {
            continue;
        }
        for (int step = 0; section.start + step * stepSeconds < section.end; ++step) {
            const double seconds = section.start + step * stepSeconds;
            const Chord& chord = chordAt(score, seconds);
            const int degree = runPattern[step % std::size(runPattern)];
            const int midi = degree < chordVoices ? chord.voices[degree] : chord.voices[0] + 12;
            std::fill(note.begin(), note.end(), 0.0f);
            addDecayingSine(note, midiToHz(midi + shimmerOctaves), 1.0, shimmerDecaySeconds,
                            sampleRate);
            addDecayingSine(note, 3.0 * midiToHz(midi + shimmerOctaves), shimmerOvertone,
                            0.3 * shimmerDecaySeconds, sampleRate);
            applyAttack(note, static_cast<std::size_t>(strikeAttackSeconds * sampleRate));
            // It grows after a stroke; in a section that arrives softly it fades away.
            const double into = seconds - section.start;
            const double grow = section.style->strike > 0.0
                                    ? shimmerEntryLevel + (1.0 - shimmerEntryLevel) *
                                                              smoothStep(into / shimmerGrowSeconds)
                                    : 1.0 - smoothStep(into / (section.end - section.start));
            const float gain =
                shimmerGain * static_cast<float>(level * grow * uniform(rng, shimmerSoftest, 1.0));
            const PanGains pan = panGains(uniform(rng, -shimmerPanWidth, shimmerPanWidth));
            const std::size_t start = toFrame(score, seconds);
            mixWrapped(buses.dry, note, start, pan, gain * shimmerDry);
            mixWrapped(buses.echo, note, start, pan, gain * shimmerEchoSend);
            mixWrapped(buses.reverb, note, start, pan, gain * shimmerReverbSend);
        }
    }
}
