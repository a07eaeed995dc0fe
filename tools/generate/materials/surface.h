#pragma once

// The toolkit every material is painted with: its maps, texel addressing that wraps at
// the tile's edges, blurs and cavities over them, warped and tinted noise, and the seeds
// of its noise fields.

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Cavities darken over about this many texels.
constexpr int cavityBlurRadius = 5;
// Seeds of one material's noise fields lie this far apart, wider than the few seeds one
// field takes from its own upwards (a warp takes two).
constexpr std::uint32_t fieldSeedStep = 16u;

// Maps of one material; colours as they should appear (sRGB). Heights are in tile
// widths, so the relief keeps its shape at any size.
struct Surface {
    int size = 0;
    std::vector<float> height;
    std::vector<glm::vec3> albedo;
    std::vector<float> specular;
    // How strongly each texel glows, 0 ... 1; empty where nothing does. It is saved as
    // the diffuse map's alpha, 1 - glow, so a map without alpha glows nowhere.
    std::vector<float> glow;
};

Surface makeSurface(int size);

std::size_t texelIndex(int x, int y, int size);
int wrap(int i, int size);
glm::vec2 texelUv(int x, int y, int size);

// Hands out the seeds of a thing's parts in turn, each `step` past the one before; the
// first comes one step past `last`, the thing's own seed. Drawn in the order the parts
// are made, so a new part goes last and leaves every other seed as it was.
struct SeedSequence {
    std::uint32_t last = 0;
    std::uint32_t step = fieldSeedStep;
};

std::uint32_t nextSeed(SeedSequence& seeds);

// The next `count` seeds in turn, to be bound to the names of the fields they seed.
template <std::size_t count> std::array<std::uint32_t, count> nextSeeds(SeedSequence& seeds) {
    std::array<std::uint32_t, count> drawn{};
    for (std::uint32_t& seed : drawn) {
        seed = nextSeed(seeds);
    }
    return drawn;
}

// Per-texel white noise in [-1, 1]: grain finer than any lattice noise.
float grain(int x, int y, std::uint32_t seed);

// Two box passes each way with wrap-around: close to a Gaussian.
std::vector<float> blurWrapped(const std::vector<float>& field, int size, int radius);

// How far each texel lies below its surroundings (0 on open faces).
std::vector<float> cavities(const Surface& surface, int radius);

// Rounds a block's edge from the joint (0) up to its face (1).
float edgeProfile(float edge, float bevel);

// Moves uv by tileable noise of `cells` cells, up to about `amount`.
glm::vec2 tileWarp(glm::vec2 uv, int cells, std::uint32_t seed, float amount);

// Tints a base colour per block: brightness and a small hue shift.
glm::vec3 blockTint(glm::vec3 base, std::uint32_t id, float brightness, float hue);

// A band near the bottom of the tile that eases back in at the top, so the
// tile still wraps: peaks at `centre` (v), `width` wide.
float bottomBand(float v, float centre, float width);

// Writes the diffuse, specular and normal maps as pathPrefix_diffuse.png and so on; the
// diffuse map is RGBA where the surface glows, RGB elsewhere.
bool saveSurface(const std::string& pathPrefix, const Surface& surface);
