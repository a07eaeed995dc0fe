#pragma once

// Deterministic hashing, random numbers and procedural noise for the content
// generator. Nothing here depends on the standard library's distributions, so
// the output is the same bytes with every compiler and library version.

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstdint>

std::uint32_t hashU32(std::uint32_t value);
std::uint32_t hash2(int x, int y, std::uint32_t seed);
std::uint32_t hash3(int x, int y, int z, std::uint32_t seed);
// Maps a hash to [0, 1).
float unitFloat(std::uint32_t hash);

// A small PCG generator for layouts and other sequential choices.
struct Pcg32 {
    std::uint64_t state = 0;
    std::uint64_t increment = 1;
};
Pcg32 makePcg32(std::uint64_t seed, std::uint64_t stream = 0);
std::uint32_t nextU32(Pcg32& rng);
float nextFloat(Pcg32& rng); // [0, 1)
float nextRange(Pcg32& rng, float low, float high);
int nextInt(Pcg32& rng, int low, int high); // [low, high]

// Gradient noise in about [-1, 1]. The 2D lattice wraps every `period` cells
// along each axis that has a period above zero, which makes it tileable.
float gradientNoise(glm::vec2 p, glm::ivec2 period, std::uint32_t seed);
float gradientNoise(glm::vec3 p, std::uint32_t seed);

// Fractal sums of gradient noise, each octave at twice the frequency; the
// result stays in about [-1, 1].
float fbm(glm::vec2 p, glm::ivec2 period, int octaves, std::uint32_t seed, float gain = 0.5f);
float fbm(glm::vec3 p, int octaves, std::uint32_t seed, float gain = 0.5f);

// Tileable noise over a [0, 1) square: `cells` lattice cells across it.
float tileNoise(glm::vec2 uv, glm::ivec2 cells, std::uint32_t seed);
float tileFbm(glm::vec2 uv, glm::ivec2 cells, int octaves, std::uint32_t seed, float gain = 0.5f);
// 1 - |fbm| per octave: sharp creases, in [0, 1].
float tileRidged(glm::vec2 uv, glm::ivec2 cells, int octaves, std::uint32_t seed);

struct CellSample {
    float nearest = 0.0f;       // distance to the closest feature point
    float secondNearest = 0.0f; // distance to the next one
    float border = 0.0f;        // distance to the Voronoi border of the closest cell
    glm::vec2 toFeature{0.0f};  // from the sample to the closest feature point
    std::uint32_t id = 0;       // the closest cell's hash, equal on every repeat of it
};

// Worley / Voronoi noise over a lattice that wraps every `period` cells (in
// lattice units; no wrap where the period is zero). `jitter` in [0, 1] moves
// the feature points away from the cell centres.
CellSample cellular(glm::vec2 p, glm::ivec2 period, std::uint32_t seed, float jitter = 1.0f);
// The same over a [0, 1) square with `cells` cells across it; distances stay
// in lattice units.
CellSample tileCellular(glm::vec2 uv, glm::ivec2 cells, std::uint32_t seed, float jitter = 1.0f);
