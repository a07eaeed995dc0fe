// The rooms' own walls: the gallery's painted plaster, the chapel's dressed stone, the
// side hall's rubble and the weathered blocks of the stairs and the ruins.
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

// The meshes' v runs up the wall and the loader flips it, so the map's rows run down
// the wall: v = 1 - height / tile. The dungeon floor (y = -1.35 m) meets the 2-metre
// tiles at floorV, the ground outside (y = 0.55 m) at groundV.
constexpr float tileMetres = 2.0f;
constexpr float floorV = 0.675f;
constexpr float groundV = 0.725f;
// Damp eases in over this far below the foot, where a tall wall shows the tile's
// repeat, so the tile still wraps without a tide line there.
constexpr float footLeadMetres = 0.2f;

// Metres above the foot at `baseV`, 0 ... tileMetres.
float metresAbove(float v, float baseV) {
    float up = baseV - v;
    up -= std::floor(up);
    return up * tileMetres;
}

// The v that lies `metres` above the foot at `baseV`.
float vAbove(float baseV, float metres) {
    return baseV - metres / tileMetres;
}

// How wet the wall is near its foot: 1 there, 0 from `reach` metres up.
float nearFoot(float v, float baseV, float reach) {
    const float up = metresAbove(v, baseV);
    return std::max(1.0f - glm::smoothstep(0.0f, reach, up),
                    glm::smoothstep(tileMetres - footLeadMetres, tileMetres, up));
}

// 1 between `low` and `high` metres, with edges `soft` wide.
float paintedBand(float up, float low, float high, float soft) {
    return glm::smoothstep(low - soft, low + soft, up) *
           (1.0f - glm::smoothstep(high - soft, high + soft, up));
}

// Distance to a block's nearest joint with its corners rounded over `radius`.
float roundedEdge(const BlockSample& block, float radius) {
    const glm::vec2 inside = glm::min(block.local, 1.0f - block.local) * block.extent;
    const glm::vec2 corner = glm::max(glm::vec2(radius) - inside, 0.0f);
    return corner.x > 0.0f && corner.y > 0.0f ? radius - glm::length(corner)
                                              : std::min(inside.x, inside.y);
}

struct PlasterParams {
    std::uint32_t seed = 0x91a50000u;
    // The rubble under the plaster.
    int stoneCells = 9;
    float stoneWarp = 0.02f;
    float stoneJoint = 0.08f; // lattice units
    float stoneBevel = 0.2f;
    float stoneHeight = 0.005f;
    // Render over the stone, a finer lime coat over the render.
    float renderTop = 0.0075f;
    float finishThickness = 0.0012f;
    float wave = 0.0012f;
    int flakeCells = 5;
    float flakeLevel = 0.32f;   // noise above which the render has fallen off
    float finishMargin = 0.12f; // the finish coat has gone this far around the bare patches
    float dampFlaking = 0.35f;
    float flakeEdge = 0.05f;
    int crackCells = 4;
    float crackWidth = 0.0035f; // tile widths
    float crackDepth = 0.0015f;
    glm::vec3 lime{0.52f, 0.48f, 0.4f};
    glm::vec3 limeOchre{0.49f, 0.41f, 0.28f};
    glm::vec3 renderColour{0.43f, 0.39f, 0.32f};
    glm::vec3 waterStain{0.36f, 0.3f, 0.22f};
    glm::vec3 stoneGrey{0.28f, 0.27f, 0.25f};
    glm::vec3 stoneBrown{0.31f, 0.25f, 0.19f};
    glm::vec3 mortarColour{0.37f, 0.35f, 0.31f};
    glm::vec3 oxblood{0.32f, 0.085f, 0.065f};
    glm::vec3 ochre{0.6f, 0.43f, 0.16f};
    glm::vec3 grime{0.17f, 0.15f, 0.11f};
    glm::vec3 salts{0.62f, 0.6f, 0.55f};
    // Metres above the floor: the band, the ochre line above it, a dark line below.
    float bandLow = 0.84f;
    float bandHigh = 1.02f;
    float lineLow = 1.045f;
    float lineHigh = 1.07f;
    float underLineLow = 0.8f;
    float underLineHigh = 0.815f;
    float paintWobble = 0.006f;
    float paintSoft = 0.004f;
    float dampReach = 0.5f;
};

} // namespace

Surface makePlaster(int size) {
    constexpr PlasterParams p{};
    Surface s = makeSurface(size);
    SeedSequence seeds{p.seed};
    const auto [stoneWarpSeed, stoneSeed, stoneFaceSeed, mortarSeed, waveSeed, flakeWarpSeed,
                flakeSeed, finishSeed, dampLevelSeed, crackWarpSeed, crackFineWarpSeed, crackSeed,
                crackMaskSeed] = nextSeeds<13>(seeds);
    std::vector<float> bare(s.height.size());
    std::vector<float> finish(s.height.size());
    std::vector<float> stoneMask(s.height.size());
    std::vector<float> cracks(s.height.size());
    std::vector<float> damp(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const CellSample stone = tileCellular(tileWarp(uv, 4, stoneWarpSeed, p.stoneWarp),
                                                  glm::ivec2(p.stoneCells), stoneSeed, 0.85f);
            const float stoneEdge = stone.border - p.stoneJoint;
            const float isStone = glm::smoothstep(0.0f, 0.03f, stoneEdge);
            const float beneath =
                0.0008f * tileFbm(uv, glm::ivec2(32), 2, mortarSeed) +
                isStone * p.stoneHeight *
                    (edgeProfile(stoneEdge, p.stoneBevel) +
                     0.3f * tileFbm(uv, glm::ivec2(12), 3, stoneFaceSeed ^ stone.id));

            const float wet = nearFoot(
                uv.y, floorV,
                p.dampReach * (0.75f + 0.35f * tileFbm(uv, glm::ivec2(6, 2), 3, dampLevelSeed)));
            const glm::vec2 flakeUv = tileWarp(uv, 10, flakeWarpSeed, 0.008f);
            const float flakeNoise =
                tileFbm(flakeUv, glm::ivec2(p.flakeCells), 5, flakeSeed) + p.dampFlaking * wet;
            const float fallen =
                glm::smoothstep(p.flakeLevel, p.flakeLevel + p.flakeEdge, flakeNoise);
            // The finish coat has scaled off in terraces around the bare patches.
            const float finishNoise =
                flakeNoise + 0.15f * tileFbm(flakeUv, glm::ivec2(4 * p.flakeCells), 3, finishSeed);
            const float finishLost =
                glm::smoothstep(p.flakeLevel - p.finishMargin,
                                p.flakeLevel - p.finishMargin + p.flakeEdge, finishNoise);
            const float render = p.renderTop + p.wave * tileFbm(uv, glm::ivec2(3), 4, waveSeed);
            const float coat = render + p.finishThickness * (1.0f - finishLost);

            // Hairlines run along the borders of large jagged cells, and stop short.
            const glm::vec2 crackUv =
                tileWarp(tileWarp(uv, 6, crackWarpSeed, 0.02f), 24, crackFineWarpSeed, 0.003f);
            const float crackLine =
                tileCellular(crackUv, glm::ivec2(p.crackCells), crackSeed).border /
                static_cast<float>(p.crackCells);
            const float crackMask =
                glm::smoothstep(0.0f, 0.3f, tileFbm(uv, glm::ivec2(4), 3, crackMaskSeed));
            const float crack =
                crackMask * glm::smoothstep(p.crackWidth, 0.2f * p.crackWidth, crackLine);

            s.height[i] = glm::mix(coat - p.crackDepth * crack, beneath, fallen);
            bare[i] = fallen;
            finish[i] = (1.0f - finishLost) * (1.0f - fallen);
            stoneMask[i] = isStone;
            cracks[i] = crack * (1.0f - fallen);
            damp[i] = wet;
            ids[i] = stone.id;
        }
    }

    const auto [toneSeed, mottleSeed, grainSeed, streakSeed, ageSeed, wobbleSeed, fadeSeed,
                chipSeed, stoneToneSeed, grimeSeed, shineSeed] = nextSeeds<11>(seeds);
    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    const std::vector<float> broad = blurWrapped(s.height, size, cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            glm::vec3 plaster =
                glm::mix(p.lime, p.limeOchre,
                         glm::smoothstep(-0.4f, 0.5f, tileFbm(uv, glm::ivec2(3), 4, toneSeed)));
            plaster =
                glm::mix(p.renderColour, plaster, finish[i] / std::max(1e-4f, 1.0f - bare[i]));
            plaster *= 1.0f + 0.08f * tileFbm(uv, glm::ivec2(16), 3, mottleSeed) +
                       0.03f * grain(x, y, grainSeed);
            // Water has run down in streaks and the whole wall has yellowed and darkened.
            const float streak =
                glm::smoothstep(0.05f, 0.55f, tileFbm(uv, glm::ivec2(20, 2), 4, streakSeed));
            plaster = glm::mix(plaster, p.waterStain, 0.45f * streak);
            plaster *= 0.82f +
                       0.18f * glm::smoothstep(-0.5f, 0.5f, tileFbm(uv, glm::ivec2(4), 4, ageSeed));

            const float up = metresAbove(uv.y, floorV) +
                             p.paintWobble * tileFbm(uv, glm::ivec2(12, 2), 3, wobbleSeed);
            const float fade =
                0.3f + 0.7f * glm::smoothstep(-0.4f, 0.4f, tileFbm(uv, glm::ivec2(6), 4, fadeSeed));
            const float chipped =
                glm::smoothstep(0.3f, 0.4f, tileFbm(uv, glm::ivec2(24), 3, chipSeed));
            const float paint = finish[i] * (1.0f - chipped) * fade;
            const float band = paintedBand(up, p.bandLow, p.bandHigh, p.paintSoft);
            const float line = paintedBand(up, p.lineLow, p.lineHigh, p.paintSoft);
            const float underLine = paintedBand(up, p.underLineLow, p.underLineHigh, p.paintSoft);
            plaster = glm::mix(plaster, p.oxblood * (plaster / p.lime), band * paint);
            plaster = glm::mix(plaster, p.ochre * (plaster / p.lime), line * paint);
            plaster = glm::mix(plaster, p.oxblood * 0.6f, underLine * paint);

            const std::uint32_t id = ids[i];
            glm::vec3 stone = glm::mix(p.stoneGrey, p.stoneBrown, unitFloat(id >> 5));
            stone = blockTint(stone, id, 0.2f, 0.05f) *
                    (1.0f + 0.15f * tileFbm(uv, glm::ivec2(10), 4, stoneToneSeed));
            // Lime dust clings to the stone the render fell from.
            stone = glm::mix(glm::mix(p.mortarColour, stone, stoneMask[i]), p.renderColour, 0.15f);

            glm::vec3 colour = glm::mix(plaster, stone, bare[i]);
            colour *= 1.0f - 0.5f * cracks[i];
            const float recess = glm::clamp(cavity[i] / 0.006f, 0.0f, 1.0f);
            const float ridge = glm::clamp((s.height[i] - broad[i]) / 0.002f, 0.0f, 1.0f);
            colour *= (1.0f - 0.45f * recess) * (1.0f + 0.15f * ridge * (1.0f - bare[i]));

            // Grime and damp rise from the floor, salts bloom at their upper edge.
            const float grime =
                damp[i] *
                glm::smoothstep(-0.3f, 0.3f, tileFbm(uv, glm::ivec2(12, 3), 4, grimeSeed));
            const float tide = damp[i] * (1.0f - damp[i]) * 4.0f * (1.0f - bare[i]);
            colour = glm::mix(colour, p.salts, 0.25f * tide);
            colour = glm::mix(colour, p.grime * (colour / p.lime + 0.5f), 0.55f * grime);
            s.albedo[i] = colour;

            const float shine = 0.07f + 0.02f * tileFbm(uv, glm::ivec2(16), 3, shineSeed);
            s.specular[i] = (shine + 0.04f * band * paint) * (1.0f - 0.5f * recess) + 0.2f * grime;
        }
    }
    return s;
}

namespace {

struct DressedStoneParams {
    std::uint32_t seed = 0xd2e50000u;
    std::uint64_t layoutSeed = 53;
    CourseStyle courses{4, 0.05f, 2, 3, 0.25f, 0.22f, 0.1f, 0.0f};
    float warp = 0.0012f;
    float joint = 0.0022f; // half a joint, tile widths
    float bevel = 0.004f;
    float faceHeight = 0.006f;
    float tilt = 0.003f;
    float chip = 0.004f;
    float draft = 0.016f; // the finely dressed margin along each edge
    float draftStep = 0.0004f;
    float toolPitch = 0.02f; // between chisel strokes, tile widths
    float toolDepth = 0.0002f;
    glm::vec3 honey{0.46f, 0.41f, 0.32f};
    glm::vec3 cream{0.45f, 0.43f, 0.38f};
    glm::vec3 jointColour{0.33f, 0.31f, 0.27f};
    glm::vec3 sootColour{0.11f, 0.1f, 0.085f};
    float sootHeight = 1.65f; // metres above the floor
    float sootSpread = 0.4f;
    float sootStrength = 0.5f;
    glm::vec3 mossColour{0.17f, 0.21f, 0.1f};
    float mossReach = 0.25f;
};

} // namespace

Surface makeDressedStone(int size) {
    constexpr DressedStoneParams p{};
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    SeedSequence seeds{p.seed};
    const auto [warpSeed, chipSeed, faceSeed, toolSeed, jointSeed] = nextSeeds<5>(seeds);
    std::vector<float> joints(s.height.size());
    std::vector<float> tooling(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const BlockSample block = sampleBlocks(layout, tileWarp(uv, 8, warpSeed, p.warp));
            // A few arrises are knocked, most stay crisp.
            const float chips =
                p.chip * std::max(0.0f, tileFbm(uv, glm::ivec2(10), 4, chipSeed) - 0.25f) * 3.0f;
            const float edge = block.edge - p.joint - chips;
            const glm::vec2 tilt(unitFloat(block.id >> 4) - 0.5f, unitFloat(block.id >> 12) - 0.5f);
            const glm::vec2 inBlock = block.local * block.extent;
            // Each block's face is batted in diagonal strokes inside a smooth margin.
            const float angle = (unitFloat(hashU32(block.id)) < 0.5f ? 1.0f : -1.0f) *
                                (0.6f + 0.4f * unitFloat(block.id >> 9));
            const glm::vec2 across(std::cos(angle), std::sin(angle));
            const float phase = glm::dot(inBlock, across) / p.toolPitch +
                                1.5f * tileFbm(uv, glm::ivec2(8), 2, toolSeed);
            const float inner = glm::smoothstep(p.draft, p.draft + 0.004f, edge);
            const float strokes = inner * std::sin(6.2831853f * phase) *
                                  (0.6f + 0.4f * tileFbm(uv, glm::ivec2(6), 2, block.id));
            const float face = p.faceHeight + p.tilt * glm::dot(tilt, block.local - 0.5f) +
                               0.0008f * tileFbm(uv, glm::ivec2(4), 4, faceSeed ^ block.id) +
                               p.toolDepth * strokes - p.draftStep * (1.0f - inner);
            const float stone = glm::smoothstep(-0.0008f, 0.0008f, edge);
            const float joint = 0.0006f * tileFbm(uv, glm::ivec2(48), 2, jointSeed);
            s.height[i] = glm::mix(joint, joint + face * edgeProfile(edge, p.bevel), stone);
            joints[i] = 1.0f - stone;
            tooling[i] = strokes;
            ids[i] = block.id;
        }
    }

    const auto [toneSeed, beddingSeed, speckSeed, grainSeed, sootWarpSeed, sootSeed, mossSeed,
                shineSeed] = nextSeeds<8>(seeds);
    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = ids[i];
            glm::vec3 stone = glm::mix(p.honey, p.cream, unitFloat(id >> 6));
            stone = blockTint(stone, id, 0.1f, 0.04f);
            stone *= 1.0f + 0.08f * tileFbm(uv, glm::ivec2(4), 5, toneSeed) +
                     0.05f * tileFbm(uv, glm::ivec2(2, 24), 3, beddingSeed) + 0.03f * tooling[i] +
                     0.02f * grain(x, y, grainSeed);
            const float speck = tileNoise(uv, glm::ivec2(64), speckSeed);
            stone *= 1.0f - 0.12f * glm::smoothstep(0.45f, 0.7f, speck);
            glm::vec3 colour = glm::mix(stone, p.jointColour, joints[i]);
            const float recess = glm::clamp(cavity[i] / 0.0025f, 0.0f, 1.0f);
            colour *= 1.0f - 0.55f * recess;

            // Smoke from the candles has darkened the wall in clouds, most of all high up;
            // the tile repeats every two metres, so the band stays faint.
            const float clouds = glm::smoothstep(
                -0.35f, 0.45f,
                tileFbm(tileWarp(uv, 3, sootWarpSeed, 0.05f), glm::ivec2(4), 5, sootSeed));
            const float high =
                bottomBand(uv.y, vAbove(floorV, p.sootHeight), p.sootSpread / tileMetres);
            const float soot = p.sootStrength * clouds * (0.35f + 0.65f * high);
            colour = glm::mix(colour, p.sootColour, soot);
            // A little moss in the lowest joints.
            const float moss =
                joints[i] * nearFoot(uv.y, floorV, p.mossReach) *
                glm::smoothstep(0.0f, 0.4f, tileFbm(uv, glm::ivec2(12), 3, mossSeed));
            colour = glm::mix(colour, p.mossColour, 0.7f * moss);
            s.albedo[i] = colour;

            const float shine = 0.14f + 0.04f * tileFbm(uv, glm::ivec2(12), 3, shineSeed);
            s.specular[i] =
                glm::mix(shine, 0.05f, joints[i]) * (1.0f - 0.5f * recess) * (1.0f - 0.5f * soot);
        }
    }
    return s;
}

namespace {

struct RubbleParams {
    std::uint32_t seed = 0x7bb10000u;
    int stoneCells = 6;
    int spallCells = 10;
    float spallScale = 0.7f;
    float spallChance = 0.2f; // of a large cell being packed with small stones instead
    float warp = 0.025f;
    float fineWarp = 0.005f;
    float mortar = 0.01f; // tile widths between a stone and its cell's border
    float chip = 0.01f;
    float roundness = 0.72f; // lattice units from a stone's middle to its rounded corners
    float stoneHeight = 0.02f;
    float roundBevel = 0.1f;
    float angularBevel = 0.025f;
    float angularChance = 0.45f;
    float facet = 0.012f;
    float mortarRough = 0.0015f;
    glm::vec3 grey{0.33f, 0.32f, 0.3f};
    glm::vec3 brown{0.33f, 0.28f, 0.22f};
    glm::vec3 dark{0.21f, 0.21f, 0.2f};
    glm::vec3 red{0.35f, 0.22f, 0.17f};
    glm::vec3 mortarColour{0.44f, 0.43f, 0.4f};
    glm::vec3 mossColour{0.16f, 0.21f, 0.1f};
    float dampReach = 0.6f;
};

} // namespace

Surface makeRubble(int size) {
    constexpr RubbleParams p{};
    Surface s = makeSurface(size);
    SeedSequence seeds{p.seed};
    const auto [warpSeed, fineWarpSeed, stoneSeed, spallSeed, chipSeed, facetSeed, roughSeed,
                mortarSeed] = nextSeeds<8>(seeds);
    std::vector<float> mortar(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const glm::vec2 warped =
                tileWarp(tileWarp(uv, 4, warpSeed, p.warp), 16, fineWarpSeed, p.fineWarp);
            const CellSample big = tileCellular(warped, glm::ivec2(p.stoneCells), stoneSeed);
            // Stones fill their cells but for the corners, which round off.
            auto rounded = [&](const CellSample& cell, int cells) {
                const float reach = p.roundness * (0.85f + 0.3f * unitFloat(cell.id >> 21));
                return std::min(cell.border, reach - cell.nearest) / static_cast<float>(cells);
            };
            float border = rounded(big, p.stoneCells);
            std::uint32_t id = big.id;
            glm::vec2 toCentre = big.toFeature / static_cast<float>(p.stoneCells);
            float scale = 1.0f;
            if (unitFloat(hashU32(big.id)) < p.spallChance) {
                const CellSample spall = tileCellular(warped, glm::ivec2(p.spallCells), spallSeed);
                const float spallBorder = rounded(spall, p.spallCells);
                toCentre = spall.toFeature / static_cast<float>(p.spallCells);
                // A small stone belongs to the large cell its middle lies in; the slivers
                // of others that reach over its border stay mortar.
                const CellSample home =
                    tileCellular(warped + toCentre, glm::ivec2(p.stoneCells), stoneSeed);
                border = home.id == big.id
                             ? std::min(big.border / static_cast<float>(p.stoneCells), spallBorder)
                             : 0.0f;
                id = spall.id;
                scale = p.spallScale;
            }
            const float chips = p.chip * (0.5f * tileFbm(uv, glm::ivec2(12), 3, chipSeed) + 0.5f);
            const float edge = border - p.mortar * (0.5f + 0.5f * scale) - chips;
            const bool angular = unitFloat(id >> 7) < p.angularChance;
            const float bevel = scale * (angular ? p.angularBevel : p.roundBevel);
            // Split stones show flat faces at a tilt; river stones a dome.
            const glm::vec2 facetTilt(unitFloat(id >> 3) - 0.5f, unitFloat(id >> 13) - 0.5f);
            const float facets = angular ? p.facet * glm::dot(facetTilt, toCentre) * 6.0f : 0.0f;
            const float rough = 0.0025f * tileFbm(uv, glm::ivec2(8), 4, roughSeed ^ id, 0.55f);
            const float tall = scale * p.stoneHeight * (0.7f + 0.5f * unitFloat(id >> 17));
            const float face = tall + facets + rough;
            const float stone = glm::smoothstep(-0.001f, 0.001f, edge);
            const float bed = p.mortarRough * tileFbm(uv, glm::ivec2(24), 3, mortarSeed);
            s.height[i] =
                glm::mix(bed, bed + std::max(0.0f, face) * edgeProfile(edge, bevel), stone);
            mortar[i] = 1.0f - stone;
            ids[i] = id;
        }
    }

    const auto [toneSeed, grainSeed, mortarToneSeed, mortarGrainSeed, dampLevelSeed, dampSeed,
                mossSeed, mossGrainSeed, shineSeed] = nextSeeds<9>(seeds);
    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = ids[i];
            const float pick = unitFloat(hashU32(hashU32(id)));
            const glm::vec3 kind = pick < 0.45f   ? p.grey
                                   : pick < 0.75f ? p.brown
                                   : pick < 0.9f  ? p.dark
                                                  : p.red;
            glm::vec3 stone = blockTint(kind, id, 0.2f, 0.04f);
            stone *= 1.0f + 0.15f * tileFbm(uv, glm::ivec2(8), 4, toneSeed ^ id) +
                     0.04f * grain(x, y, grainSeed);
            const glm::vec3 joint =
                p.mortarColour * (1.0f + 0.12f * tileFbm(uv, glm::ivec2(12), 4, mortarToneSeed) +
                                  0.06f * grain(x, y, mortarGrainSeed));
            glm::vec3 colour = glm::mix(stone, joint, mortar[i]);
            const float recess = glm::clamp(cavity[i] / 0.006f, 0.0f, 1.0f);
            colour *= 1.0f - 0.6f * recess;

            const float damp =
                nearFoot(uv.y, floorV,
                         p.dampReach *
                             (0.7f + 0.4f * tileFbm(uv, glm::ivec2(5, 2), 3, dampLevelSeed))) *
                glm::smoothstep(-0.3f, 0.3f, tileFbm(uv, glm::ivec2(8, 3), 4, dampSeed));
            // Moss keeps to the joints and hollows there, spreading onto a few stones.
            const float mossNoise = tileFbm(uv, glm::ivec2(12), 5, mossSeed);
            const float moss = glm::smoothstep(
                0.4f, 0.65f, damp * (0.3f + 0.7f * mortar[i] + 0.6f * recess) + 0.35f * mossNoise);
            colour *= 1.0f - 0.35f * damp;
            colour =
                glm::mix(colour, p.mossColour * (0.85f + 0.25f * grain(x, y, mossGrainSeed)), moss);
            s.albedo[i] = colour;

            const float shine = 0.1f + 0.04f * tileFbm(uv, glm::ivec2(16), 3, shineSeed);
            s.specular[i] =
                glm::mix(shine, 0.04f, mortar[i]) * (1.0f - 0.5f * recess) + 0.3f * damp;
            s.specular[i] = glm::mix(s.specular[i], 0.05f, moss);
        }
    }
    return s;
}

namespace {

struct RuinStoneParams {
    std::uint32_t seed = 0x5e1a0000u;
    std::uint64_t layoutSeed = 71;
    CourseStyle courses{3, 0.3f, 2, 3, 0.35f, 0.3f, 0.5f, 0.05f};
    float splitChance = 0.2f;
    float splitHeight = 0.25f;
    float warp = 0.015f;
    float fineWarp = 0.004f;
    float gap = 0.005f; // the mortar has washed out of joints this wide
    float erosion = 0.02f;
    float bevel = 0.035f;
    float cornerRadius = 0.05f;
    float blockHeight = 0.016f;
    float pillowBevel = 0.14f; // weathering has rounded each face over this far
    float pillow = 0.006f;
    float undulation = 0.006f;
    float roughness = 0.004f;
    int pitCells = 28;
    float pitChance = 0.4f;
    float pitDepth = 0.0035f;
    int hollowCells = 10;
    float hollowChance = 0.25f;
    float hollowDepth = 0.006f;
    float mortarLeft = 0.45f; // share of the joints that still hold mortar
    glm::vec3 stoneGrey{0.27f, 0.285f, 0.27f};
    glm::vec3 stoneGreen{0.25f, 0.28f, 0.24f};
    glm::vec3 mortarColour{0.28f, 0.29f, 0.27f};
    glm::vec3 openJoint{0.11f, 0.12f, 0.11f};
    glm::vec3 lichenYellow{0.53f, 0.55f, 0.36f};
    glm::vec3 lichenGrey{0.5f, 0.52f, 0.49f};
    glm::vec3 mossColour{0.15f, 0.22f, 0.09f};
    glm::vec3 mossLight{0.27f, 0.32f, 0.13f};
    float mossReach = 0.7f;
};

} // namespace

Surface makeRuinStone(int size) {
    constexpr RuinStoneParams p{};
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    SeedSequence seeds{p.seed};
    const auto [warpSeed, fineWarpSeed, erodeSeed, notchSeed, undulationSeed, roughSeed,
                pitPatchSeed, pitSeed, hollowSeed, mortarSeed, mortarFillSeed] =
        nextSeeds<11>(seeds);
    std::vector<float> gaps(s.height.size());
    std::vector<float> fills(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const glm::vec2 warped =
                tileWarp(tileWarp(uv, 3, warpSeed, p.warp), 12, fineWarpSeed, p.fineWarp);
            const BlockSample block =
                splitBlock(sampleBlocks(layout, warped), p.splitChance, p.splitHeight);
            // Weather has eaten the edges back unevenly and bitten deep notches.
            const float eaten =
                p.erosion * (0.5f + 0.5f * tileFbm(uv, glm::ivec2(10), 4, erodeSeed) +
                             glm::smoothstep(0.1f, 0.5f, tileFbm(uv, glm::ivec2(6), 4, notchSeed)));
            const float worn = roundedEdge(block, p.cornerRadius);
            const float edge = worn - p.gap - eaten;
            const glm::vec2 tilt(unitFloat(block.id >> 3) - 0.5f, unitFloat(block.id >> 11) - 0.5f);
            const float plane = 0.01f * glm::dot(tilt, block.local - 0.5f);
            const float pillow = p.pillow * edgeProfile(worn, p.pillowBevel);
            const float undulation =
                p.undulation * tileFbm(uv, glm::ivec2(3), 4, undulationSeed ^ block.id);
            const float rough = p.roughness * tileFbm(uv, glm::ivec2(10), 4, roughSeed, 0.55f);
            // Pits gather in patches; a few wide hollows have dissolved out of the faces.
            const float pitPatch =
                glm::smoothstep(-0.2f, 0.3f, tileFbm(uv, glm::ivec2(4), 3, pitPatchSeed));
            const CellSample pits = tileCellular(uv, glm::ivec2(p.pitCells), pitSeed);
            const float pitSize = 0.25f + 0.35f * unitFloat(hashU32(pits.id));
            // Faded out before a cell's border, so that no pit is cut straight.
            const float pit = unitFloat(pits.id) < p.pitChance
                                  ? p.pitDepth * pitPatch *
                                        glm::smoothstep(pitSize, 0.0f, pits.nearest) *
                                        glm::smoothstep(0.0f, 0.15f, pits.border)
                                  : 0.0f;
            const CellSample hollows = tileCellular(uv, glm::ivec2(p.hollowCells), hollowSeed);
            const float hollowSize = 0.3f + 0.3f * unitFloat(hashU32(hollows.id));
            const float hollow = unitFloat(hollows.id) < p.hollowChance
                                     ? p.hollowDepth *
                                           glm::smoothstep(hollowSize, 0.0f, hollows.nearest) *
                                           glm::smoothstep(0.0f, 0.15f, hollows.border)
                                     : 0.0f;
            const float face = p.blockHeight + plane + pillow + undulation + rough - pit - hollow;
            const float stone = glm::smoothstep(-0.001f, 0.002f, edge);
            // Mortar is left in patches, well back from the faces; elsewhere the joint is open.
            const float fill = glm::smoothstep(
                0.0f, 0.15f, tileFbm(uv, glm::ivec2(8), 3, mortarFillSeed) + p.mortarLeft - 0.5f);
            const float joint =
                (-0.006f + 0.006f * fill) + 0.002f * tileFbm(uv, glm::ivec2(16), 3, mortarSeed);
            s.height[i] = glm::mix(joint, face * edgeProfile(edge, p.bevel), stone);
            gaps[i] = 1.0f - stone;
            fills[i] = fill;
            ids[i] = block.id;
        }
    }

    const auto [toneSeed, grainSeed, streakSeed, lichenWarpSeed, lichenSeed, lichenLobeSeed,
                lichenPatchSeed, lichenKindSeed, mossSeed, mossPatchSeed, mossGrainSeed,
                shineSeed] = nextSeeds<12>(seeds);
    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    const std::vector<float> broad = blurWrapped(s.height, size, 2 * cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = ids[i];
            glm::vec3 stone = glm::mix(p.stoneGrey, p.stoneGreen, unitFloat(id >> 5));
            stone = blockTint(stone, id, 0.18f, 0.02f);
            stone *= 1.0f + 0.2f * tileFbm(uv, glm::ivec2(6), 6, toneSeed, 0.6f) +
                     0.05f * grain(x, y, grainSeed);
            // Rain has run down the faces in dark streaks.
            const float streak =
                glm::smoothstep(0.1f, 0.6f, tileFbm(uv, glm::ivec2(24, 3), 4, streakSeed));
            stone *= 1.0f - 0.3f * streak;
            const glm::vec3 joint = glm::mix(p.openJoint, p.mortarColour, fills[i]);
            glm::vec3 colour = glm::mix(stone, joint, gaps[i]);
            const float recess = glm::clamp(cavity[i] / 0.008f, 0.0f, 1.0f);
            const float ridge = glm::clamp((s.height[i] - broad[i]) / 0.008f, 0.0f, 1.0f);
            colour *= (1.0f - 0.6f * recess) * (1.0f + 0.2f * ridge);

            // Lichen grows in rosettes on the open faces, clustered in patches.
            const CellSample rosette = tileCellular(tileWarp(uv, 10, lichenWarpSeed, 0.015f),
                                                    glm::ivec2(16), lichenSeed, 0.9f);
            const float patch =
                glm::smoothstep(-0.1f, 0.35f, tileFbm(uv, glm::ivec2(4), 4, lichenPatchSeed));
            const float spread = unitFloat(hashU32(rosette.id));
            const float radius =
                0.65f * glm::smoothstep(0.2f, 0.6f, patch) * (0.3f + 0.7f * spread);
            // Lobed rims, not discs.
            const float lobes = 0.12f * tileFbm(uv, glm::ivec2(40), 2, lichenLobeSeed);
            const float lichen = (1.0f - recess) * (1.0f - gaps[i]) *
                                 glm::smoothstep(radius, radius - 0.15f, rosette.nearest + lobes) *
                                 glm::smoothstep(0.0f, 0.15f, rosette.border) *
                                 glm::smoothstep(0.0f, 0.2f, patch);
            // A grey crust spreads thinly around the rosettes.
            colour = glm::mix(colour, p.lichenGrey * 0.7f, 0.15f * patch * (1.0f - recess));
            const glm::vec3 lichenTone =
                unitFloat(rosette.id ^ lichenKindSeed) < 0.65f ? p.lichenYellow : p.lichenGrey;
            colour = glm::mix(colour, lichenTone * (0.9f + 0.2f * unitFloat(rosette.id >> 9)),
                              0.85f * lichen);

            // Moss fills the joints and climbs the lower courses.
            const float low = nearFoot(uv.y, groundV, p.mossReach);
            const float mossNoise = tileFbm(uv, glm::ivec2(12), 5, mossSeed);
            const float mossPatch = tileFbm(uv, glm::ivec2(5), 4, mossPatchSeed);
            const float moss = glm::smoothstep(0.42f, 0.68f,
                                               (0.7f * low + 0.45f * gaps[i] + 0.4f * recess) *
                                                       (0.7f + 0.6f * mossPatch) +
                                                   0.35f * mossNoise);
            const glm::vec3 mossTone =
                glm::mix(p.mossColour, p.mossLight, glm::smoothstep(-0.3f, 0.5f, mossNoise)) *
                (0.85f + 0.25f * grain(x, y, mossGrainSeed));
            colour = glm::mix(colour, mossTone, moss);
            s.albedo[i] = colour;
            s.height[i] += 0.0015f * moss * (0.5f + 0.5f * mossNoise);

            const float shine = 0.08f + 0.03f * tileFbm(uv, glm::ivec2(24), 3, shineSeed);
            s.specular[i] =
                shine * (1.0f - 0.5f * recess) * (1.0f - 0.6f * moss) * (1.0f - 0.4f * lichen);
        }
    }
    return s;
}
