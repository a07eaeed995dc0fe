// What burns in the braziers, the sconces and the chandelier's candles. Nothing moves
// them, so they are what looks right still: coals glowing through their crust, and
// small flames of one steady colour.
#include "painters.h"
#include "toolkit/noise.h"

#include <glm/common.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

struct EmberParams {
    std::uint32_t seed = 0xe3b00000u;
    int coals = 7; // lumps across the tile
    float lumpHeight = 0.03f;
    float crackWidth = 0.12f; // of a lump's size, where the glow shows between lumps
    float seamDepth = 0.5f;   // glowing seams across a lump's crust, of its size
    glm::vec3 crust{0.07f, 0.06f, 0.055f};
    glm::vec3 ash{0.36f, 0.34f, 0.32f};
    glm::vec3 deepGlow{0.85f, 0.22f, 0.03f};
    glm::vec3 hotGlow{1.0f, 0.62f, 0.2f};
    float ashCover = 0.55f; // noise level above which a lump's top has gone to ash
};

} // namespace

Surface makeEmbers(int size) {
    constexpr EmberParams p{};
    Surface s = makeSurface(size);
    s.glow.assign(s.height.size(), 0.0f);
    SeedSequence seeds{p.seed};
    const auto [lumpSeed, seamSeed, heatSeed, ashSeed, grainSeed] = nextSeeds<5>(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const CellSample lump = tileCellular(uv, glm::ivec2(p.coals), lumpSeed, 0.8f);
            // A dome over each lump; the gaps between lumps are where the fire shows.
            const float dome = glm::smoothstep(0.0f, 0.35f, lump.border);
            const float seam =
                1.0f -
                glm::smoothstep(0.0f, 0.12f, std::abs(tileFbm(uv, glm::ivec2(5), 3, seamSeed)));
            const float crack = 1.0f - glm::smoothstep(0.0f, p.crackWidth, lump.border);
            const float heat = 0.5f + 0.5f * tileFbm(uv, glm::ivec2(3), 3, heatSeed);
            const float ash =
                glm::smoothstep(p.ashCover, p.ashCover + 0.2f,
                                0.5f + 0.5f * tileFbm(uv, glm::ivec2(6), 3, ashSeed) + 0.3f * dome);
            const float glow =
                std::max(crack, seam * p.seamDepth * dome) * (0.45f + 0.55f * heat) * (1.0f - ash);
            s.height[i] = p.lumpHeight * (dome - 0.3f * seam * dome);
            const glm::vec3 fire = glm::mix(p.deepGlow, p.hotGlow, heat * crack);
            glm::vec3 colour =
                glm::mix(p.crust, p.ash, ash) * (1.0f + 0.1f * grain(x, y, grainSeed));
            colour = glm::mix(colour, fire, glm::clamp(glow * 1.5f, 0.0f, 1.0f));
            s.albedo[i] = colour;
            s.glow[i] = glm::clamp(glow, 0.0f, 1.0f);
            s.specular[i] = 0.03f;
        }
    }
    return s;
}

namespace {

struct FlameParams {
    std::uint32_t seed = 0xf1a40000u;
    glm::vec3 body{1.0f, 0.7f, 0.32f};
    glm::vec3 core{1.0f, 0.86f, 0.55f};
};

} // namespace

Surface makeFlame(int size) {
    constexpr FlameParams p{};
    Surface s = makeSurface(size);
    s.glow.assign(s.height.size(), 1.0f);
    SeedSequence seeds{p.seed};
    const std::uint32_t toneSeed = nextSeed(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const float tone =
                0.5f + 0.5f * tileFbm(texelUv(x, y, size), glm::ivec2(2), 2, toneSeed);
            s.albedo[i] = glm::mix(p.body, p.core, tone);
        }
    }
    return s;
}
