#pragma once

// The music's score: one loop of chords at a slow beat, and the buses its voices render
// into. The voices fill the whole loop, wrapping what runs past its end to its start.

#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

constexpr int sampleRate = 44100;
constexpr int channelCount = 2;
constexpr double beatSeconds = 60.0 / 64.0;
constexpr int beatsPerChord = 20;
constexpr int chordCount = 8;
constexpr double chordSeconds = beatsPerChord * beatSeconds;
constexpr double loopSeconds = chordCount * chordSeconds;
constexpr std::size_t loopFrames = static_cast<std::size_t>(loopSeconds * sampleRate);
// Slowly moving controls (levels, filter sweeps) are worked out anew every this many frames.
constexpr std::size_t controlFrames = 32;
// Struck sounds ramp up over this long, so they start without a click.
constexpr double strikeAttackSeconds = 0.004;

// D minor with a Phrygian flat second; the last chord's leading note pulls back to the start.
constexpr int chordVoices = 3;

struct Chord {
    int root;                // MIDI note of the deep bell
    int voices[chordVoices]; // MIDI notes of the choir, reused an octave or two up by the bells
    double fifthDrone;
    double choir;
    double bellChance; // per beat
    bool deepBell;
    int vowel;
};

constexpr Chord chords[chordCount] = {
    {50, {50, 53, 57}, 1.0, 0.0, 0.16, true, 0},   // Dm
    {46, {53, 58, 62}, 0.3, 0.35, 0.18, false, 1}, // Bb
    {43, {55, 58, 62}, 0.6, 0.6, 0.22, true, 2},   // Gm
    {45, {57, 60, 64}, 1.0, 0.8, 0.24, true, 1},   // Am
    {50, {53, 57, 62}, 1.0, 1.0, 0.26, true, 2},   // Dm
    {51, {55, 58, 63}, 0.0, 0.9, 0.22, true, 1},   // Eb
    {48, {55, 60, 63}, 0.4, 0.7, 0.18, false, 0},  // Cm
    {45, {57, 61, 64}, 1.0, 0.45, 0.14, true, 0},  // A
};

struct Buses {
    Stereo dry;
    Stereo echo;
    Stereo reverb;
};

// The loop's frame at `seconds`, wrapped into the loop.
inline std::size_t toFrame(double seconds) {
    const double wrapped = std::fmod(seconds, loopSeconds);
    const double positive = wrapped < 0.0 ? wrapped + loopSeconds : wrapped;
    return static_cast<std::size_t>(std::lround(positive * sampleRate)) % loopFrames;
}

inline double smoothStep(double x) {
    const double t = std::clamp(x, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// The voices, each added to the buses over the whole loop.
void renderDrones(Buses& buses); // with the wind through the passages
void renderBells(Buses& buses);
void renderDrips(Buses& buses);
void renderChoir(Buses& buses);
