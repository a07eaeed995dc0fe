#pragma once

// The score: one section for each cue of the show, each with its own chords, register,
// instruments and density, then a close after the show that leads back to the opening.
// The file is one loop: voices wrap what runs past its end to its start.

#include "cue_sheet.h"
#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <vector>

constexpr int sampleRate = 44100;
constexpr int channelCount = 2;
constexpr double beatSeconds = 60.0 / 64.0;
// Slowly moving controls (levels, filter sweeps) are worked out anew every this many frames.
constexpr std::size_t controlFrames = 32;
// Struck sounds ramp up over this long, so they start without a click.
constexpr double strikeAttackSeconds = 0.004;
// Levels move to a new section's over this long from its cue; a section without a stroke
// on its cue (the close) arrives softly, over softGlideSeconds.
constexpr double sectionGlideSeconds = 0.12;
constexpr double softGlideSeconds = 6.0;

constexpr int chordVoices = 3;
constexpr int chordsPerSection = 4;

struct Chord {
    int root;                // MIDI note of the deep bell and the pulse's bass
    int voices[chordVoices]; // MIDI notes of the choir, reused an octave or two up by the bells
};

// How a section sounds. Levels are relative: 1 is a voice at its fullest.
struct SectionStyle {
    const char* cue; // the cue it starts at, as the cue sheet names it
    Chord chords[chordsPerSection];
    int chordBeats;
    double drone;           // the pedal notes under the chords
    double droneBrightness; // octaves the drones' filter opens
    int droneNotes[2];      // MIDI pedal notes
    double choir;
    int vowel;
    double bells; // chance per beat of a struck bell
    int bellOctave;
    double pulse;   // the corridor's heartbeat
    double shimmer; // high bright notes running over the chords
    double drips;
    double wind;         // air through the passages, in the music itself
    double swellSeconds; // the crescendo that leads into the cue
    double strike;       // a deep bell on the cue
};

struct Section {
    const SectionStyle* style;
    double start;
    double end;
};

struct Score {
    double seconds = 0.0;
    std::size_t frames = 0;
    std::vector<Section> sections;
};

// The score for a show with these cues whose path ends at `pathEndSeconds`. False, with
// the cue's name in `unknown`, when a cue has no section written for it.
bool composeScore(const std::vector<Cue>& cues, double pathEndSeconds, Score& score,
                  const char*& unknown);

struct Buses {
    Stereo dry;
    Stereo echo;
    Stereo reverb;
};

// The file's frame at `seconds`, wrapped into the loop.
inline std::size_t toFrame(const Score& score, double seconds) {
    const double wrapped = std::fmod(seconds, score.seconds);
    const double positive = wrapped < 0.0 ? wrapped + score.seconds : wrapped;
    return static_cast<std::size_t>(std::lround(positive * sampleRate)) % score.frames;
}

inline double smoothStep(double x) {
    const double t = std::clamp(x, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

inline double glideSeconds(const SectionStyle& style) {
    return style.strike > 0.0 ? sectionGlideSeconds : softGlideSeconds;
}

// The section sounding at `seconds` (wrapped into the loop).
std::size_t sectionAt(const Score& score, double seconds);

// A value of the sections at `seconds`: the section's own, glided from the one before
// over its glide after its cue, and raised towards the next cue by that cue's swell when
// `swells`.
double sectionValue(const Score& score, double seconds,
                    const std::function<double(const SectionStyle&)>& valueOf, bool swells = false);
double sectionLevel(const Score& score, double seconds, double SectionStyle::*level,
                    bool swells = false);

// How far the swell into the next cue raises the levels it touches at `seconds`: 1 outside
// a swell.
double swellGain(const Score& score, double seconds);

// The chord sounding at `seconds` in its section.
const Chord& chordAt(const Score& score, double seconds);

// The voices, each added to the buses over the whole loop.
void renderDrones(const Score& score, Buses& buses); // with the wind through the passages
void renderBells(const Score& score, Buses& buses);
void renderDrips(const Score& score, Buses& buses);
void renderChoir(const Score& score, Buses& buses);
void renderPulse(const Score& score, Buses& buses);
void renderStrokes(const Score& score, Buses& buses); // a drum stroke on every cue
void renderShimmer(const Score& score, Buses& buses);
