#include "synth.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint64_t goldenGamma = 0x9e3779b97f4a7c15ULL;
constexpr double referenceRate = 44100.0;
// Mutually prime delays (at 44.1 kHz) of a large stone room; lengths that share
// factors would ring at common frequencies.
constexpr std::size_t combFrames[] = {1687, 1861, 1999, 2143, 2281, 2437, 2593, 2749};
constexpr std::size_t allpassFrames[] = {613, 461, 347, 211};
constexpr float allpassGain = 0.6f;
constexpr std::size_t stereoSpreadFrames = 37;
constexpr double maxCutoffFraction = 0.45;
constexpr double silenceDecibels = 80.0;

std::uint64_t mix64(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

std::size_t scaledFrames(std::size_t frames, double sampleRate) {
    return std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(
                                        static_cast<double>(frames) * sampleRate / referenceRate)));
}

ReverbChannel makeReverbChannel(const ReverbSettings& settings, double sampleRate,
                                std::size_t spread) {
    ReverbChannel channel;
    channel.preDelay = makeDelayLine(
        std::max<std::size_t>(1, static_cast<std::size_t>(settings.preDelaySeconds * sampleRate)));
    for (std::size_t frames : combFrames) {
        const std::size_t length = scaledFrames(frames + spread, sampleRate);
        const double feedback = std::pow(10.0, -3.0 * static_cast<double>(length) /
                                                   (settings.decaySeconds * sampleRate));
        channel.combs.push_back({makeDelayLine(length), static_cast<float>(feedback),
                                 static_cast<float>(settings.damping)});
    }
    for (std::size_t frames : allpassFrames) {
        channel.allpasses.push_back(
            {makeDelayLine(scaledFrames(frames + spread, sampleRate)), allpassGain});
    }
    return channel;
}

float processReverbChannel(ReverbChannel& channel, float inputCoefficient, float input) {
    channel.inputState += inputCoefficient * (readDelay(channel.preDelay) - channel.inputState);
    writeDelay(channel.preDelay, input);
    const float dry = channel.inputState;
    float sum = 0.0f;
    for (CombFilter& comb : channel.combs) {
        const float delayed = readDelay(comb.line);
        comb.filtered = delayed + comb.damping * (comb.filtered - delayed);
        writeDelay(comb.line, dry + comb.feedback * comb.filtered);
        sum += delayed;
    }
    float signal = sum / static_cast<float>(channel.combs.size());
    for (AllpassFilter& allpass : channel.allpasses) {
        const float delayed = readDelay(allpass.line);
        const float fed = signal + allpass.gain * delayed;
        writeDelay(allpass.line, fed);
        signal = delayed - allpass.gain * fed;
    }
    return signal;
}

} // namespace

std::uint64_t nextBits(Rng& rng) {
    rng.state += goldenGamma;
    return mix64(rng.state);
}

double uniform(Rng& rng, double low, double high) {
    const double unit = static_cast<double>(nextBits(rng) >> 11) * 0x1.0p-53;
    return low + (high - low) * unit;
}

float hashNoise(std::uint64_t index, std::uint64_t seed) {
    const std::uint64_t bits = mix64(index * goldenGamma + seed);
    return static_cast<float>(bits >> 40) * 0x1.0p-23f - 1.0f;
}

double midiToHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

Stereo makeStereo(std::size_t frames) {
    return {std::vector<float>(frames, 0.0f), std::vector<float>(frames, 0.0f)};
}

PanGains panGains(double pan) {
    const double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * pi / 4.0;
    return {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
}

double blepSaw(double phase, double increment) {
    double value = 2.0 * phase - 1.0;
    if (phase < increment) {
        const double t = phase / increment;
        value -= t + t - t * t - 1.0;
    } else if (phase > 1.0 - increment) {
        const double t = (phase - 1.0) / increment;
        value -= t * t + t + t + 1.0;
    }
    return value;
}

float onePoleCoefficient(double cutoffHz, double sampleRate) {
    return static_cast<float>(1.0 - std::exp(-2.0 * pi * cutoffHz / sampleRate));
}

SvfCoefficients svfCoefficients(double cutoffHz, double q, double sampleRate) {
    const double cutoff = std::min(cutoffHz, maxCutoffFraction * sampleRate);
    const double g = std::tan(pi * cutoff / sampleRate);
    const double k = 1.0 / q;
    const double a1 = 1.0 / (1.0 + g * (g + k));
    const double a2 = g * a1;
    return {a1, a2, g * a2, k};
}

SvfOutput processSvf(Svf& state, const SvfCoefficients& c, double input) {
    const double v3 = input - state.ic2;
    const double v1 = c.a1 * state.ic1 + c.a2 * v3;
    const double v2 = state.ic2 + c.a2 * state.ic1 + c.a3 * v3;
    state.ic1 = 2.0 * v1 - state.ic1;
    state.ic2 = 2.0 * v2 - state.ic2;
    return {v2, c.k * v1, input - c.k * v1 - v2};
}

void addDecayingSine(std::vector<float>& mono, double frequencyHz, double amplitude,
                     double decaySeconds, double sampleRate) {
    const double perFrame = std::pow(10.0, -3.0 / (decaySeconds * sampleRate));
    const double audibleFrames = decaySeconds * silenceDecibels / 60.0 * sampleRate;
    const std::size_t frames = std::min(mono.size(), static_cast<std::size_t>(audibleFrames));
    const double angle = 2.0 * pi * frequencyHz / sampleRate;
    const double stepRe = perFrame * std::cos(angle);
    const double stepIm = perFrame * std::sin(angle);
    double re = amplitude;
    double im = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        mono[i] += static_cast<float>(im);
        const double nextRe = re * stepRe - im * stepIm;
        im = re * stepIm + im * stepRe;
        re = nextRe;
    }
}

void applyAttack(std::vector<float>& mono, std::size_t frames) {
    const std::size_t count = std::min(frames, mono.size());
    for (std::size_t i = 0; i < count; ++i) {
        mono[i] *= static_cast<float>(i) / static_cast<float>(count);
    }
}

void mixWrapped(Stereo& bus, const std::vector<float>& mono, std::size_t start, PanGains pan,
                float gain) {
    const std::size_t frames = bus.left.size();
    const float left = pan.left * gain;
    const float right = pan.right * gain;
    std::size_t index = start % frames;
    for (float sample : mono) {
        bus.left[index] += left * sample;
        bus.right[index] += right * sample;
        index = index + 1 == frames ? 0 : index + 1;
    }
}

DelayLine makeDelayLine(std::size_t frames) {
    DelayLine line;
    line.buffer.assign(std::max<std::size_t>(1, frames), 0.0f);
    return line;
}

Reverb makeReverb(const ReverbSettings& settings, double sampleRate) {
    Reverb reverb;
    reverb.channels[0] = makeReverbChannel(settings, sampleRate, 0);
    reverb.channels[1] = makeReverbChannel(settings, sampleRate, stereoSpreadFrames);
    reverb.inputCoefficient = onePoleCoefficient(settings.inputCutoffHz, sampleRate);
    return reverb;
}

void processReverb(Reverb& reverb, float& left, float& right) {
    left = processReverbChannel(reverb.channels[0], reverb.inputCoefficient, left);
    right = processReverbChannel(reverb.channels[1], reverb.inputCoefficient, right);
}

PingPongEcho makeEcho(double leftSeconds, double rightSeconds, double feedback, double cutoffHz,
                      double sampleRate) {
    PingPongEcho echo;
    echo.left = makeDelayLine(static_cast<std::size_t>(leftSeconds * sampleRate));
    echo.right = makeDelayLine(static_cast<std::size_t>(rightSeconds * sampleRate));
    echo.feedback = static_cast<float>(feedback);
    echo.lowpass = onePoleCoefficient(cutoffHz, sampleRate);
    return echo;
}

void processEcho(PingPongEcho& echo, float& left, float& right) {
    echo.stateLeft += echo.lowpass * (readDelay(echo.left) - echo.stateLeft);
    echo.stateRight += echo.lowpass * (readDelay(echo.right) - echo.stateRight);
    writeDelay(echo.left, 0.5f * (left + right) + echo.feedback * echo.stateRight);
    writeDelay(echo.right, echo.feedback * echo.stateLeft);
    left = echo.stateLeft;
    right = echo.stateRight;
}

void limitLoop(Stereo& signal, float ceiling, std::size_t attackFrames, std::size_t releaseFrames) {
    const std::size_t frames = signal.left.size();
    if (frames == 0) {
        return;
    }
    std::vector<float> gain(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const float level = std::max(std::fabs(signal.left[i]), std::fabs(signal.right[i]));
        gain[i] = level > ceiling ? ceiling / level : 1.0f;
    }
    // Twice round the loop, so ramps that cross the loop point settle as well.
    const float attackStep = 1.0f / static_cast<float>(std::max<std::size_t>(1, attackFrames));
    float carried = 1.0f;
    for (std::size_t step = 0; step < 2 * frames; ++step) {
        const std::size_t i = frames - 1 - step % frames;
        carried = std::min(gain[i], carried + attackStep);
        gain[i] = carried;
    }
    const float releaseStep = 1.0f / static_cast<float>(std::max<std::size_t>(1, releaseFrames));
    carried = 1.0f;
    for (std::size_t step = 0; step < 2 * frames; ++step) {
        const std::size_t i = step % frames;
        carried = std::min(gain[i], carried + releaseStep);
        gain[i] = carried;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        signal.left[i] *= gain[i];
        signal.right[i] *= gain[i];
    }
}

float peakOf(const Stereo& signal) {
    float peak = 0.0f;
    for (std::size_t i = 0; i < signal.left.size(); ++i) {
        peak = std::max({peak, std::fabs(signal.left[i]), std::fabs(signal.right[i])});
    }
    return peak;
}

double rmsOf(const Stereo& signal) {
    double sum = 0.0;
    for (std::size_t i = 0; i < signal.left.size(); ++i) {
        sum += static_cast<double>(signal.left[i]) * signal.left[i] +
               static_cast<double>(signal.right[i]) * signal.right[i];
    }
    return signal.left.empty() ? 0.0 : std::sqrt(sum / (2.0 * signal.left.size()));
}

void scale(Stereo& signal, float gain) {
    for (std::size_t i = 0; i < signal.left.size(); ++i) {
        signal.left[i] *= gain;
        signal.right[i] *= gain;
    }
}
