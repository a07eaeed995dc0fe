#pragma once

// Signal-processing pieces for the generated music. The music is one loop: stateful
// stages are warmed up on the loop's own end, so the rendered audio repeats seamlessly.

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr double pi = 3.14159265358979323846;

struct Rng {
    std::uint64_t state;
};

std::uint64_t nextBits(Rng& rng);
double uniform(Rng& rng, double low, double high);

// White noise in [-1, 1) addressed by sample index, so a loop can repeat it exactly.
float hashNoise(std::uint64_t index, std::uint64_t seed);

double midiToHz(double note);

struct Stereo {
    std::vector<float> left;
    std::vector<float> right;
};

Stereo makeStereo(std::size_t frames);

struct PanGains {
    float left;
    float right;
};

// Constant power: -1 is hard left, 1 hard right.
PanGains panGains(double pan);

// Sawtooth in [-1, 1) with the wrap rounded off by a polynomial band-limited step.
double blepSaw(double phase, double increment);

// One-pole smoothing coefficient for a cutoff frequency.
float onePoleCoefficient(double cutoffHz, double sampleRate);

// Zero-delay-feedback state-variable filter: cheap to retune every few samples.
struct SvfCoefficients {
    double a1;
    double a2;
    double a3;
    double k;
};

struct Svf {
    double ic1 = 0.0;
    double ic2 = 0.0;
};

struct SvfOutput {
    double low;
    double band; // unity gain at the centre frequency
    double high;
};

SvfCoefficients svfCoefficients(double cutoffHz, double q, double sampleRate);
SvfOutput processSvf(Svf& state, const SvfCoefficients& c, double input);

// Adds a sine starting at phase zero that falls by 60 dB over `decaySeconds`; it stops
// at -80 dB or at the end of `mono`.
void addDecayingSine(std::vector<float>& mono, double frequencyHz, double amplitude,
                     double decaySeconds, double sampleRate);

// Ramps the first frames up from silence, so a struck sound starts without a click.
void applyAttack(std::vector<float>& mono, std::size_t frames);

// Adds `mono` into the loop at `start`; whatever runs past the end continues at the start.
void mixWrapped(Stereo& bus, const std::vector<float>& mono, std::size_t start, PanGains pan,
                float gain);

struct DelayLine {
    std::vector<float> buffer;
    std::size_t position = 0;
};

DelayLine makeDelayLine(std::size_t frames);

inline float readDelay(const DelayLine& line) {
    return line.buffer[line.position];
}

inline void writeDelay(DelayLine& line, float value) {
    line.buffer[line.position] = value;
    line.position = line.position + 1 == line.buffer.size() ? 0 : line.position + 1;
}

// Parallel damped combs into a chain of allpasses, one set per channel with offset
// lengths so the two sides decorrelate.
struct CombFilter {
    DelayLine line;
    float feedback;
    float damping;
    float filtered = 0.0f;
};

struct AllpassFilter {
    DelayLine line;
    float gain;
};

struct ReverbChannel {
    DelayLine preDelay;
    float inputState = 0.0f;
    std::vector<CombFilter> combs;
    std::vector<AllpassFilter> allpasses;
};

struct Reverb {
    ReverbChannel channels[2];
    float inputCoefficient;
};

struct ReverbSettings {
    double decaySeconds; // time for the tail to fall by 60 dB
    double damping;      // 0 keeps the highs, towards 1 the tail darkens quickly
    double preDelaySeconds;
    double inputCutoffHz;
};

Reverb makeReverb(const ReverbSettings& settings, double sampleRate);
void processReverb(Reverb& reverb, float& left, float& right);

// Repeats that bounce between the sides and darken as they fade.
struct PingPongEcho {
    DelayLine left;
    DelayLine right;
    float feedback;
    float lowpass;
    float stateLeft = 0.0f;
    float stateRight = 0.0f;
};

PingPongEcho makeEcho(double leftSeconds, double rightSeconds, double feedback, double cutoffHz,
                      double sampleRate);
void processEcho(PingPongEcho& echo, float& left, float& right);

// Replaces the loop by `step`'s output in place. The step first runs over the last
// `warmupFrames` of the loop with its output dropped, so its state at the start of the
// loop is the state the loop's end leaves behind.
template <typename Step> void processLoop(Stereo& signal, std::size_t warmupFrames, Step step) {
    const std::size_t frames = signal.left.size();
    const std::size_t warmup = warmupFrames < frames ? warmupFrames : frames;
    for (std::size_t i = frames - warmup; i < frames; ++i) {
        float left = signal.left[i];
        float right = signal.right[i];
        step(left, right);
    }
    for (std::size_t i = 0; i < frames; ++i) {
        step(signal.left[i], signal.right[i]);
    }
}

// Lowers the gain smoothly wherever either channel would exceed `ceiling`: the gain
// ramps down over `attackFrames` ahead of a peak and recovers over `releaseFrames`,
// both treating the signal as a loop.
void limitLoop(Stereo& signal, float ceiling, std::size_t attackFrames, std::size_t releaseFrames);

float peakOf(const Stereo& signal);
double rmsOf(const Stereo& signal);
void scale(Stereo& signal, float gain);
