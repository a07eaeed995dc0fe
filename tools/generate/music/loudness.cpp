#include "loudness.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double blockSeconds = 0.4;
constexpr double blockStepSeconds = 0.1; // blocks overlap by three quarters
constexpr double absoluteGateLufs = -70.0;
constexpr double relativeGateLu = -10.0;
constexpr double loudnessOffset = -0.691;
// The K-weighting: a high shelf for the head's effect, then a high pass.
constexpr double shelfHz = 1681.974450955533;
constexpr double shelfGainDb = 3.999843853973347;
constexpr double shelfQ = 0.7071752369554196;
constexpr double shelfMidGainExponent = 0.4996667741545416; // of the shelf's gain, at its middle
constexpr double highPassHz = 38.13547087602444;
constexpr double highPassQ = 0.5003270373238773;

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0.0;
    double z2 = 0.0;

    double process(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

Biquad highShelf(double sampleRate) {
    const double k = std::tan(pi * shelfHz / sampleRate);
    const double vh = std::pow(10.0, shelfGainDb / 20.0);
    const double vb = std::pow(vh, shelfMidGainExponent);
    const double a0 = 1.0 + k / shelfQ + k * k;
    return {(vh + vb * k / shelfQ + k * k) / a0, 2.0 * (k * k - vh) / a0,
            (vh - vb * k / shelfQ + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
            (1.0 - k / shelfQ + k * k) / a0};
}

Biquad highPass(double sampleRate) {
    const double k = std::tan(pi * highPassHz / sampleRate);
    const double a0 = 1.0 + k / highPassQ + k * k;
    return {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / highPassQ + k * k) / a0};
}

double toLufs(double meanSquare) {
    return loudnessOffset + 10.0 * std::log10(std::max(meanSquare, 1e-30));
}

} // namespace

double integratedLoudness(const Stereo& signal, double sampleRate) {
    const std::size_t frames = signal.left.size();
    // K-weighted squares of both channels, summed.
    std::vector<double> power(frames);
    for (const std::vector<float>* channel : {&signal.left, &signal.right}) {
        Biquad shelf = highShelf(sampleRate);
        Biquad pass = highPass(sampleRate);
        for (std::size_t i = 0; i < frames; ++i) {
            const double y = pass.process(shelf.process((*channel)[i]));
            power[i] += y * y;
        }
    }
    const std::size_t block = static_cast<std::size_t>(blockSeconds * sampleRate);
    const std::size_t step = static_cast<std::size_t>(blockStepSeconds * sampleRate);
    std::vector<double> blocks;
    for (std::size_t first = 0; first + block <= frames; first += step) {
        double sum = 0.0;
        for (std::size_t i = first; i < first + block; ++i) {
            sum += power[i];
        }
        blocks.push_back(sum / static_cast<double>(block));
    }
    const auto gatedMean = [&blocks](double gateLufs) {
        double sum = 0.0;
        std::size_t count = 0;
        for (double z : blocks) {
            if (toLufs(z) > gateLufs) {
                sum += z;
                ++count;
            }
        }
        return count > 0 ? sum / static_cast<double>(count) : 0.0;
    };
    const double relativeGate = toLufs(gatedMean(absoluteGateLufs)) + relativeGateLu;
    return toLufs(gatedMean(std::max(relativeGate, absoluteGateLufs)));
}
