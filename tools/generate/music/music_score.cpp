#include "music_score.h"

#include <cstring>
#include <functional>
#include <iterator>

namespace {

// D minor throughout, dark; the stars turn it to D major. Pedal and bass notes are low,
// the choir's notes climb with the stairs and stand high in the open air. After each
// section's chords: beats per chord | drone, brightness, pedal notes | choir, vowel |
// bells, bell octave | pulse, shimmer, drips, wind | swell seconds, stroke.
// clang-format off
constexpr SectionStyle sectionStyles[] = {
    // The entrance hall: low pedals, a quiet choir, water in the dark.
    {"entrance hall", {{50, {50, 53, 57}}, {46, {50, 53, 58}}, {43, {50, 55, 58}}, {45, {49, 52, 57}}},
     8, 0.8, 0.0, {26, 33}, 0.3, 0, 0.12, 12, 0.0, 0.0, 1.0, 0.7, 0.0, 1.0},
    // The gallery: the choir opens, bells wake.
    {"gallery", {{43, {55, 58, 62}}, {50, {53, 57, 62}}, {51, {55, 58, 63}}, {46, {53, 58, 62}}},
     6, 0.65, 0.3, {31, 38}, 0.55, 1, 0.22, 12, 0.0, 0.0, 0.6, 0.4, 1.5, 0.6},
    // The chapel: a full choir over bright pedals, swelling into its first sight.
    {"chapel", {{50, {57, 62, 65}}, {46, {58, 62, 65}}, {41, {57, 60, 65}}, {45, {57, 61, 64}}},
     6, 1.0, 1.0, {26, 38}, 1.0, 2, 0.25, 24, 0.0, 0.0, 0.2, 0.2, 3.0, 1.0},
    // The corridor: a slow heartbeat and a bass under a thin choir.
    {"corridor", {{38, {50, 53, 57}}, {36, {48, 52, 55}}, {34, {50, 53, 58}}, {33, {49, 52, 57}}},
     4, 0.55, 0.2, {26, 33}, 0.2, 0, 0.08, 12, 1.0, 0.0, 0.8, 0.8, 1.0, 0.9},
    // The side hall, laid for a meal by candlelight: warmer chords, small high bells.
    {"side hall", {{34, {53, 58, 62}}, {29, {53, 57, 60}}, {31, {55, 58, 62}}, {33, {52, 57, 61}}},
     4, 0.6, 0.4, {22, 29}, 0.45, 1, 0.35, 24, 0.55, 0.0, 0.4, 0.5, 1.5, 0.7},
    // The stairs: the low end falls away and the chords climb.
    {"stairs", {{38, {62, 65, 69}}, {41, {65, 69, 72}}, {43, {67, 70, 74}}, {45, {69, 73, 76}}},
     4, 0.3, 0.8, {38, 45}, 0.35, 2, 0.06, 12, 0.0, 0.0, 0.0, 1.0, 0.0, 0.9},
    // The open air: open fifths, high and wide, under the wind.
    {"open air", {{38, {57, 62, 69}}, {34, {58, 62, 69}}, {36, {55, 60, 67}}, {38, {57, 62, 69}}},
     8, 0.45, 0.6, {38, 45}, 0.4, 2, 0.1, 24, 0.0, 0.0, 0.0, 0.6, 1.0, 0.7},
    // The stars: the rise, in D major, with bright notes running over it.
    {"stars", {{38, {62, 66, 69}}, {34, {62, 65, 70}}, {31, {62, 67, 71}}, {33, {61, 64, 69}}},
     6, 0.9, 1.2, {26, 38}, 0.9, 2, 0.2, 24, 0.0, 1.0, 0.0, 0.4, 4.0, 1.0},
};
// After the show: the night settles back into the opening's pedals, and with no stroke the
// loop returns softly to the entrance hall from what it left.
constexpr SectionStyle closeStyle =
    {"close", {{38, {50, 53, 57}}, {38, {50, 53, 57}}, {33, {49, 52, 57}}, {38, {50, 53, 57}}},
     8, 0.8, 0.0, {26, 33}, 0.25, 0, 0.08, 12, 0.0, 1.0, 0.5, 0.6, 0.0, 0.0};
// clang-format on
// The close begins this long after the path's last entry and lasts closeSeconds.
constexpr double closeAfterPathSeconds = 8.0;
constexpr double closeSeconds = 12.0;
// A swell at its height raises the levels it touches by this much.
constexpr double swellBoost = 0.8;

const SectionStyle* styleFor(const char* cue) {
    for (const SectionStyle& style : sectionStyles) {
        if (std::strcmp(style.cue, cue) == 0) {
            return &style;
        }
    }
    return nullptr;
}

std::size_t previousSection(const Score& score, std::size_t index) {
    return index == 0 ? score.sections.size() - 1 : index - 1;
}

double wrapSeconds(const Score& score, double seconds) {
    const double wrapped = std::fmod(seconds, score.seconds);
    return wrapped < 0.0 ? wrapped + score.seconds : wrapped;
}

// How far the swell into the section after `index` has risen at `seconds` (0 … 1).
double swellRise(const Score& score, std::size_t index, double seconds) {
    const std::size_t next = (index + 1) % score.sections.size();
    const double swell = score.sections[next].style->swellSeconds;
    if (swell <= 0.0) {
        return 0.0;
    }
    const double end = score.sections[index].end;
    return smoothStep((seconds - (end - swell)) / swell);
}

} // namespace

bool composeScore(const std::vector<Cue>& cues, double pathEndSeconds, Score& score,
                  const char*& unknown) {
    score.sections.clear();
    unknown = nullptr;
    for (const Cue& cue : cues) {
        const SectionStyle* style = styleFor(cue.name);
        if (style == nullptr) {
            unknown = cue.name;
            return false;
        }
        if (!score.sections.empty()) {
            score.sections.back().end = cue.seconds;
        }
        score.sections.push_back({style, cue.seconds, 0.0});
    }
    const double closeStart = pathEndSeconds + closeAfterPathSeconds;
    if (score.sections.empty()) {
        score.sections.push_back({&closeStyle, 0.0, 0.0});
    } else {
        score.sections.back().end = closeStart;
        score.sections.push_back({&closeStyle, closeStart, 0.0});
    }
    score.seconds = closeStart + closeSeconds;
    score.sections.back().end = score.seconds;
    score.frames = static_cast<std::size_t>(score.seconds * sampleRate);
    return true;
}

std::size_t sectionAt(const Score& score, double seconds) {
    const double t = wrapSeconds(score, seconds);
    for (std::size_t i = score.sections.size(); i-- > 0;) {
        if (t >= score.sections[i].start) {
            return i;
        }
    }
    return score.sections.size() - 1;
}

double sectionValue(const Score& score, double seconds,
                    const std::function<double(const SectionStyle&)>& valueOf, bool swells) {
    const double t = wrapSeconds(score, seconds);
    const std::size_t index = sectionAt(score, t);
    const Section& section = score.sections[index];
    double value = valueOf(*section.style);
    if (swells) {
        value *= 1.0 + swellBoost * swellRise(score, index, t);
    }
    const double into = t - section.start;
    const double glide = glideSeconds(*section.style);
    if (into < glide) {
        double from = valueOf(*score.sections[previousSection(score, index)].style);
        if (swells && section.style->swellSeconds > 0.0) {
            from *= 1.0 + swellBoost;
        }
        value = from + (value - from) * smoothStep(into / glide);
    }
    return value;
}

double sectionLevel(const Score& score, double seconds, double SectionStyle::*level, bool swells) {
    return sectionValue(
        score, seconds, [level](const SectionStyle& style) { return style.*level; }, swells);
}

double swellGain(const Score& score, double seconds) {
    const double t = wrapSeconds(score, seconds);
    return 1.0 + swellBoost * swellRise(score, sectionAt(score, t), t);
}

const Chord& chordAt(const Score& score, double seconds) {
    const double t = wrapSeconds(score, seconds);
    const Section& section = score.sections[sectionAt(score, t)];
    const double chordSeconds = section.style->chordBeats * beatSeconds;
    const int chord = static_cast<int>((t - section.start) / chordSeconds) % chordsPerSection;
    return section.style->chords[chord];
}
