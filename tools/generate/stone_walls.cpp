// The rooms' own walls: the gallery's painted plaster, the chapel's dressed stone, the
// side hall's rubble and the weathered blocks of the stairs and the ruins. On a wall v
// runs upwards at half a tile per metre, and the dungeon floor lies at v = floorV.
#include "block_layout.h"
#include "laid_units.h"
#include "materials.h"
#include "noise.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>

namespace {

// Where the dungeon's floor and the ground outside meet the 2-metre wall tiles.
constexpr float floorV = 0.325f;
constexpr float groundV = 0.275f;
constexpr float vPerMetre = 0.5f;
constexpr float fadeBelow = 0.15f; // metres

// How strongly damp and moss gather from `baseV` up to `reach` metres above it. It also
// fades in over a hand's breadth below, so where the tile repeats higher up the wall no
// edge shows.
float lowOnTheWall(float v, float baseV, float reach) {
    float above = v - baseV;
    above -= std::round(above);
    return above >= 0.0f ? 1.0f - glm::smoothstep(0.0f, reach * vPerMetre, above)
                         : glm::smoothstep(-fadeBelow * vPerMetre, 0.0f, above);
}

struct PlasterParams {
    std::uint32_t seed = 0x91a50000u;
    glm::vec3 lime{0.4f, 0.36f, 0.29f};
    glm::vec3 limeStained{0.31f, 0.26f, 0.19f};
    glm::vec3 stoneBeneath{0.2f, 0.18f, 0.16f};
    glm::vec3 oxblood{0.3f, 0.075f, 0.055f};
    glm::vec3 ochre{0.55f, 0.38f, 0.12f};
    glm::vec3 grime{0.14f, 0.12f, 0.1f};
    float bandFrom = 0.8f; // metres above the floor
    float bandTo = 1.0f;
    float lineAt = 1.06f;
    float lineHalf = 0.015f;
    float flakeLevel = 0.18f; // noise above which the plaster has fallen off
    float plasterThickness = 0.004f;
};

} // namespace

Surface makePlaster(int size) {
    constexpr PlasterParams p{};
    Surface s = makeSurface(size);
    SeedSequence seeds{p.seed};
    const auto [flakeSeed, stoneSeed, stainSeed, crackSeed, fadeSeed, grimeSeed, grainSeed,
                roughSeed] = nextSeeds<8>(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const float flakeNoise = tileFbm(uv, glm::ivec2(3), 5, flakeSeed, 0.5f);
            const float bare =
                glm::smoothstep(p.flakeLevel - 0.03f, p.flakeLevel + 0.03f, flakeNoise);
            const UnitSample stone = cellUnit(uv, 14, stoneSeed, 0.9f);
            const float stoneFace = glm::smoothstep(0.0f, 0.01f, stone.edge);
            const float crack =
                1.0f - glm::smoothstep(0.0f, 0.004f,
                                       tileCellular(uv, glm::ivec2(5), crackSeed).border / 5.0f);
            s.height[i] = (1.0f - bare) * (p.plasterThickness +
                                           0.0008f * tileFbm(uv, glm::ivec2(12), 4, roughSeed)) +
                          bare * 0.002f * stoneFace - 0.0008f * crack * (1.0f - bare);

            glm::vec3 plaster =
                glm::mix(p.lime, p.limeStained,
                         glm::smoothstep(-0.3f, 0.5f, tileFbm(uv, glm::ivec2(4), 5, stainSeed)));
            float height = uv.y - floorV;
            height = (height - std::floor(height)) / vPerMetre;
            const float band = glm::smoothstep(p.bandFrom - 0.01f, p.bandFrom + 0.01f, height) *
                               (1.0f - glm::smoothstep(p.bandTo - 0.01f, p.bandTo + 0.01f, height));
            const float line =
                1.0f - glm::smoothstep(p.lineHalf * 0.6f, p.lineHalf, std::abs(height - p.lineAt));
            const float fade = 0.75f + 0.25f * tileFbm(uv, glm::ivec2(8), 3, fadeSeed);
            plaster = glm::mix(plaster, p.oxblood, band * fade);
            plaster = glm::mix(plaster, p.ochre, line * fade);
            plaster *= 1.0f - 0.1f * crack;
            const glm::vec3 beneath =
                unitColour(stone.id, p.stoneBeneath, p.stoneBeneath * 1.3f, 0.2f) *
                glm::mix(0.5f, 1.0f, stoneFace);
            glm::vec3 colour = glm::mix(plaster, beneath, bare);
            const float grime = lowOnTheWall(uv.y, floorV, 0.5f) *
                                (0.6f + 0.4f * tileFbm(uv, glm::ivec2(10, 2), 3, grimeSeed));
            colour = glm::mix(colour, p.grime, 0.7f * grime);
            colour *= 1.0f + 0.04f * grain(x, y, grainSeed);
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(0.05f, 0.03f, bare);
        }
    }
    return s;
}

namespace {

struct DressedStoneParams {
    std::uint32_t seed = 0xd7e50000u;
    std::uint64_t layoutSeed = 53;
    CourseStyle courses{4, 0.04f, 2, 3, 0.25f, 0.0f, 1.0f, 0.0f};
    UnitRelief relief{0.0025f, 0.006f, 0.005f, 0.002f, 0.0006f, 6, 0.0015f};
    glm::vec3 honey{0.34f, 0.29f, 0.21f};
    glm::vec3 cream{0.33f, 0.3f, 0.25f};
    glm::vec3 jointColour{0.2f, 0.18f, 0.15f};
    glm::vec3 soot{0.08f, 0.07f, 0.06f};
    float tooling = 90.0f; // fine diagonal strokes across the tile
};

} // namespace

Surface makeDressedStone(int size) {
    constexpr DressedStoneParams p{};
    SeedSequence seeds{p.seed};
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    LaidUnits laid = layUnits(size, seeds, p.relief, [&](glm::vec2 uv) {
        const BlockSample block = sampleBlocks(layout, uv);
        return UnitSample{block.edge, block.id, block.local};
    });
    Surface& s = laid.surface;
    const auto [toneSeed, sootSeed, grainSeed] = nextSeeds<3>(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            glm::vec3 stone = unitColour(laid.ids[i], p.honey, p.cream, 0.1f);
            stone *= 1.0f + 0.08f * tileFbm(uv, glm::ivec2(8), 4, toneSeed) +
                     0.03f * std::sin(p.tooling * (uv.x + uv.y) * 6.2831853f) +
                     0.03f * grain(x, y, grainSeed);
            glm::vec3 colour = glm::mix(stone, p.jointColour, laid.joint[i]);
            colour *= 1.0f - 0.5f * laid.recess[i];
            // Smoke from the candles has darkened the stone in drifts.
            const float soot = glm::smoothstep(0.1f, 0.7f, tileFbm(uv, glm::ivec2(3), 5, sootSeed));
            colour = glm::mix(colour, p.soot, 0.5f * soot);
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(0.14f, 0.04f, laid.joint[i]) * (1.0f - 0.5f * soot);
        }
    }
    return s;
}

namespace {

struct RubbleParams {
    std::uint32_t seed = 0x7b0b0000u;
    int stones = 9; // across the 2-metre tile
    UnitRelief relief{0.01f, 0.03f, 0.018f, 0.006f, 0.003f, 10, 0.004f};
    glm::vec3 grey{0.3f, 0.29f, 0.27f};
    glm::vec3 brown{0.33f, 0.26f, 0.19f};
    glm::vec3 red{0.34f, 0.19f, 0.14f};
    float redShare = 0.15f;
    glm::vec3 mortar{0.25f, 0.24f, 0.22f};
    glm::vec3 damp{0.09f, 0.09f, 0.08f};
    glm::vec3 moss{0.12f, 0.17f, 0.07f};
};

} // namespace

Surface makeRubble(int size) {
    constexpr RubbleParams p{};
    SeedSequence seeds{p.seed};
    const std::uint32_t cellSeed = nextSeed(seeds);
    LaidUnits laid = layUnits(size, seeds, p.relief,
                              [&](glm::vec2 uv) { return cellUnit(uv, p.stones, cellSeed, 1.0f); });
    Surface& s = laid.surface;
    const auto [toneSeed, mossSeed, grainSeed] = nextSeeds<3>(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = laid.ids[i];
            glm::vec3 stone = unitColour(id, p.grey, p.brown, 0.25f);
            if (unitFloat(hashU32(id)) < p.redShare) {
                stone = unitColour(id, p.red, p.brown, 0.15f);
            }
            stone *= 1.0f + 0.12f * tileFbm(uv, glm::ivec2(12), 4, toneSeed) +
                     0.04f * grain(x, y, grainSeed);
            glm::vec3 colour = glm::mix(stone, p.mortar, laid.joint[i]);
            colour *= 1.0f - 0.6f * laid.recess[i];
            const float low = lowOnTheWall(uv.y, floorV, 0.6f);
            const float mossNoise = tileFbm(uv, glm::ivec2(8), 4, mossSeed);
            const float moss = glm::smoothstep(
                0.45f, 0.8f, low * (0.6f + laid.recess[i] + laid.joint[i]) + 0.3f * mossNoise);
            colour = glm::mix(colour, p.damp, 0.5f * low);
            colour = glm::mix(colour, p.moss, moss);
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(0.1f, 0.03f, laid.joint[i]) + 0.2f * low * (1.0f - moss);
        }
    }
    return s;
}

namespace {

struct RuinStoneParams {
    std::uint32_t seed = 0x2e1f0000u;
    std::uint64_t layoutSeed = 61;
    CourseStyle courses{4, 0.25f, 2, 3, 0.4f, 0.0f, 1.0f, 0.06f};
    UnitRelief relief{0.006f, 0.035f, 0.016f, 0.008f, 0.004f, 7, 0.008f};
    glm::vec3 grey{0.29f, 0.3f, 0.28f};
    glm::vec3 greenGrey{0.25f, 0.28f, 0.25f};
    glm::vec3 jointColour{0.06f, 0.06f, 0.055f};
    glm::vec3 lichen{0.46f, 0.46f, 0.3f};
    glm::vec3 paleLichen{0.45f, 0.45f, 0.42f};
    glm::vec3 moss{0.11f, 0.17f, 0.07f};
    float lichenShare = 0.1f;
    int pitCells = 30;
};

} // namespace

Surface makeRuinStone(int size) {
    constexpr RuinStoneParams p{};
    SeedSequence seeds{p.seed};
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    const std::uint32_t warpSeed = nextSeed(seeds);
    LaidUnits laid = layUnits(size, seeds, p.relief, [&](glm::vec2 uv) {
        const BlockSample block = sampleBlocks(layout, tileWarp(uv, 3, warpSeed, 0.01f));
        return UnitSample{block.edge, block.id, block.local};
    });
    Surface& s = laid.surface;
    const auto [pitSeed, toneSeed, lichenSeed, mossSeed, grainSeed] = nextSeeds<5>(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const CellSample pits = tileCellular(uv, glm::ivec2(p.pitCells), pitSeed);
            const float pit =
                unitFloat(pits.id) < 0.3f ? glm::smoothstep(0.35f, 0.0f, pits.nearest) : 0.0f;
            s.height[i] -= 0.003f * pit * (1.0f - laid.joint[i]);
            glm::vec3 stone = unitColour(laid.ids[i], p.grey, p.greenGrey, 0.18f);
            stone *= 1.0f + 0.15f * tileFbm(uv, glm::ivec2(6), 5, toneSeed, 0.6f) +
                     0.04f * grain(x, y, grainSeed);
            glm::vec3 colour = glm::mix(stone, p.jointColour, laid.joint[i]);
            colour *= (1.0f - 0.55f * laid.recess[i]) * (1.0f - 0.3f * pit);
            // Lichen in round patches on the faces, moss in the joints and low down.
            const CellSample patch =
                tileCellular(tileWarp(uv, 6, lichenSeed, 0.02f), glm::ivec2(10), lichenSeed, 1.0f);
            const float lichen = unitFloat(patch.id) < p.lichenShare
                                     ? glm::smoothstep(0.5f, 0.15f, patch.nearest)
                                     : 0.0f;
            colour = glm::mix(colour, unitFloat(hashU32(patch.id)) < 0.5f ? p.lichen : p.paleLichen,
                              0.6f * lichen * (1.0f - laid.joint[i]));
            const float low =
                std::max(lowOnTheWall(uv.y, groundV, 0.5f), lowOnTheWall(uv.y, floorV, 0.5f));
            const float moss = glm::smoothstep(0.5f, 0.85f,
                                               (laid.joint[i] + laid.recess[i]) * (0.4f + low) +
                                                   0.35f * tileFbm(uv, glm::ivec2(9), 4, mossSeed));
            colour = glm::mix(colour, p.moss, moss);
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(0.07f, 0.02f, std::max(laid.joint[i], moss));
        }
    }
    return s;
}
