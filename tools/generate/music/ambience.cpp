#include "ambience.h"

#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr std::uint64_t ambienceSeed = 0xa3b1e5ULL;
constexpr std::uint64_t wellAirSeed = 0x3e11ULL;
constexpr std::uint64_t wellDripSeed = 0xd201ULL;

// How each kind of source sounds: its level at `nearDistance` and beyond it falling with
// the square of the distance, the breath of its flames (band noise) and the pops of its
// wood (short bright bursts, so many a second).
struct SourceSound {
    double level;
    double nearDistance;
    double roarHz;
    double roar;
    double hiss;
    double popsPerSecond;
    double popLowHz;
    double popHighHz;
};

constexpr SourceSound brazierSound = {0.5, 1.5, 420.0, 0.5, 0.08, 9.0, 1500.0, 6000.0};
constexpr SourceSound torchSound = {0.4, 1.0, 600.0, 0.45, 0.1, 6.0, 2000.0, 7000.0};
constexpr SourceSound candleSound = {0.15, 1.0, 900.0, 0.4, 0.05, 1.0, 3000.0, 8000.0};
constexpr SourceSound hearthSound = {0.6, 2.0, 300.0, 0.6, 0.06, 12.0, 1200.0, 5000.0};
// Air sighing down the light well, with water falling through its grate.
constexpr SourceSound wellSound = {0.35, 1.5, 900.0, 0.6, 0.1, 0.0, 0.0, 0.0};
constexpr double wellDripsPerSecond = 1.3;
constexpr double wellDripLowHz = 1400.0;
constexpr double wellDripHighHz = 2600.0;
constexpr double wellDripDecaySeconds = 0.06;
constexpr double wellDripGlide = 1.5; // its pitch rises by this as the drop settles
constexpr double wellDripGlideSeconds = 0.015;
constexpr double wellDripSoftest = 0.4;
// The wind outside: full once the eye is out in the open air, rising over this distance
// as it comes up the stairs.
constexpr double outsideWindLevel = 0.22;
constexpr double outsideWindReach = 4.0;
constexpr double outsideWindHz = 520.0;
constexpr double outsideWindSweepOctaves = 1.2;
constexpr double outsideWindGustHz = 0.11;
constexpr double gustBeatRatio = 0.43; // a second, slower wave, so gusts never repeat alike

constexpr double roarQ = 0.8;
constexpr double roarFlickerHz = 7.0;
constexpr double flickerDepth = 0.3;
constexpr double flickerBeatRatio = 0.37;
constexpr double hissHz = 3500.0;
constexpr double popDecaySeconds = 0.004;
constexpr double popQ = 2.0;
constexpr double popSoftest = 0.2;
constexpr double popGain = 4.0; // a pop stands out of the breath it bursts from
// A struck sound below this has died away.
constexpr double silentLevel = 1e-4;
// Sources quieter than this at the eye are not rendered at all.
constexpr double audibleLevel = 0.002;
constexpr float ambienceReverbSend = 0.25f;
// The places fade in over the file's first moments and out over the close, so the
// loop joins the still night at its end to the entrance hall at its start.
constexpr double fadeInSeconds = 1.5;

const SourceSound& soundOf(FireKind kind) {
    switch (kind) {
    case FireKind::brazier:
        return brazierSound;
    case FireKind::torch:
        return torchSound;
    case FireKind::candle:
        return candleSound;
    case FireKind::hearth:
        return hearthSound;
    }
    return torchSound;
}

double ambienceFade(const Score& score, double seconds) {
    const double closeStart = score.sections.back().start;
    return smoothStep(seconds / fadeInSeconds) *
           (1.0 - smoothStep((seconds - closeStart) / (score.seconds - closeStart)));
}

// Where the eye is at every controlFrames frames of the file, for all the sources.
std::vector<Camera> eyeTrack(const Score& score, const std::vector<Camera>& path) {
    std::vector<Camera> eyes(score.frames / controlFrames + 2);
    for (std::size_t s = 0; s < eyes.size(); ++s) {
        eyes[s] = eyeAt(path, static_cast<double>(s * controlFrames) / sampleRate);
    }
    return eyes;
}

// The source's level and pan at the eye, every controlFrames frames of the file.
struct Envelope {
    std::vector<float> level;
    std::vector<float> pan;
    float loudest = 0.0f;
};

Envelope envelopeOf(const Score& score, const std::vector<Camera>& eyes, glm::vec3 at,
                    const SourceSound& sound) {
    Envelope envelope;
    envelope.level.resize(eyes.size());
    envelope.pan.resize(eyes.size());
    for (std::size_t s = 0; s < eyes.size(); ++s) {
        const double seconds = static_cast<double>(s * controlFrames) / sampleRate;
        const Camera& eye = eyes[s];
        const double distance = static_cast<double>(glm::length(at - eye.position));
        const double ratio = distance / sound.nearDistance;
        envelope.level[s] =
            static_cast<float>(ambienceFade(score, seconds) * sound.level / (1.0 + ratio * ratio));
        envelope.pan[s] = static_cast<float>(sideOf(eye, at));
        envelope.loudest = std::max(envelope.loudest, envelope.level[s]);
    }
    return envelope;
}

// Adds a mono source under its envelope: frames where it is too quiet are skipped.
template <typename Voice>
void mixSource(const Envelope& envelope, std::size_t frames, Voice voice, Buses& buses) {
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const std::size_t s = frame / controlFrames;
        if (envelope.level[s] < audibleLevel && envelope.level[s + 1] < audibleLevel) {
            continue;
        }
        const float t = static_cast<float>(frame % controlFrames) / controlFrames;
        const float level = envelope.level[s] + t * (envelope.level[s + 1] - envelope.level[s]);
        const float pan = envelope.pan[s] + t * (envelope.pan[s + 1] - envelope.pan[s]);
        const PanGains gains = panGains(pan);
        const float sample = level * voice(frame);
        buses.dry.left[frame] += gains.left * sample;
        buses.dry.right[frame] += gains.right * sample;
        buses.reverb.left[frame] += ambienceReverbSend * gains.left * sample;
        buses.reverb.right[frame] += ambienceReverbSend * gains.right * sample;
    }
}

// A fire's breath and crackle, addressed by frame so skipped stretches cost nothing.
struct Crackle {
    const SourceSound* sound;
    std::uint64_t seed;
    SvfCoefficients roarFilter;
    SvfCoefficients hissFilter;
    Svf roar;
    Svf hiss;
    Svf pop;
    SvfCoefficients popFilter{};
    double popLevel = 0.0;
    double popDecay;
    Rng rng;
};

Crackle makeCrackle(const SourceSound& sound, std::uint64_t seed) {
    Crackle crackle{&sound,
                    seed,
                    svfCoefficients(sound.roarHz, roarQ, sampleRate),
                    svfCoefficients(hissHz, roarQ, sampleRate),
                    {},
                    {},
                    {},
                    {},
                    0.0,
                    std::exp(-1.0 / (popDecaySeconds * sampleRate)),
                    Rng{seed}};
    return crackle;
}

float crackleAt(Crackle& crackle, std::size_t frame) {
    const SourceSound& sound = *crackle.sound;
    const double noise = hashNoise(frame, crackle.seed);
    const double seconds = static_cast<double>(frame) / sampleRate;
    // The flames' breath flickers with two slow beats that never line up.
    const double flicker =
        1.0 - flickerDepth +
        flickerDepth *
            std::sin(2.0 * pi * roarFlickerHz * seconds + static_cast<double>(crackle.seed % 7)) *
            std::sin(2.0 * pi * flickerBeatRatio * roarFlickerHz * seconds);
    double out = sound.roar * flicker * processSvf(crackle.roar, crackle.roarFilter, noise).band;
    out += sound.hiss * processSvf(crackle.hiss, crackle.hissFilter, noise).high;
    if (sound.popsPerSecond > 0.0 &&
        uniform(crackle.rng, 0.0, 1.0) < sound.popsPerSecond / sampleRate) {
        crackle.popLevel = uniform(crackle.rng, popSoftest, 1.0);
        crackle.popFilter = svfCoefficients(uniform(crackle.rng, sound.popLowHz, sound.popHighHz),
                                            popQ, sampleRate);
    }
    if (crackle.popLevel > silentLevel) {
        out += popGain * crackle.popLevel * processSvf(crackle.pop, crackle.popFilter, noise).band;
        crackle.popLevel *= crackle.popDecay;
    }
    return static_cast<float>(out);
}

void renderFire(const Score& score, const std::vector<Camera>& eyes, const Fire& fire,
                std::uint64_t seed, Buses& buses) {
    const SourceSound& sound = soundOf(fire.kind);
    const Envelope envelope = envelopeOf(score, eyes, fire.at, sound);
    if (envelope.loudest < audibleLevel) {
        return;
    }
    Crackle crackle = makeCrackle(sound, seed);
    mixSource(
        envelope, score.frames, [&crackle](std::size_t frame) { return crackleAt(crackle, frame); },
        buses);
}

void renderWell(const Score& score, const std::vector<Camera>& eyes, const Box& well,
                Buses& buses) {
    // Heard from the bottom of the shaft, where the grate is.
    const glm::vec3 at(0.5f * (well.min.x + well.max.x), well.min.y,
                       0.5f * (well.min.z + well.max.z));
    const Envelope envelope = envelopeOf(score, eyes, at, wellSound);
    Crackle air = makeCrackle(wellSound, ambienceSeed ^ wellAirSeed);
    Rng rng{ambienceSeed ^ wellDripSeed};
    double dripLevel = 0.0;
    double dripPhase = 0.0;
    double dripHz = 0.0;
    double dripAge = 0.0;
    const double dripDecay = std::exp(-1.0 / (wellDripDecaySeconds * sampleRate));
    mixSource(
        envelope, score.frames,
        [&](std::size_t frame) {
            if (uniform(rng, 0.0, 1.0) < wellDripsPerSecond / sampleRate) {
                dripLevel = uniform(rng, wellDripSoftest, 1.0);
                dripHz = uniform(rng, wellDripLowHz, wellDripHighHz);
                dripPhase = 0.0;
                dripAge = 0.0;
            }
            double drip = 0.0;
            if (dripLevel > silentLevel) {
                const double hz =
                    dripHz * std::pow(wellDripGlide, std::min(1.0, dripAge / wellDripGlideSeconds));
                dripPhase += 2.0 * pi * hz / sampleRate;
                drip = dripLevel * std::sin(dripPhase);
                dripLevel *= dripDecay;
                dripAge += 1.0 / sampleRate;
            }
            return crackleAt(air, frame) + static_cast<float>(drip);
        },
        buses);
}

// The wind outside, all round the eye once it is out: two sides of noise swept by gusts.
void renderOutsideWind(const Score& score, const std::vector<Camera>& eyes, const Box& outside,
                       Buses& buses) {
    Svf filters[channelCount];
    SvfCoefficients sweep{};
    double level = 0.0;
    for (std::size_t frame = 0; frame < score.frames; ++frame) {
        if (frame % controlFrames == 0) {
            const double seconds = static_cast<double>(frame) / sampleRate;
            const double reach = distanceToBox(outside, eyes[frame / controlFrames].position);
            const double open = 1.0 - smoothStep(reach / outsideWindReach);
            const double gust =
                0.5 + 0.5 * std::sin(2.0 * pi * outsideWindGustHz * seconds) *
                          std::sin(2.0 * pi * gustBeatRatio * outsideWindGustHz * seconds + 1.0);
            sweep = svfCoefficients(outsideWindHz *
                                        std::pow(2.0, outsideWindSweepOctaves * (gust - 0.5)),
                                    roarQ, sampleRate);
            level = ambienceFade(score, seconds) * outsideWindLevel * open * (0.5 + 0.5 * gust);
        }
        if (level <= 0.0) {
            continue;
        }
        const float left = static_cast<float>(
            level * processSvf(filters[0], sweep, hashNoise(frame, ambienceSeed + 1)).band);
        const float right = static_cast<float>(
            level * processSvf(filters[1], sweep, hashNoise(frame, ambienceSeed + 2)).band);
        buses.dry.left[frame] += left;
        buses.dry.right[frame] += right;
        buses.reverb.left[frame] += ambienceReverbSend * left;
        buses.reverb.right[frame] += ambienceReverbSend * right;
    }
}

} // namespace

Camera eyeAt(const std::vector<Camera>& path, double seconds) {
    if (path.empty()) {
        return Camera{};
    }
    const double entry = std::max(0.0, seconds * pathFramesPerSecond);
    const std::size_t first = std::min(static_cast<std::size_t>(entry), path.size() - 1);
    const std::size_t second = std::min(first + 1, path.size() - 1);
    const float t = static_cast<float>(std::min(1.0, entry - static_cast<double>(first)));
    Camera eye = path[first];
    eye.position = path[first].position + t * (path[second].position - path[first].position);
    eye.front = path[first].front + t * (path[second].front - path[first].front);
    return eye;
}

double sideOf(const Camera& eye, glm::vec3 source) {
    const glm::vec3 right = glm::cross(eye.front, glm::vec3(0.0f, 1.0f, 0.0f));
    glm::vec3 toward = source - eye.position;
    toward.y = 0.0f;
    const float rightLength = glm::length(right);
    const float towardLength = glm::length(toward);
    if (rightLength <= 0.0f || towardLength <= 0.0f) {
        return 0.0;
    }
    return static_cast<double>(glm::dot(right / rightLength, toward / towardLength));
}

void renderAmbience(const Score& score, const std::vector<Camera>& path, const SoundPlan& plan,
                    Buses& buses) {
    const std::vector<Camera> eyes = eyeTrack(score, path);
    std::uint64_t seed = ambienceSeed;
    for (const Fire& fire : plan.fires) {
        renderFire(score, eyes, fire, ++seed, buses);
    }
    renderWell(score, eyes, plan.lightWell, buses);
    for (const PlaceAir& place : plan.places) {
        if (place.place == Place::openAir && !place.boxes.empty()) {
            renderOutsideWind(score, eyes, place.boxes.front(), buses);
        }
    }
}
