#include "parts.h"
#include "synth.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

constexpr int sampleRate = 44100;
constexpr double beatSeconds = 60.0 / 64.0;
constexpr int beatsPerChord = 20;
constexpr int chordCount = 8;
constexpr double chordSeconds = beatsPerChord * beatSeconds;
constexpr double loopSeconds = chordCount * chordSeconds;
constexpr std::size_t loopFrames = static_cast<std::size_t>(loopSeconds * sampleRate);
constexpr double pi = 3.14159265358979323846;
constexpr const char* musicFile = "audio/37_Catacombs.mp3";

constexpr std::uint64_t bellSeed = 0x37ca7ac0b5b311ULL;
constexpr std::uint64_t dripSeed = 0xd121b5eed5ULL;
constexpr std::uint64_t choirSeed = 0xc401c5eedULL;
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
constexpr std::size_t controlFrames = 32;
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
constexpr double strikeAttackSeconds = 0.004;
constexpr double bellTailSeconds = 22.0;
constexpr int bellMinGapBeats = 3;
constexpr int bellOctaveLow = 12;
constexpr int bellOctaveHigh = 24;
constexpr double bellLowOctaveChance = 0.6;
constexpr double bellSoftest = 0.35;
constexpr double bellHardest = 0.75;
constexpr double bellPanWidth = 0.7;
constexpr double deepBellPanWidth = 0.2;
constexpr float bellGain = 0.2f;
constexpr float deepBellGain = 0.24f;
constexpr float bellDry = 0.45f;
constexpr float bellEchoSend = 0.35f;
constexpr float bellReverbSend = 0.8f;

// Water drops: a short upward-gliding sine, heard mostly through the room.
constexpr double dripFirstSeconds = 3.1;
constexpr double dripMinGapSeconds = 3.0;
constexpr double dripMaxGapSeconds = 9.0;
constexpr double dripLowHz = 1000.0;
constexpr double dripHighHz = 1900.0;
constexpr double dripGlide = 1.6;
constexpr double dripGlideSeconds = 0.02;
constexpr double dripDecaySeconds = 0.12;
constexpr double dripSeconds = 0.2;
constexpr double dripSoftest = 0.4;
constexpr double dripPanWidth = 0.9;
constexpr float dripGain = 0.18f;
constexpr float dripDry = 0.15f;
constexpr float dripEchoSend = 0.3f;
constexpr float dripReverbSend = 1.0f;

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
constexpr double choirAttackSeconds = 5.0;
constexpr double choirReleaseSeconds = 6.0;
constexpr double choirPanWidth = 0.55;
constexpr double choirPanJitter = 0.1;
constexpr float choirGain = 0.25f;
constexpr float choirDry = 0.35f;
constexpr float choirReverbSend = 0.9f;

constexpr double echoLeftSeconds = 0.75 * beatSeconds;
constexpr double echoRightSeconds = 1.0 * beatSeconds;
constexpr double echoFeedback = 0.5;
constexpr double echoCutoffHz = 1800.0;
constexpr double echoWarmupSeconds = 12.0;
constexpr float echoReturn = 0.6f;
constexpr float echoReverbSend = 0.5f;

constexpr ReverbSettings roomReverb = {7.0, 0.35, 0.035, 4500.0};
constexpr double reverbWarmupSeconds = 16.0;
constexpr float reverbReturn = 1.0f;

constexpr double highPassHz = 24.0;
constexpr double highPassQ = 0.7071; // Butterworth: flat above the cutoff
constexpr double highPassWarmupSeconds = 1.0;
constexpr double targetRmsDecibels = -18.0;
constexpr float peakCeiling = 0.89f;
constexpr double limiterAttackSeconds = 0.005;
constexpr double limiterReleaseSeconds = 0.3;

constexpr int mp3BitrateKbps = 160;
constexpr int lameQuality = 5; // 0 best and slowest, 9 fastest
constexpr int channelCount = 2;
constexpr int encodeChunkFrames = 1152 * 16;
// LAME's documented worst case for the bytes one call can produce.
constexpr std::size_t mp3ChunkBytes = encodeChunkFrames * 5 / 4 + 7200;

struct Buses {
    Stereo dry;
    Stereo echo;
    Stereo reverb;
};

std::size_t toFrame(double seconds) {
    const double wrapped = std::fmod(seconds, loopSeconds);
    const double positive = wrapped < 0.0 ? wrapped + loopSeconds : wrapped;
    return static_cast<std::size_t>(std::lround(positive * sampleRate)) % loopFrames;
}

double smoothStep(double x) {
    const double t = std::clamp(x, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

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

double bellPartialDecay(double frequencyHz) {
    return std::max(bellMinDecaySeconds,
                    bellDecaySeconds *
                        std::pow(bellDecayReferenceHz / frequencyHz, bellDecayExponent));
}

void strikeBell(Buses& buses, double seconds, int note, double velocity, double pan, float gain) {
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
    const std::size_t start = toFrame(seconds);
    const PanGains gains = panGains(pan);
    mixWrapped(buses.dry, bell, start, gains, gain * bellDry);
    mixWrapped(buses.echo, bell, start, gains, gain * bellEchoSend);
    mixWrapped(buses.reverb, bell, start, gains, gain * bellReverbSend);
}

void renderBells(Buses& buses) {
    Rng rng{bellSeed};
    for (int c = 0; c < chordCount; ++c) {
        const Chord& chord = chords[c];
        const double chordStart = c * chordSeconds;
        if (chord.deepBell) {
            strikeBell(buses, chordStart, chord.root, 1.0,
                       uniform(rng, -deepBellPanWidth, deepBellPanWidth), deepBellGain);
        }
        int lastBeat = 0;
        for (int beat = bellMinGapBeats; beat < beatsPerChord; ++beat) {
            if (beat - lastBeat < bellMinGapBeats || uniform(rng, 0.0, 1.0) >= chord.bellChance) {
                continue;
            }
            lastBeat = beat;
            const int voice = static_cast<int>(uniform(rng, 0.0, chordVoices));
            const int octave =
                uniform(rng, 0.0, 1.0) < bellLowOctaveChance ? bellOctaveLow : bellOctaveHigh;
            strikeBell(buses, chordStart + beat * beatSeconds, chord.voices[voice] + octave,
                       uniform(rng, bellSoftest, bellHardest),
                       uniform(rng, -bellPanWidth, bellPanWidth), bellGain);
        }
    }
}

void renderDrips(Buses& buses) {
    Rng rng{dripSeed};
    std::vector<float> drip(static_cast<std::size_t>(dripSeconds * sampleRate));
    for (double seconds = dripFirstSeconds; seconds < loopSeconds;
         seconds += uniform(rng, dripMinGapSeconds, dripMaxGapSeconds)) {
        const double startHz = uniform(rng, dripLowHz, dripHighHz);
        const double decayPerFrame = std::pow(10.0, -3.0 / (dripDecaySeconds * sampleRate));
        double phase = 0.0;
        double amplitude = 1.0;
        for (std::size_t i = 0; i < drip.size(); ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            const double hz = startHz * std::pow(dripGlide, std::min(1.0, t / dripGlideSeconds));
            drip[i] = static_cast<float>(amplitude * std::sin(phase));
            phase += 2.0 * pi * hz / sampleRate;
            amplitude *= decayPerFrame;
        }
        applyAttack(drip, static_cast<std::size_t>(strikeAttackSeconds * sampleRate));
        const float gain = dripGain * static_cast<float>(uniform(rng, dripSoftest, 1.0));
        const PanGains gains = panGains(uniform(rng, -dripPanWidth, dripPanWidth));
        const std::size_t start = toFrame(seconds);
        mixWrapped(buses.dry, drip, start, gains, gain * dripDry);
        mixWrapped(buses.echo, drip, start, gains, gain * dripEchoSend);
        mixWrapped(buses.reverb, drip, start, gains, gain * dripReverbSend);
    }
}

std::vector<float> singChoirNote(double noteHz, double seconds, const Vowel& from, const Vowel& to,
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
        const double rise = smoothStep(t / choirAttackSeconds);
        const double fall = smoothStep((seconds - t) / choirReleaseSeconds);
        voice[i] = static_cast<float>(sung * rise * fall);
    }
    return voice;
}

void renderChoir(Buses& buses) {
    Rng rng{choirSeed};
    for (int c = 0; c < chordCount; ++c) {
        const Chord& chord = chords[c];
        if (chord.choir <= 0.0) {
            continue;
        }
        const Vowel& from = vowels[chord.vowel];
        const Vowel& to = vowels[chords[(c + 1) % chordCount].vowel];
        const double start = c * chordSeconds - choirLeadSeconds;
        const double seconds = choirLeadSeconds + chordSeconds + choirTailSeconds;
        for (int v = 0; v < chordVoices; ++v) {
            const std::vector<float> note =
                singChoirNote(midiToHz(chord.voices[v]), seconds, from, to, rng);
            const PanGains gains = panGains(choirPanWidth * (2.0 * v / (chordVoices - 1) - 1.0) +
                                            uniform(rng, -choirPanJitter, choirPanJitter));
            const float gain = choirGain * static_cast<float>(chord.choir);
            mixWrapped(buses.dry, note, toFrame(start), gains, gain * choirDry);
            mixWrapped(buses.reverb, note, toFrame(start), gains, gain * choirReverbSend);
        }
    }
}

void addInto(Stereo& target, const Stereo& source, float gain) {
    for (std::size_t i = 0; i < target.left.size(); ++i) {
        target.left[i] += gain * source.left[i];
        target.right[i] += gain * source.right[i];
    }
}

Stereo renderMusic() {
    Buses buses{makeStereo(loopFrames), makeStereo(loopFrames), makeStereo(loopFrames)};
    renderDrones(buses);
    renderBells(buses);
    renderDrips(buses);
    renderChoir(buses);

    PingPongEcho echo =
        makeEcho(echoLeftSeconds, echoRightSeconds, echoFeedback, echoCutoffHz, sampleRate);
    processLoop(buses.echo, static_cast<std::size_t>(echoWarmupSeconds * sampleRate),
                [&echo](float& left, float& right) { processEcho(echo, left, right); });
    addInto(buses.dry, buses.echo, echoReturn);
    addInto(buses.reverb, buses.echo, echoReverbSend);
    buses.echo = Stereo{};

    Reverb reverb = makeReverb(roomReverb, sampleRate);
    processLoop(buses.reverb, static_cast<std::size_t>(reverbWarmupSeconds * sampleRate),
                [&reverb](float& left, float& right) { processReverb(reverb, left, right); });
    addInto(buses.dry, buses.reverb, reverbReturn);
    buses.reverb = Stereo{};

    // Take out DC and the rumble below the lowest drone.
    const SvfCoefficients highPass = svfCoefficients(highPassHz, highPassQ, sampleRate);
    Svf filters[channelCount];
    processLoop(buses.dry, static_cast<std::size_t>(highPassWarmupSeconds * sampleRate),
                [&](float& left, float& right) {
                    left = static_cast<float>(processSvf(filters[0], highPass, left).high);
                    right = static_cast<float>(processSvf(filters[1], highPass, right).high);
                });

    Stereo music = std::move(buses.dry);
    scale(music, static_cast<float>(std::pow(10.0, targetRmsDecibels / 20.0) / rmsOf(music)));
    limitLoop(music, peakCeiling, static_cast<std::size_t>(limiterAttackSeconds * sampleRate),
              static_cast<std::size_t>(limiterReleaseSeconds * sampleRate));
    scale(music, peakCeiling / peakOf(music));
    return music;
}

bool encodeMp3(const Stereo& music, std::vector<unsigned char>& mp3) {
    lame_global_flags* lame = lame_init();
    if (lame == nullptr) {
        return false;
    }
    lame_set_in_samplerate(lame, sampleRate);
    lame_set_out_samplerate(lame, sampleRate);
    lame_set_num_channels(lame, channelCount);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, mp3BitrateKbps);
    lame_set_quality(lame, lameQuality);
    lame_set_bWriteVbrTag(lame, 1);
    // Tags carry nothing the demo needs and could vary between runs.
    lame_set_write_id3tag_automatic(lame, 0);
    bool ok = lame_init_params(lame) >= 0;
    std::vector<unsigned char> chunk(mp3ChunkBytes);
    for (std::size_t first = 0; ok && first < music.left.size(); first += encodeChunkFrames) {
        const int frames =
            static_cast<int>(std::min<std::size_t>(encodeChunkFrames, music.left.size() - first));
        const int bytes = lame_encode_buffer_ieee_float(
            lame, music.left.data() + first, music.right.data() + first, frames, chunk.data(),
            static_cast<int>(chunk.size()));
        ok = bytes >= 0;
        if (ok) {
            mp3.insert(mp3.end(), chunk.begin(), chunk.begin() + bytes);
        }
    }
    if (ok) {
        const int bytes = lame_encode_flush(lame, chunk.data(), static_cast<int>(chunk.size()));
        ok = bytes >= 0;
        if (ok) {
            mp3.insert(mp3.end(), chunk.begin(), chunk.begin() + bytes);
        }
    }
    if (ok) {
        // The encoder left room for this frame at the start; it tells decoders the exact
        // length, so the loop has no gap.
        const std::size_t tagBytes = lame_get_lametag_frame(lame, chunk.data(), chunk.size());
        ok = tagBytes > 0 && tagBytes <= chunk.size() && tagBytes <= mp3.size();
        if (ok) {
            std::copy(chunk.begin(), chunk.begin() + tagBytes, mp3.begin());
        }
    }
    lame_close(lame);
    return ok;
}

} // namespace

bool generateMusic(const std::string& root) {
    const std::filesystem::path path = std::filesystem::path(root) / musicFile;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) {
        std::fprintf(stderr, "music: cannot create %s: %s\n", path.parent_path().c_str(),
                     error.message().c_str());
        return false;
    }
    std::vector<unsigned char> mp3;
    if (!encodeMp3(renderMusic(), mp3)) {
        std::fprintf(stderr, "music: the MP3 encoder failed\n");
        return false;
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
    if (!file) {
        std::fprintf(stderr, "music: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
