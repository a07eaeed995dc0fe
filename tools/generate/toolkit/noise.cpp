#include "noise.h"

#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint64_t pcgMultiplier = 6364136223846793005ULL;
constexpr float hashToUnit = 1.0f / 16777216.0f;
// Scales 2D gradient noise with unit gradients (extremes near ±0.7) to about ±1.
constexpr float gradient2Scale = 1.41f;
// Per-octave seed step, so that octaves are not copies of each other.
constexpr std::uint32_t octaveSeedStep = 0x9e3779b9u;
constexpr float diagonal = 0.70710678f;
constexpr glm::vec2 gradients2[8] = {
    {1.0f, 0.0f},         {-1.0f, 0.0f},         {0.0f, 1.0f},          {0.0f, -1.0f},
    {diagonal, diagonal}, {-diagonal, diagonal}, {diagonal, -diagonal}, {-diagonal, -diagonal}};
constexpr glm::vec3 gradients3[16] = {
    {1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, {1, 0, 1}, {-1, 0, 1}, {1, 0, -1}, {-1, 0, -1},
    {0, 1, 1}, {0, -1, 1}, {0, 1, -1}, {0, -1, -1}, {1, 1, 0}, {-1, 1, 0}, {0, -1, 1}, {0, -1, -1}};

int wrapIndex(int i, int period) {
    if (period <= 0) {
        return i;
    }
    const int r = i % period;
    return r < 0 ? r + period : r;
}

float fade(float t) {
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

float gradientDot2(int x, int y, glm::ivec2 period, std::uint32_t seed, glm::vec2 offset) {
    const std::uint32_t h = hash2(wrapIndex(x, period.x), wrapIndex(y, period.y), seed);
    return glm::dot(gradients2[h & 7u], offset);
}

float gradientDot3(int x, int y, int z, std::uint32_t seed, glm::vec3 offset) {
    return glm::dot(gradients3[hash3(x, y, z, seed) & 15u], offset);
}

glm::vec2 featureOffset(std::uint32_t hash, float jitter) {
    const float jx = unitFloat(hash);
    const float jy = unitFloat(hashU32(hash));
    return glm::vec2(0.5f) + jitter * (glm::vec2(jx, jy) - glm::vec2(0.5f));
}

} // namespace

std::uint32_t hashU32(std::uint32_t value) {
    value ^= value >> 16;
    value *= 0x7feb352du;
    value ^= value >> 15;
    value *= 0x846ca68bu;
    value ^= value >> 16;
    return value;
}

std::uint32_t hash2(int x, int y, std::uint32_t seed) {
    const std::uint32_t h = hashU32(seed ^ static_cast<std::uint32_t>(x) * 0x8da6b343u);
    return hashU32(h ^ static_cast<std::uint32_t>(y) * 0xd8163841u);
}

std::uint32_t hash3(int x, int y, int z, std::uint32_t seed) {
    return hashU32(hash2(x, y, seed) ^ static_cast<std::uint32_t>(z) * 0xcb1ab31fu);
}

float unitFloat(std::uint32_t hash) {
    return static_cast<float>(hash >> 8) * hashToUnit;
}

Pcg32 makePcg32(std::uint64_t seed, std::uint64_t stream) {
    Pcg32 rng;
    rng.increment = (stream << 1u) | 1u;
    nextU32(rng);
    rng.state += seed;
    nextU32(rng);
    return rng;
}

std::uint32_t nextU32(Pcg32& rng) {
    const std::uint64_t old = rng.state;
    rng.state = old * pcgMultiplier + rng.increment;
    const auto shifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rotation = static_cast<std::uint32_t>(old >> 59u);
    return (shifted >> rotation) | (shifted << ((32u - rotation) & 31u));
}

float nextFloat(Pcg32& rng) {
    return unitFloat(nextU32(rng));
}

float nextRange(Pcg32& rng, float low, float high) {
    return low + (high - low) * nextFloat(rng);
}

int nextInt(Pcg32& rng, int low, int high) {
    const auto span = static_cast<std::uint32_t>(high - low + 1);
    return low + static_cast<int>(nextU32(rng) % span);
}

float gradientNoise(glm::vec2 p, glm::ivec2 period, std::uint32_t seed) {
    const float fx = std::floor(p.x);
    const float fy = std::floor(p.y);
    const int x = static_cast<int>(fx);
    const int y = static_cast<int>(fy);
    const glm::vec2 f = p - glm::vec2(fx, fy);
    const float n00 = gradientDot2(x, y, period, seed, f);
    const float n10 = gradientDot2(x + 1, y, period, seed, f - glm::vec2(1.0f, 0.0f));
    const float n01 = gradientDot2(x, y + 1, period, seed, f - glm::vec2(0.0f, 1.0f));
    const float n11 = gradientDot2(x + 1, y + 1, period, seed, f - glm::vec2(1.0f, 1.0f));
    const float u = fade(f.x);
    return gradient2Scale * lerp(lerp(n00, n10, u), lerp(n01, n11, u), fade(f.y));
}

float gradientNoise(glm::vec3 p, std::uint32_t seed) {
    const glm::vec3 floored = glm::floor(p);
    const int x = static_cast<int>(floored.x);
    const int y = static_cast<int>(floored.y);
    const int z = static_cast<int>(floored.z);
    const glm::vec3 f = p - floored;
    float corners[8];
    for (int i = 0; i < 8; ++i) {
        const glm::ivec3 c(i & 1, (i >> 1) & 1, (i >> 2) & 1);
        corners[i] = gradientDot3(x + c.x, y + c.y, z + c.z, seed, f - glm::vec3(c));
    }
    const float u = fade(f.x);
    const float v = fade(f.y);
    const float w = fade(f.z);
    const float bottom = lerp(lerp(corners[0], corners[1], u), lerp(corners[2], corners[3], u), v);
    const float top = lerp(lerp(corners[4], corners[5], u), lerp(corners[6], corners[7], u), v);
    return lerp(bottom, top, w);
}

float fbm(glm::vec2 p, glm::ivec2 period, int octaves, std::uint32_t seed, float gain) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * gradientNoise(p, period, seed);
        total += amplitude;
        amplitude *= gain;
        p *= 2.0f;
        period *= 2;
        seed += octaveSeedStep;
    }
    return sum / total;
}

float fbm(glm::vec3 p, int octaves, std::uint32_t seed, float gain) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * gradientNoise(p, seed);
        total += amplitude;
        amplitude *= gain;
        p *= 2.0f;
        seed += octaveSeedStep;
    }
    return sum / total;
}

float tileNoise(glm::vec2 uv, glm::ivec2 cells, std::uint32_t seed) {
    return gradientNoise(uv * glm::vec2(cells), cells, seed);
}

float tileFbm(glm::vec2 uv, glm::ivec2 cells, int octaves, std::uint32_t seed, float gain) {
    return fbm(uv * glm::vec2(cells), cells, octaves, seed, gain);
}

float tileRidged(glm::vec2 uv, glm::ivec2 cells, int octaves, std::uint32_t seed) {
    glm::vec2 p = uv * glm::vec2(cells);
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * (1.0f - std::fabs(gradientNoise(p, cells, seed)));
        total += amplitude;
        amplitude *= 0.5f;
        p *= 2.0f;
        cells *= 2;
        seed += octaveSeedStep;
    }
    return sum / total;
}

CellSample cellular(glm::vec2 p, glm::ivec2 period, std::uint32_t seed, float jitter) {
    const glm::vec2 floored = glm::floor(p);
    const glm::ivec2 base(static_cast<int>(floored.x), static_cast<int>(floored.y));
    const glm::vec2 f = p - floored;

    CellSample sample;
    sample.nearest = 1e9f;
    sample.secondNearest = 1e9f;
    glm::ivec2 nearestCell(0);
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            const std::uint32_t h =
                hash2(wrapIndex(base.x + i, period.x), wrapIndex(base.y + j, period.y), seed);
            const glm::vec2 r = glm::vec2(i, j) + featureOffset(h, jitter) - f;
            const float d = glm::length(r);
            if (d < sample.nearest) {
                sample.secondNearest = sample.nearest;
                sample.nearest = d;
                sample.toFeature = r;
                sample.id = h;
                nearestCell = glm::ivec2(i, j);
            } else if (d < sample.secondNearest) {
                sample.secondNearest = d;
            }
        }
    }

    // The exact distance to the cell's border: half the way to each neighbour,
    // measured along the line between the two feature points.
    sample.border = 1e9f;
    for (int j = -2; j <= 2; ++j) {
        for (int i = -2; i <= 2; ++i) {
            const glm::ivec2 cell = nearestCell + glm::ivec2(i, j);
            const std::uint32_t h = hash2(wrapIndex(base.x + cell.x, period.x),
                                          wrapIndex(base.y + cell.y, period.y), seed);
            const glm::vec2 r = glm::vec2(cell) + featureOffset(h, jitter) - f;
            const glm::vec2 between = r - sample.toFeature;
            if (glm::dot(between, between) > 1e-8f) {
                const float d = glm::dot(0.5f * (sample.toFeature + r), glm::normalize(between));
                sample.border = std::min(sample.border, d);
            }
        }
    }
    return sample;
}

CellSample tileCellular(glm::vec2 uv, glm::ivec2 cells, std::uint32_t seed, float jitter) {
    return cellular(uv * glm::vec2(cells), cells, seed, jitter);
}
