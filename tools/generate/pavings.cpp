// The rooms' own floors and the corridor's brick, each a metre to a tile: whole numbers
// of bricks, tiles and setts across it, so every pattern repeats exactly.
#include "block_layout.h"
#include "laid_units.h"
#include "materials.h"
#include "noise.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>

namespace {

// Grids are laid half a cell off the tile's edge, so no joint runs along it.
constexpr float halfCell = 0.5f;

struct BrickParams {
    std::uint32_t seed = 0xb41c0000u;
    std::uint64_t layoutSeed = 71;
    // Twelve courses of four bricks a metre, each course half a brick along.
    CourseStyle courses{12, 0.03f, 4, 4, 0.06f, 0.125f, 0.0f, 0.0f};
    UnitRelief relief{0.005f, 0.006f, 0.008f, 0.002f, 0.0015f, 16, 0.003f};
    glm::vec3 red{0.27f, 0.13f, 0.08f};
    glm::vec3 brown{0.21f, 0.12f, 0.08f};
    glm::vec3 overfired{0.09f, 0.07f, 0.065f};
    float overfiredShare = 0.08f;
    glm::vec3 mortar{0.3f, 0.28f, 0.25f};
    glm::vec3 soot{0.05f, 0.045f, 0.04f};
};

} // namespace

Surface makeBrick(int size) {
    constexpr BrickParams p{};
    SeedSequence seeds{p.seed};
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    LaidUnits laid = layUnits(size, seeds, p.relief, [&](glm::vec2 uv) {
        const BlockSample block = sampleBlocks(layout, uv);
        return UnitSample{block.edge, block.id, block.local};
    });
    Surface& s = laid.surface;
    const auto [toneSeed, streakSeed, grainSeed] = nextSeeds<3>(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = laid.ids[i];
            glm::vec3 brick = unitFloat(hashU32(id)) < p.overfiredShare
                                  ? p.overfired
                                  : unitColour(id, p.red, p.brown, 0.22f);
            brick *= 1.0f + 0.12f * tileFbm(uv, glm::ivec2(16), 4, toneSeed) +
                     0.05f * grain(x, y, grainSeed);
            glm::vec3 colour = glm::mix(brick, p.mortar, laid.joint[i]);
            colour *= 1.0f - 0.5f * laid.recess[i];
            // Smoke and seepage have run down the wall in streaks.
            const float streak =
                glm::smoothstep(0.0f, 0.6f, tileFbm(uv, glm::ivec2(12, 2), 4, streakSeed));
            colour = glm::mix(colour, p.soot, 0.55f * streak);
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(0.07f, 0.03f, laid.joint[i]);
        }
    }
    return s;
}

namespace {

struct CobbleParams {
    std::uint32_t seed = 0xc0b10000u;
    int setts = 7; // across the metre
    UnitRelief relief{0.012f, 0.035f, 0.012f, 0.004f, 0.002f, 14, 0.0f};
    glm::vec3 grey{0.27f, 0.26f, 0.25f};
    glm::vec3 blueGrey{0.22f, 0.24f, 0.27f};
    glm::vec3 brown{0.3f, 0.24f, 0.18f};
    glm::vec3 earth{0.09f, 0.075f, 0.06f};
};

} // namespace

Surface makeCobbles(int size) {
    constexpr CobbleParams p{};
    SeedSequence seeds{p.seed};
    const std::uint32_t cellSeed = nextSeed(seeds);
    LaidUnits laid = layUnits(size, seeds, p.relief,
                              [&](glm::vec2 uv) { return cellUnit(uv, p.setts, cellSeed, 0.7f); });
    Surface& s = laid.surface;
    const auto [toneSeed, grainSeed] = nextSeeds<2>(seeds);
    const std::vector<float> broad = blurWrapped(s.height, size, 2 * cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = laid.ids[i];
            glm::vec3 stone =
                unitColour(id, p.grey, unitFloat(id >> 9) < 0.5f ? p.blueGrey : p.brown, 0.2f);
            stone *= 1.0f + 0.08f * tileFbm(uv, glm::ivec2(20), 3, toneSeed) +
                     0.04f * grain(x, y, grainSeed);
            // Feet have polished the crowns.
            const float crown = glm::clamp((s.height[i] - broad[i]) / 0.004f, 0.0f, 1.0f);
            glm::vec3 colour = glm::mix(stone * (1.0f + 0.15f * crown), p.earth, laid.joint[i]);
            colour *= 1.0f - 0.55f * laid.recess[i];
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(0.08f + 0.3f * crown, 0.02f, laid.joint[i]);
        }
    }
    return s;
}

namespace {

struct TileParams {
    std::uint32_t seed = 0x711e0000u;
    int tiles = 4; // across the metre, alternating pale and dark; even, so the chequer wraps
    UnitRelief relief{0.003f, 0.003f, 0.004f, 0.0015f, 0.0004f, 8, 0.002f};
    glm::vec3 pale{0.5f, 0.47f, 0.4f};
    glm::vec3 paleWarm{0.47f, 0.42f, 0.34f};
    glm::vec3 dark{0.065f, 0.075f, 0.07f};
    glm::vec3 darkGreen{0.05f, 0.08f, 0.065f};
    glm::vec3 grout{0.2f, 0.19f, 0.17f};
    glm::vec3 vein{0.3f, 0.28f, 0.26f};
    float crackedShare = 0.2f;
};

} // namespace

Surface makeTiles(int size) {
    constexpr TileParams p{};
    SeedSequence seeds{p.seed};
    const std::uint32_t idSeed = nextSeed(seeds);
    const float n = static_cast<float>(p.tiles);
    auto tileAt = [&](glm::vec2 uv) {
        const glm::vec2 cells = uv * n + halfCell;
        glm::vec2 cell = glm::floor(cells);
        const glm::vec2 local = cells - cell;
        cell = glm::mod(cell, n);
        const glm::vec2 toEdge = glm::min(local, 1.0f - local) / n;
        // The id's lowest bit says which of the chequer's two stones the tile is.
        const std::uint32_t parity =
            static_cast<std::uint32_t>(static_cast<int>(cell.x + cell.y) & 1);
        return UnitSample{
            std::min(toEdge.x, toEdge.y),
            (hash2(static_cast<int>(cell.x), static_cast<int>(cell.y), idSeed) & ~1u) | parity,
            local};
    };
    LaidUnits laid = layUnits(size, seeds, p.relief, tileAt);
    Surface& s = laid.surface;
    const auto [veinSeed, crackSeed, wearSeed, grainSeed] = nextSeeds<4>(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = laid.ids[i];
            const bool paleTile = (id & 1u) == 0u;
            glm::vec3 stone = paleTile ? unitColour(id, p.pale, p.paleWarm, 0.08f)
                                       : unitColour(id, p.dark, p.darkGreen, 0.1f);
            if (paleTile) {
                const float vein = tileRidged(uv, glm::ivec2(3), 4, veinSeed);
                stone = glm::mix(stone, p.vein, 0.6f * glm::smoothstep(0.8f, 0.95f, vein));
            }
            stone *= 1.0f + 0.03f * grain(x, y, grainSeed);
            const float crack =
                unitFloat(hashU32(id >> 1)) < p.crackedShare
                    ? 1.0f -
                          glm::smoothstep(0.0f, 0.003f,
                                          tileCellular(uv, glm::ivec2(2), crackSeed).border / 2.0f)
                    : 0.0f;
            s.height[i] -= 0.002f * crack * (1.0f - laid.joint[i]);
            glm::vec3 colour = glm::mix(stone * (1.0f - 0.5f * crack), p.grout, laid.joint[i]);
            colour *= 1.0f - 0.4f * laid.recess[i];
            // Feet have dulled a broad path across the polish.
            const float wear =
                glm::smoothstep(-0.1f, 0.5f, tileFbm(uv, glm::ivec2(2), 3, wearSeed));
            s.albedo[i] = colour;
            s.specular[i] =
                glm::mix(paleTile ? 0.35f : 0.45f, 0.05f, laid.joint[i]) * (1.0f - 0.6f * wear);
        }
    }
    return s;
}

namespace {

// Bricks in pairs, each pair square and turned across its neighbours.
struct BasketweaveParams {
    std::uint32_t seed = 0xba5e0000u;
    int squares = 4; // across the metre, two bricks to each; even, so the weave wraps
    UnitRelief relief{0.004f, 0.005f, 0.006f, 0.002f, 0.001f, 16, 0.003f};
    glm::vec3 ochre{0.38f, 0.27f, 0.16f};
    glm::vec3 brown{0.28f, 0.19f, 0.12f};
    glm::vec3 sand{0.25f, 0.22f, 0.17f};
};

} // namespace

Surface makeBasketweave(int size) {
    constexpr BasketweaveParams p{};
    SeedSequence seeds{p.seed};
    const std::uint32_t idSeed = nextSeed(seeds);
    const float n = static_cast<float>(p.squares);
    auto brickAt = [&](glm::vec2 uv) {
        const glm::vec2 cells = uv * n + halfCell;
        glm::vec2 cell = glm::floor(cells);
        glm::vec2 local = cells - cell;
        cell = glm::mod(cell, n);
        const bool across = (static_cast<int>(cell.x + cell.y) & 1) == 0;
        // Two bricks in the square, split along its one axis or the other.
        const float split = across ? local.y : local.x;
        const int half = split < 0.5f ? 0 : 1;
        const float inHalf = split * 2.0f - static_cast<float>(half);
        const float along = across ? local.x : local.y;
        const float edge =
            std::min(std::min(inHalf, 1.0f - inHalf) * 0.5f, std::min(along, 1.0f - along)) / n;
        local = across ? glm::vec2(along, inHalf) : glm::vec2(inHalf, along);
        return UnitSample{
            edge, hash3(static_cast<int>(cell.x), static_cast<int>(cell.y), half, idSeed), local};
    };
    LaidUnits laid = layUnits(size, seeds, p.relief, brickAt);
    Surface& s = laid.surface;
    const auto [toneSeed, wearSeed, grainSeed] = nextSeeds<3>(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            glm::vec3 brick = unitColour(laid.ids[i], p.ochre, p.brown, 0.2f);
            brick *= 1.0f + 0.1f * tileFbm(uv, glm::ivec2(10), 4, toneSeed) +
                     0.05f * grain(x, y, grainSeed);
            const float wear = glm::smoothstep(0.0f, 0.5f, tileFbm(uv, glm::ivec2(3), 3, wearSeed));
            glm::vec3 colour = glm::mix(brick * (1.0f + 0.1f * wear), p.sand, laid.joint[i]);
            colour *= 1.0f - 0.5f * laid.recess[i];
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(0.06f + 0.1f * wear, 0.02f, laid.joint[i]);
        }
    }
    return s;
}

namespace {

struct SlateParams {
    std::uint32_t seed = 0x51a70000u;
    int flags = 3; // across the metre
    UnitRelief relief{0.005f, 0.006f, 0.008f, 0.006f, 0.0f, 4, 0.004f};
    float cleavage = 0.0025f; // the height of one layer's step
    int layers = 3;
    glm::vec3 blueGrey{0.15f, 0.16f, 0.18f};
    glm::vec3 black{0.09f, 0.09f, 0.1f};
    glm::vec3 rust{0.26f, 0.15f, 0.09f};
    glm::vec3 joint{0.04f, 0.035f, 0.03f};
};

} // namespace

Surface makeSlate(int size) {
    constexpr SlateParams p{};
    SeedSequence seeds{p.seed};
    const std::uint32_t cellSeed = nextSeed(seeds);
    LaidUnits laid = layUnits(size, seeds, p.relief,
                              [&](glm::vec2 uv) { return cellUnit(uv, p.flags, cellSeed, 1.0f); });
    Surface& s = laid.surface;
    const auto [layerSeed, rustSeed, grainSeed] = nextSeeds<3>(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = laid.ids[i];
            // Layers split off in soft-edged steps.
            const float layer = (0.5f + 0.5f * tileFbm(uv, glm::ivec2(4), 4, layerSeed ^ id)) *
                                static_cast<float>(p.layers);
            const float step =
                std::floor(layer) + glm::smoothstep(0.4f, 0.6f, layer - std::floor(layer));
            s.height[i] += p.cleavage * step * (1.0f - laid.joint[i]);
            glm::vec3 stone = unitColour(id, p.blueGrey, p.black, 0.15f);
            stone *= (1.0f + 0.06f * step) * (1.0f + 0.03f * grain(x, y, grainSeed));
            const float rust = glm::smoothstep(0.3f, 0.7f, tileFbm(uv, glm::ivec2(5), 4, rustSeed));
            stone = glm::mix(stone, p.rust, 0.5f * rust);
            glm::vec3 colour = glm::mix(stone, p.joint, laid.joint[i]);
            colour *= 1.0f - 0.5f * laid.recess[i];
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(0.22f, 0.02f, laid.joint[i]) * (1.0f - 0.5f * rust);
        }
    }
    return s;
}

namespace {

struct WornStepParams {
    std::uint32_t seed = 0x57e90000u;
    std::uint64_t layoutSeed = 83;
    CourseStyle courses{2, 0.0f, 1, 2, 0.3f, 0.0f, 1.0f, 0.0f};
    UnitRelief relief{0.004f, 0.02f, 0.01f, 0.003f, 0.002f, 5, 0.006f};
    float hollow = 0.008f; // how deep feet have worn the stone
    glm::vec3 sandstone{0.32f, 0.3f, 0.27f};
    glm::vec3 warm{0.32f, 0.28f, 0.22f};
    glm::vec3 grit{0.16f, 0.14f, 0.12f};
    glm::vec3 moss{0.12f, 0.17f, 0.07f};
};

} // namespace

Surface makeWornStep(int size) {
    constexpr WornStepParams p{};
    SeedSequence seeds{p.seed};
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    LaidUnits laid = layUnits(size, seeds, p.relief, [&](glm::vec2 uv) {
        const BlockSample block = sampleBlocks(layout, uv);
        return UnitSample{block.edge, block.id, block.local};
    });
    Surface& s = laid.surface;
    const auto [hollowSeed, mossSeed, grainSeed] = nextSeeds<3>(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const float worn =
                glm::smoothstep(-0.2f, 0.6f, tileFbm(uv, glm::ivec2(2), 3, hollowSeed));
            s.height[i] -= p.hollow * worn * (1.0f - laid.joint[i]);
            glm::vec3 stone = unitColour(laid.ids[i], p.sandstone, p.warm, 0.1f);
            stone *= (1.0f + 0.15f * worn) * (1.0f + 0.04f * grain(x, y, grainSeed));
            glm::vec3 colour =
                glm::mix(stone, p.grit, std::max(laid.joint[i], 0.6f * laid.recess[i]));
            const float moss = glm::smoothstep(0.55f, 0.9f,
                                               laid.recess[i] + laid.joint[i] +
                                                   0.3f * tileFbm(uv, glm::ivec2(8), 3, mossSeed)) *
                               (1.0f - worn);
            colour = glm::mix(colour, p.moss, moss);
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(0.08f + 0.25f * worn, 0.02f, std::max(laid.joint[i], moss));
        }
    }
    return s;
}
