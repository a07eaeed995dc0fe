// Stone and brick laid in courses: the walls, the floor's flagstones and the
// ceiling's bricks.
#include "block_layout.h"
#include "painters.h"
#include "toolkit/noise.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct WallParams {
    std::uint32_t seed = 0x3a110000u;
    std::uint64_t layoutSeed = 11;
    CourseStyle courses{5, 0.35f, 2, 4, 0.45f, 0.0f, 1.0f, 0.12f};
    float splitChance = 0.4f;
    float splitHeight = 0.19f;
    float warp = 0.012f;
    float fineWarp = 0.004f;
    float mortar = 0.007f;
    float chip = 0.012f;
    float bevel = 0.03f;
    float pitChance = 0.12f;
    float flake = 0.012f;
    float blockHeight = 0.02f;
    float roughness = 0.008f;
    glm::vec3 stoneGrey{0.34f, 0.325f, 0.3f};
    glm::vec3 stoneBrown{0.37f, 0.31f, 0.25f};
    glm::vec3 mortarColour{0.24f, 0.22f, 0.2f};
    glm::vec3 mossColour{0.19f, 0.25f, 0.11f};
    // The import flips v, so it runs down the wall: the floors meet the 2-metre tiles at
    // v = 0.675, and the damp rises a little above that.
    float dampCentre = 0.64f;
    float dampWidth = 0.14f;
};

} // namespace

Surface makeWall(int size) {
    constexpr WallParams p{};
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    SeedSequence seeds{p.seed};
    const auto [warpSeed, fineWarpSeed, dentSeed, notchSeed, ridgeSeed, pitSeed, flakeSeed,
                jointSeed] = nextSeeds<8>(seeds);
    std::vector<float> mortar(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const glm::vec2 warped =
                tileWarp(tileWarp(uv, 3, warpSeed, p.warp), 12, fineWarpSeed, p.fineWarp);
            const BlockSample block =
                splitBlock(sampleBlocks(layout, warped), p.splitChance, p.splitHeight);
            // Chips bite into the edges: broad dents and a few deep notches.
            const float chips =
                p.chip * (0.6f * tileFbm(uv, glm::ivec2(16), 4, dentSeed) +
                          std::max(0.0f, tileFbm(uv, glm::ivec2(7), 4, notchSeed) - 0.1f) * 1.5f);
            const float edge = block.edge - p.mortar - chips;
            const glm::vec2 tilt = glm::vec2(unitFloat(block.id >> 3), unitFloat(block.id >> 11));
            const float plane = glm::dot(tilt - 0.5f, block.local - 0.5f) * 0.02f;
            const float rough =
                p.roughness * (tileFbm(uv, glm::ivec2(5), 6, block.id, 0.6f) +
                               0.5f * tileRidged(uv, glm::ivec2(12), 3, ridgeSeed) - 0.3f);
            const CellSample pits = tileCellular(uv, glm::ivec2(40), pitSeed);
            const float pitSize = 0.15f + 0.25f * unitFloat(hashU32(pits.id));
            const float pit = unitFloat(pits.id) < p.pitChance
                                  ? 0.003f * glm::smoothstep(pitSize, 0.0f, pits.nearest)
                                  : 0.0f;
            // Flat flakes split off the face, each a tilted plane.
            const CellSample flakes = tileCellular(uv, glm::ivec2(7), flakeSeed);
            const glm::vec2 flakeTilt(unitFloat(flakes.id) - 0.5f,
                                      unitFloat(hashU32(flakes.id)) - 0.5f);
            const float flake = p.flake * glm::dot(flakeTilt, flakes.toFeature) *
                                glm::smoothstep(0.0f, 0.25f, flakes.border);
            const float face = p.blockHeight + plane + rough + flake - pit;
            const float joint = 0.002f * tileFbm(uv, glm::ivec2(48), 3, jointSeed);
            const float stone = glm::smoothstep(-0.001f, 0.001f, edge);
            const float rounded = edgeProfile(edge, p.bevel);
            s.height[i] = glm::mix(joint, joint + face * rounded, stone);
            mortar[i] = 1.0f - stone;
            ids[i] = block.id;
        }
    }

    const auto [toneSeed, grainSeed, stainSeed, speckSeed, mortarToneSeed, mortarGrainSeed,
                dampSeed, mossSeed, mossGrainSeed, mossReliefSeed, shineSeed] =
        nextSeeds<11>(seeds);
    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    const std::vector<float> broad = blurWrapped(s.height, size, 2 * cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = ids[i];
            glm::vec3 stone = glm::mix(p.stoneGrey, p.stoneBrown, unitFloat(id >> 5));
            stone = blockTint(stone, id, 0.2f, 0.05f);
            stone *= 1.0f + 0.2f * tileFbm(uv, glm::ivec2(6), 6, toneSeed, 0.6f) +
                     0.06f * grain(x, y, grainSeed);
            // Iron-stained and pale mineral patches.
            const float stain =
                glm::smoothstep(0.2f, 0.6f, tileFbm(uv, glm::ivec2(5), 4, stainSeed));
            stone = glm::mix(stone, stone * glm::vec3(1.05f, 0.9f, 0.75f), stain);
            const float speck =
                glm::smoothstep(0.5f, 0.8f, tileNoise(uv, glm::ivec2(96), speckSeed));
            stone = glm::mix(stone, stone * 1.3f, speck);
            const glm::vec3 joint =
                p.mortarColour * (1.0f + 0.2f * tileFbm(uv, glm::ivec2(24), 4, mortarToneSeed) +
                                  0.1f * grain(x, y, mortarGrainSeed));
            glm::vec3 colour = glm::mix(stone, joint, mortar[i]);
            const float recess = glm::clamp(cavity[i] / 0.006f, 0.0f, 1.0f);
            // Raised edges wear lighter, recesses gather dirt.
            const float ridge = glm::clamp((s.height[i] - broad[i]) / 0.006f, 0.0f, 1.0f);
            colour *= (1.0f - 0.55f * recess) * (1.0f + 0.25f * ridge);

            // Damp rises from the floor in streaks; moss keeps to the joints there.
            const float damp =
                bottomBand(uv.y, p.dampCentre, p.dampWidth) *
                glm::smoothstep(-0.2f, 0.4f, tileFbm(uv, glm::ivec2(16, 3), 4, dampSeed));
            const float mossNoise = tileFbm(uv, glm::ivec2(10), 5, mossSeed);
            const float moss =
                glm::smoothstep(0.3f, 0.65f,
                                damp * (0.5f + recess + mortar[i]) + 0.4f * mossNoise) *
                glm::smoothstep(-0.1f, 0.25f, mossNoise);
            colour *= 1.0f - 0.3f * damp;
            colour =
                glm::mix(colour, p.mossColour * (0.85f + 0.25f * grain(x, y, mossGrainSeed)), moss);
            s.albedo[i] = colour;
            s.height[i] += 0.0015f * moss * tileNoise(uv, glm::ivec2(128), mossReliefSeed);

            const float stoneShine = 0.1f + 0.05f * tileFbm(uv, glm::ivec2(24), 3, shineSeed);
            s.specular[i] =
                glm::mix(stoneShine, 0.04f, mortar[i]) * (1.0f - 0.5f * recess) + 0.3f * damp;
            s.specular[i] = glm::mix(s.specular[i], 0.06f, moss);
        }
    }
    return s;
}

namespace {

struct FloorParams {
    std::uint32_t seed = 0xf10a0000u;
    std::uint64_t layoutSeed = 23;
    CourseStyle courses{3, 0.25f, 2, 3, 0.3f, 0.0f, 1.0f, 0.04f};
    float warp = 0.01f;
    float joint = 0.004f;
    float bevel = 0.03f;
    float flagHeight = 0.012f;
    float crackWidth = 0.0025f;
    float crackDepth = 0.005f;
    float crackChance = 0.6f;
    int crackCells = 4; // cracks follow the borders of this lattice
    glm::vec3 stone{0.3f, 0.29f, 0.27f};
    glm::vec3 stoneWarm{0.33f, 0.28f, 0.23f};
    glm::vec3 jointColour{0.17f, 0.15f, 0.13f};
    float wetDarkening = 0.35f;
    float wetShine = 0.7f;
};

} // namespace

Surface makeFloor(int size) {
    constexpr FloorParams p{};
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    SeedSequence seeds{p.seed};
    const auto [warpSeed, chipSeed, notchSeed, roughPatchSeed, wearSeed, crackWarpSeed,
                crackFineWarpSeed, crackCellSeed, crackMaskSeed, jointSeed] = nextSeeds<10>(seeds);
    std::vector<float> joints(s.height.size());
    std::vector<float> cracks(s.height.size());
    std::vector<float> undulation(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const BlockSample flag = sampleBlocks(layout, tileWarp(uv, 4, warpSeed, p.warp));
            const float chips = 0.004f * tileFbm(uv, glm::ivec2(24), 3, chipSeed) +
                                0.006f * std::max(0.0f, tileFbm(uv, glm::ivec2(8), 3, notchSeed));
            const float edge = flag.edge - p.joint - chips;
            // Feet have worn the faces smooth: broad hollows, little fine detail.
            const float roughPatch =
                glm::smoothstep(0.0f, 0.4f, tileFbm(uv, glm::ivec2(4), 3, roughPatchSeed));
            const float worn =
                0.006f * tileFbm(uv, glm::ivec2(3), 4, flag.id) +
                (0.0004f + 0.0012f * roughPatch) * tileFbm(uv, glm::ivec2(24), 4, wearSeed);
            // Cracks run along the borders of large, jagged cells, on some flags and
            // only part of the way.
            const glm::vec2 crackUv =
                tileWarp(tileWarp(uv, 12, crackWarpSeed, 0.006f), 40, crackFineWarpSeed, 0.0015f);
            const float crackLine =
                tileCellular(crackUv, glm::ivec2(p.crackCells), crackCellSeed).border /
                static_cast<float>(p.crackCells);
            const float crackMask =
                (unitFloat(hashU32(flag.id)) < p.crackChance ? 1.0f : 0.0f) *
                glm::smoothstep(0.0f, 0.25f, tileFbm(uv, glm::ivec2(5), 3, crackMaskSeed));
            const float crackWidth =
                p.crackWidth * (0.4f + 0.6f * glm::smoothstep(0.0f, 0.3f, crackMask));
            const float crack =
                crackMask * glm::smoothstep(crackWidth, 0.3f * crackWidth, crackLine);
            const float face = p.flagHeight + worn - p.crackDepth * crack;
            const float stone = glm::smoothstep(-0.001f, 0.001f, edge);
            const float joint = 0.0015f * tileFbm(uv, glm::ivec2(64), 3, jointSeed);
            s.height[i] = glm::mix(joint, joint + face * edgeProfile(edge, p.bevel), stone);
            joints[i] = 1.0f - stone;
            cracks[i] = crack * stone;
            undulation[i] = worn;
            ids[i] = flag.id;
        }
    }

    const auto [toneSeed, grainSeed, stainSeed, veinSeed, dirtSeed, wetSeed, drySeed] =
        nextSeeds<7>(seeds);
    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    // Puddles gather in the broad dips of the faces, not along the bevels.
    const std::vector<float> undulationAround = blurWrapped(undulation, size, 4 * cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = ids[i];
            glm::vec3 stone = glm::mix(p.stone, p.stoneWarm, unitFloat(id >> 7));
            stone = blockTint(stone, id, 0.22f, 0.05f);
            stone *= 1.0f + 0.2f * tileFbm(uv, glm::ivec2(5), 6, toneSeed, 0.6f) +
                     0.05f * grain(x, y, grainSeed);
            const float stain =
                glm::smoothstep(0.1f, 0.5f, tileFbm(uv, glm::ivec2(6), 4, stainSeed));
            stone *= 1.0f - 0.25f * stain;
            const float veins =
                glm::smoothstep(0.92f, 1.0f, tileRidged(uv, glm::ivec2(4), 4, veinSeed));
            stone = glm::mix(stone, stone * 1.2f, veins);
            const glm::vec3 dirt =
                p.jointColour * (1.0f + 0.25f * tileFbm(uv, glm::ivec2(32), 3, dirtSeed));
            glm::vec3 colour = glm::mix(stone, dirt, std::max(joints[i], 0.8f * cracks[i]));
            const float recess = glm::clamp(cavity[i] / 0.005f, 0.0f, 1.0f);
            colour *= 1.0f - 0.45f * recess;

            // Water stands in the hollows and spreads in patches.
            const float wet = glm::smoothstep(
                0.15f, 0.35f,
                tileFbm(uv, glm::ivec2(3), 5, wetSeed) +
                    80.0f * std::max(0.0f, undulationAround[i] - undulation[i]) - 0.05f);
            colour *= 1.0f - p.wetDarkening * wet;
            s.albedo[i] = colour;

            const float dry = 0.12f + 0.05f * tileFbm(uv, glm::ivec2(16), 3, drySeed);
            s.specular[i] = glm::mix(dry * (1.0f - 0.6f * recess), p.wetShine, wet);
            s.specular[i] = glm::mix(s.specular[i], 0.05f + 0.25f * wet, joints[i]);
        }
    }
    return s;
}

namespace {

struct CeilingParams {
    std::uint32_t seed = 0xce110000u;
    std::uint64_t layoutSeed = 37;
    CourseStyle courses{8, 0.06f, 4, 4, 0.15f, 0.125f, 0.02f, 0.02f};
    float warp = 0.004f;
    float mortar = 0.006f;
    float bevel = 0.012f;
    float brickHeight = 0.01f;
    glm::vec3 brick{0.3f, 0.24f, 0.2f};
    glm::vec3 brickGrey{0.29f, 0.27f, 0.25f};
    glm::vec3 mortarColour{0.30f, 0.28f, 0.25f};
    glm::vec3 sootColour{0.06f, 0.055f, 0.05f};
};

} // namespace

Surface makeCeiling(int size) {
    constexpr CeilingParams p{};
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    SeedSequence seeds{p.seed};
    const auto [warpSeed, chipSeed, notchSeed, creaseSeed, jointSeed] = nextSeeds<5>(seeds);
    std::vector<float> mortar(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const BlockSample brick = sampleBlocks(layout, tileWarp(uv, 8, warpSeed, p.warp));
            const float chips = 0.005f * tileFbm(uv, glm::ivec2(32), 3, chipSeed) +
                                0.006f * std::max(0.0f, tileFbm(uv, glm::ivec2(12), 3, notchSeed));
            const float edge = brick.edge - p.mortar - chips;
            const glm::vec2 tilt(unitFloat(brick.id >> 4) - 0.5f, unitFloat(brick.id >> 12) - 0.5f);
            const float face = p.brickHeight + 0.008f * glm::dot(tilt, brick.local - 0.5f) +
                               0.004f * tileFbm(uv, glm::ivec2(12), 5, brick.id, 0.6f) +
                               0.0012f * tileRidged(uv, glm::ivec2(40), 2, creaseSeed);
            const float stone = glm::smoothstep(-0.001f, 0.001f, edge);
            const float joint = 0.0015f * tileFbm(uv, glm::ivec2(64), 3, jointSeed);
            s.height[i] = glm::mix(joint, joint + face * edgeProfile(edge, p.bevel), stone);
            mortar[i] = 1.0f - stone;
            ids[i] = brick.id;
        }
    }

    const auto [toneSeed, grainSeed, mortarToneSeed, sootWarpSeed, sootSeed, shineSeed] =
        nextSeeds<6>(seeds);
    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = ids[i];
            glm::vec3 brick = glm::mix(p.brick, p.brickGrey, unitFloat(id >> 6));
            brick = blockTint(brick, id, 0.2f, 0.05f);
            brick *= 1.0f + 0.15f * tileFbm(uv, glm::ivec2(16), 5, toneSeed) +
                     0.07f * grain(x, y, grainSeed);
            // Darker scorch from the kiln on some faces.
            const float fired = glm::smoothstep(0.1f, 0.5f, tileFbm(uv, glm::ivec2(10), 3, id));
            brick *= 1.0f - 0.3f * fired;
            const glm::vec3 joint =
                p.mortarColour * (1.0f + 0.15f * tileFbm(uv, glm::ivec2(48), 3, mortarToneSeed));
            glm::vec3 colour = glm::mix(brick, joint, mortar[i]);
            const float recess = glm::clamp(cavity[i] / 0.004f, 0.0f, 1.0f);
            colour *= 1.0f - 0.5f * recess;

            // Smoke from torches has blackened it in broad clouds.
            const float soot = glm::smoothstep(
                -0.25f, 0.45f,
                tileFbm(tileWarp(uv, 3, sootWarpSeed, 0.05f), glm::ivec2(3), 6, sootSeed));
            colour = glm::mix(colour, p.sootColour, 0.75f * soot);
            s.albedo[i] = colour;
            s.specular[i] = (0.08f + 0.03f * tileFbm(uv, glm::ivec2(24), 3, shineSeed)) *
                            (1.0f - 0.6f * soot) * (1.0f - 0.5f * mortar[i]);
        }
    }
    return s;
}
