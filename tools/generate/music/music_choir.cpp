// A choir singing the sections' chords on slowly changing vowels, swelling into the cues
// that ask for it.
#include "music_score.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint64_t choirSeed = 0xc401c5eedULL;

// Choir: detuned saws with vibrato through vowel formants, swelling over each chord.
constexpr int formantCount = 3;
constexpr int choirSingers = 3; // saws per sung note

struct Vowel {
    double formantHz[formantCount];
    double gain[formantCount];
};

constexpr Vowel vowels[] = {
    {{325.0, 700.0, 2530.0}, {1.0, 0.3, 0.04}},  // oo
    {{450.0, 800.0, 2830.0}, {1.0, 0.45, 0.06}}, // oh
    {{650.0, 1080.0, 2650.0}, {1.0, 0.5, 0.07}}, // ah, darkened
};
constexpr double choirFormantQ = 7.0;
constexpr double choirDetuneCents[choirSingers] = {-7.0, 0.0, 6.0};
constexpr double choirVibratoHz = 4.6;
constexpr double choirVibratoDepth = 0.003;
constexpr double choirVibratoSpread = 0.07; // singers drift apart rather than wobble together
constexpr double choirBreath = 0.08;
constexpr double choirLeadSeconds = 1.5;
constexpr double choirTailSeconds = 4.5;
constexpr double choirAttackSeconds = 4.0;
// A section's first chord enters on its cue, quickly enough to be heard arriving there.
constexpr double choirEntrySeconds = 0.08;
constexpr double choirReleaseSeconds = 4.0;
// A section's last chord dies away over this long after the next cue.
constexpr double choirExitSeconds = 0.25;
constexpr double choirPanWidth = 0.55;
constexpr double choirPanJitter = 0.1;
constexpr float choirGain = 0.25f;
constexpr float choirDry = 0.35f;
constexpr float choirReverbSend = 0.9f;

std::vector<float> singChoirNote(double noteHz, double seconds, double attackSeconds,
                                 double releaseSeconds, const Vowel& from, const Vowel& to,
                                 Rng& rng) {
    const std::size_t frames = static_cast<std::size_t>(seconds * sampleRate);
    std::vector<float> voice(frames);
    // Each saw is a singer of the section, with its own pitch, vibrato and starting phase.
    double phases[choirSingers];
    double vibratoPhases[choirSingers];
    double increments[choirSingers] = {};
    for (int s = 0; s < choirSingers; ++s) {
        phases[s] = uniform(rng, 0.0, 1.0);
        vibratoPhases[s] = uniform(rng, 0.0, 2.0 * pi);
    }
    const std::uint64_t breathSeed = nextBits(rng);
    Svf formants[formantCount];
    SvfCoefficients coefficients[formantCount];
    double gains[formantCount] = {};
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        if (i % controlFrames == 0) {
            const double morph = smoothStep(t / seconds);
            for (int f = 0; f < formantCount; ++f) {
                const double hz = from.formantHz[f] + (to.formantHz[f] - from.formantHz[f]) * morph;
                coefficients[f] = svfCoefficients(hz, choirFormantQ, sampleRate);
                gains[f] = from.gain[f] + (to.gain[f] - from.gain[f]) * morph;
            }
            for (int s = 0; s < choirSingers; ++s) {
                const double vibrato =
                    1.0 + choirVibratoDepth * std::sin(2.0 * pi * choirVibratoHz *
                                                           (1.0 + choirVibratoSpread * s) * t +
                                                       vibratoPhases[s]);
                increments[s] =
                    noteHz * std::pow(2.0, choirDetuneCents[s] / 1200.0) * vibrato / sampleRate;
            }
        }
        double source = choirBreath * hashNoise(i, breathSeed);
        for (int s = 0; s < choirSingers; ++s) {
            source += blepSaw(phases[s], increments[s]) / choirSingers;
            phases[s] += increments[s];
            if (phases[s] >= 1.0) {
                phases[s] -= 1.0;
            }
        }
        double sung = 0.0;
        for (int f = 0; f < formantCount; ++f) {
            sung += gains[f] * processSvf(formants[f], coefficients[f], source).band;
        }
        const double rise = smoothStep(t / attackSeconds);
        const double fall = smoothStep((seconds - t) / releaseSeconds);
        voice[i] = static_cast<float>(sung * rise * fall);
    }
    return voice;
}

} // namespace

void renderChoir(const Score& score, Buses& buses) {
    Rng rng{choirSeed};
    Stereo choir = makeStereo(score.frames);
    for (std::size_t index = 0; index < score.sections.size(); ++index) {
        const Section& section = score.sections[index];
        const SectionStyle& style = *section.style;
        const SectionStyle& next = *score.sections[(index + 1) % score.sections.size()].style;
        const Vowel& to = vowels[next.vowel];
        const double chordSeconds = style.chordBeats * beatSeconds;
        for (int c = 0; section.start + c * chordSeconds < section.end; ++c) {
            // Sections with a stroke on their cue arrive on it; the others fade in.
            const bool entry = c == 0 && style.strike > 0.0;
            const double chordStart = section.start + c * chordSeconds;
            const bool exit = chordStart + chordSeconds >= section.end && next.strike > 0.0;
            const double start = entry ? chordStart : chordStart - choirLeadSeconds;
            const double stop =
                exit ? section.end + choirExitSeconds
                     : std::min(chordStart + chordSeconds, section.end) + choirTailSeconds;
            const Chord& chord = style.chords[c % chordsPerSection];
            for (int v = 0; v < chordVoices; ++v) {
                const std::vector<float> note = singChoirNote(
                    midiToHz(chord.voices[v]), stop - start,
                    entry ? choirEntrySeconds : choirAttackSeconds,
                    exit ? choirExitSeconds : choirReleaseSeconds, vowels[style.vowel], to, rng);
                const PanGains gains =
                    panGains(choirPanWidth * (2.0 * v / (chordVoices - 1) - 1.0) +
                             uniform(rng, -choirPanJitter, choirPanJitter));
                mixWrapped(choir, note, toFrame(score, start), gains,
                           choirGain * static_cast<float>(style.choir));
            }
        }
    }
    // The swells into the cues that ask for one.
    for (std::size_t frame = 0; frame < score.frames; ++frame) {
        const double seconds = static_cast<double>(frame) / sampleRate;
        const double swell = swellGain(score, seconds);
        const float left = static_cast<float>(swell) * choir.left[frame];
        const float right = static_cast<float>(swell) * choir.right[frame];
        buses.dry.left[frame] += choirDry * left;
        buses.dry.right[frame] += choirDry * right;
        buses.reverb.left[frame] += choirReverbSend * left;
        buses.reverb.right[frame] += choirReverbSend * right;
    }
}
