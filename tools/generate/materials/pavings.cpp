// The rooms' own floors and the corridor's brick, each a metre to a tile: whole numbers
// of bricks, tiles and setts across it, so every pattern repeats exactly.
#include "block_layout.h"
#include "laid_units.h"
#include "painters.h"
#include "toolkit/noise.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t variateSeed = 0x7a41u;
// Grids are laid half a cell off the tile's edge, so no joint runs along it.
constexpr float halfCell = 0.5f;

// The unit's n-th random number in [0, 1), independent of its others.
float idVariate(std::uint32_t id, int n) {
    return unitFloat(hash2(static_cast<int>(id), n, variateSeed));
}

// Distance inside a rectangle of `halfSize` with corners rounded by `radius`; negative
// outside it.
float insideRoundedBox(glm::vec2 at, glm::vec2 halfSize, float radius) {
    const glm::vec2 q = glm::abs(at) - halfSize + radius;
    return radius - glm::length(glm::max(q, 0.0f)) - std::min(std::max(q.x, q.y), 0.0f);
}

struct BrickParams {
    std::uint32_t seed = 0xb41c0000u;
    std::uint64_t layoutSeed = 71;
    // Twelve courses of four bricks to the metre, every other one half a brick along.
    CourseStyle courses{12, 0.04f, 4, 4, 0.05f, 0.125f, 0.0f, 0.0f};
    float warp = 0.0015f; // hand-moulded bricks are not quite true
    int notchCells = 20;
    float notch = 0.015f; // how deep the worst knocks bite into the arrises
    UnitRelief relief{0.0045f, 0.005f, 0.007f, 0.0015f, 0.001f, 16, 0.004f};
    int pitCells = 28;
    float pitChance = 0.15f;
    float pitDepth = 0.001f;
    int sandCells = 64;
    float sandRelief = 0.0006f;
    glm::vec3 red{0.32f, 0.14f, 0.085f};
    glm::vec3 brown{0.25f, 0.14f, 0.095f};
    glm::vec3 salmon{0.38f, 0.2f, 0.12f};
    glm::vec3 overfired{0.08f, 0.062f, 0.058f};
    float overfiredShare = 0.09f;
    float salmonShare = 0.12f;
    // Bricks that lay nearer the fire in the kiln are darker at one end.
    float flashChance = 0.35f;
    float flash = 0.45f;
    glm::vec3 lime{0.4f, 0.38f, 0.33f};
    glm::vec3 grime{0.11f, 0.095f, 0.08f};
    glm::vec3 soot{0.04f, 0.036f, 0.032f};
    float brickShine = 0.07f;
    float overfiredShine = 0.16f;
    float mortarShine = 0.03f;
};

} // namespace

Surface makeBrick(int size) {
    constexpr BrickParams p{};
    SeedSequence seeds{p.seed};
    const auto [warpSeed, notchSeed, pitSeed, sandSeed] = nextSeeds<4>(seeds);
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    auto brickAt = [&](glm::vec2 uv) {
        return sampleBlocks(layout, tileWarp(uv, 8, warpSeed, p.warp));
    };
    LaidUnits laid = layUnits(size, seeds, p.relief, [&](glm::vec2 uv) {
        const BlockSample block = brickAt(uv);
        const float knocks =
            p.notch * std::max(0.0f, tileFbm(uv, glm::ivec2(p.notchCells), 3, notchSeed) - 0.15f);
        return UnitSample{block.edge - knocks, block.id, block.local};
    });
    Surface& s = laid.surface;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const CellSample pits = tileCellular(uv, glm::ivec2(p.pitCells), pitSeed);
            const float pit = unitFloat(pits.id) < p.pitChance
                                  ? glm::smoothstep(0.35f, 0.05f, pits.nearest)
                                  : 0.0f;
            const float sand = p.sandRelief * tileNoise(uv, glm::ivec2(p.sandCells), sandSeed);
            s.height[i] += glm::mix(-p.pitDepth * pit, sand, laid.joint[i]);
        }
    }

    const auto [toneSeed, flashSeed, grainSeed, mortarSeed, mortarGrainSeed, sootWarpSeed, sootSeed,
                streakSeed, shineSeed] = nextSeeds<9>(seeds);
    const std::vector<float> recess = recessOf(s, cavityBlurRadius, 0.004f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = laid.ids[i];
            const float kind = idVariate(id, 0);
            const bool overfired = kind < p.overfiredShare;
            glm::vec3 brick = overfired ? p.overfired
                              : kind < p.overfiredShare + p.salmonShare
                                  ? p.salmon
                                  : glm::mix(p.red, p.brown, idVariate(id, 1));
            brick = blockTint(brick, id, 0.18f, 0.04f);
            if (idVariate(id, 2) < p.flashChance) {
                const float local = brickAt(uv).local.x;
                const float end = idVariate(id, 3) < 0.5f ? local : 1.0f - local;
                const float ragged = 0.15f * tileFbm(uv, glm::ivec2(16), 2, flashSeed);
                brick *= 1.0f - p.flash * glm::smoothstep(0.55f, 0.0f, end + ragged);
            }
            brick *= 1.0f + 0.14f * tileFbm(uv, glm::ivec2(20), 4, toneSeed) +
                     0.04f * grain(x, y, grainSeed);
            glm::vec3 mortar = p.lime * (1.0f + 0.15f * tileFbm(uv, glm::ivec2(32), 3, mortarSeed) +
                                         0.06f * grain(x, y, mortarGrainSeed));
            mortar = glm::mix(mortar, p.grime, 0.15f);
            glm::vec3 colour = glm::mix(brick, mortar, laid.joint[i]);
            colour *= 1.0f - glm::mix(0.45f, 0.25f, laid.joint[i]) * recess[i];

            // Smoke has blackened the wall in broad clouds, and seepage has run down it.
            const float soot = glm::smoothstep(
                -0.1f, 0.6f,
                tileFbm(tileWarp(uv, 3, sootWarpSeed, 0.06f), glm::ivec2(3), 5, sootSeed));
            colour = glm::mix(colour, p.soot, 0.6f * soot);
            const float streak =
                glm::smoothstep(0.05f, 0.5f, tileFbm(uv, glm::ivec2(14, 2), 4, streakSeed));
            colour = glm::mix(colour, p.grime, 0.4f * streak);
            s.albedo[i] = colour;

            const float shine = (overfired ? p.overfiredShine : p.brickShine) *
                                (1.0f + 0.3f * tileFbm(uv, glm::ivec2(24), 3, shineSeed));
            s.specular[i] = glm::mix(shine, p.mortarShine, laid.joint[i]) *
                            (1.0f - 0.5f * recess[i]) * (1.0f - 0.4f * soot);
        }
    }
    return s;
}

namespace {

struct CobbleParams {
    std::uint32_t seed = 0xc0b10000u;
    // Setts across and along the metre; every other row is half a sett along, so the
    // rows come round even.
    int columns = 7;
    int rows = 8;
    float warp = 0.02f;
    float fineWarp = 0.005f;
    // Of a cell: the gap each side of a sett, and the rounding of its corners.
    float insetLeast = 0.03f;
    float insetMost = 0.09f;
    float roundingLeast = 0.5f; // of the sett's half width
    float roundingMost = 0.9f;
    UnitRelief relief{0.0f, 0.032f, 0.012f, 0.004f, 0.001f, 10, 0.0015f};
    int gritCells = 48;
    float gritChance = 0.5f;
    float gritHeight = 0.0015f;
    float earthRelief = 0.0008f;
    glm::vec3 grey{0.28f, 0.27f, 0.26f};
    glm::vec3 blueGrey{0.2f, 0.22f, 0.25f};
    glm::vec3 brown{0.3f, 0.24f, 0.18f};
    float greyShare = 0.4f;
    float blueShare = 0.3f;
    glm::vec3 earth{0.085f, 0.07f, 0.055f};
    glm::vec3 gritColour{0.17f, 0.15f, 0.13f};
    float stoneShine = 0.06f;
    float crownShine = 0.4f;
    float earthShine = 0.02f;
};

} // namespace

Surface makeCobbles(int size) {
    constexpr CobbleParams p{};
    SeedSequence seeds{p.seed};
    const auto [idSeed, warpSeed, fineWarpSeed, gritSeed, earthSeed] = nextSeeds<5>(seeds);
    const glm::vec2 cells(static_cast<float>(p.columns), static_cast<float>(p.rows));
    const glm::vec2 cellSize = 1.0f / cells;
    auto settAt = [&](glm::vec2 uv) {
        glm::vec2 q =
            tileWarp(tileWarp(uv, 4, warpSeed, p.warp), 12, fineWarpSeed, p.fineWarp) * cells +
            halfCell;
        const int row = static_cast<int>(std::floor(q.y));
        q.x += 0.5f * static_cast<float>(row & 1);
        const int column = static_cast<int>(std::floor(q.x));
        const std::uint32_t id = hash2(wrap(column, p.columns), wrap(row, p.rows), idSeed);
        const glm::vec2 inset = glm::mix(glm::vec2(p.insetLeast), glm::vec2(p.insetMost),
                                         glm::vec2(idVariate(id, 0), idVariate(id, 1)));
        const glm::vec2 half = (0.5f - inset) * cellSize;
        // Each sett sits anywhere its gaps allow, never closer than the least to the next.
        const glm::vec2 place = (2.0f * glm::vec2(idVariate(id, 2), idVariate(id, 3)) - 1.0f) *
                                (inset - p.insetLeast) * cellSize;
        const glm::vec2 at = (q - glm::floor(q) - 0.5f) * cellSize - place;
        const float radius =
            glm::mix(p.roundingLeast, p.roundingMost, idVariate(id, 4)) * std::min(half.x, half.y);
        return UnitSample{insideRoundedBox(at, half, radius), id, (at + half) / (2.0f * half)};
    };
    LaidUnits laid = layUnits(size, seeds, p.relief, settAt);
    Surface& s = laid.surface;
    std::vector<float> grit(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            // Grit and small pebbles trodden into the earth between the setts.
            const CellSample pebbles = tileCellular(uv, glm::ivec2(p.gritCells), gritSeed);
            const float pebble = unitFloat(pebbles.id) < p.gritChance
                                     ? glm::smoothstep(0.45f, 0.15f, pebbles.nearest)
                                     : 0.0f;
            const float earth = p.earthRelief * tileFbm(uv, glm::ivec2(24), 3, earthSeed);
            s.height[i] += laid.joint[i] * (p.gritHeight * pebble + earth);
            grit[i] = pebble * laid.joint[i];
        }
    }

    const auto [toneSeed, speckSeed, grainSeed, earthToneSeed, earthGrainSeed] =
        nextSeeds<5>(seeds);
    const std::vector<float> recess = recessOf(s, cavityBlurRadius, 0.005f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = laid.ids[i];
            const float kind = idVariate(id, 5);
            glm::vec3 stone = kind < p.greyShare                 ? p.grey
                              : kind < p.greyShare + p.blueShare ? p.blueGrey
                                                                 : p.brown;
            stone = blockTint(stone, id, 0.2f, 0.05f);
            const float speck =
                glm::smoothstep(0.4f, 0.8f, tileNoise(uv, glm::ivec2(80), speckSeed ^ id));
            stone *= 1.0f + 0.1f * tileFbm(uv, glm::ivec2(24), 3, toneSeed) + 0.1f * speck +
                     0.03f * grain(x, y, grainSeed);
            // Feet have polished the crowns; the flanks keep the earth's dirt.
            const float rise = s.height[i] / p.relief.height;
            const float crown = glm::smoothstep(0.6f, 1.0f, rise) * (1.0f - laid.joint[i]);
            const float flank = 1.0f - glm::smoothstep(0.05f, 0.35f, rise);
            stone *= 1.0f + 0.12f * crown;
            stone = glm::mix(stone, p.earth * 1.6f, 0.3f * flank);
            glm::vec3 earth =
                p.earth * (1.0f + 0.25f * tileFbm(uv, glm::ivec2(16), 3, earthToneSeed) +
                           0.08f * grain(x, y, earthGrainSeed));
            earth = glm::mix(earth, p.gritColour, grit[i]);
            glm::vec3 colour = glm::mix(stone, earth, laid.joint[i]);
            colour *= 1.0f - 0.5f * recess[i];
            s.albedo[i] = colour;
            s.specular[i] =
                glm::mix(p.stoneShine + p.crownShine * crown, p.earthShine, laid.joint[i]);
        }
    }
    return s;
}

namespace {

struct TileParams {
    std::uint32_t seed = 0x711e0000u;
    int tiles = 4; // across the metre; even, so the chequer repeats

    UnitRelief relief{0.0025f, 0.003f, 0.003f, 0.001f, 0.00015f, 8, 0.0015f};
    float cornerChipChance = 0.2f;
    float cornerChipLeast = 0.02f;
    float cornerChipMost = 0.05f;
    float crackedShare = 0.3f;
    int crackCells = 3;
    float crackWidth = 0.003f;
    float crackDepth = 0.0015f;
    float wearDepth = 0.0003f;
    glm::vec3 cream{0.45f, 0.43f, 0.38f};
    glm::vec3 creamWarm{0.44f, 0.39f, 0.31f};
    glm::vec3 vein{0.25f, 0.24f, 0.21f};
    glm::vec3 black{0.055f, 0.06f, 0.058f};
    glm::vec3 greenBlack{0.045f, 0.07f, 0.058f};
    glm::vec3 dust{0.16f, 0.155f, 0.14f};
    glm::vec3 grout{0.16f, 0.15f, 0.13f};
    float paleShine = 0.5f;
    float darkShine = 0.6f;
    float wornShine = 0.15f;
    float groutShine = 0.04f;
};

} // namespace

Surface makeTiles(int size) {
    constexpr TileParams p{};
    SeedSequence seeds{p.seed};
    const auto [idSeed, chipSeed, crackWarpSeed, crackSeed, wearSeed] = nextSeeds<5>(seeds);
    const float n = static_cast<float>(p.tiles);
    auto tileAt = [&](glm::vec2 uv) {
        const glm::vec2 q = uv * n + halfCell;
        const glm::vec2 cell = glm::floor(q);
        const glm::vec2 local = q - cell;
        const int cx = wrap(static_cast<int>(cell.x), p.tiles);
        const int cy = wrap(static_cast<int>(cell.y), p.tiles);
        // The id's lowest bit says which of the chequer's two stones the tile is.
        const auto parity = static_cast<std::uint32_t>((cx + cy) & 1);
        const std::uint32_t id = (hash2(cx, cy, idSeed) & ~1u) | parity;
        const glm::vec2 toEdge = glm::min(local, 1.0f - local) / n;
        float edge = std::min(toEdge.x, toEdge.y);
        if (idVariate(id, 0) < p.cornerChipChance) {
            const glm::vec2 corner(idVariate(id, 1) < 0.5f ? 0.0f : 1.0f,
                                   idVariate(id, 2) < 0.5f ? 0.0f : 1.0f);
            const float radius = glm::mix(p.cornerChipLeast, p.cornerChipMost, idVariate(id, 3)) *
                                 (1.0f + 0.5f * tileFbm(uv, glm::ivec2(32), 2, chipSeed));
            edge = std::min(edge, glm::length((local - corner) / n) - radius);
        }
        return UnitSample{edge, id, local};
    };
    LaidUnits laid = layUnits(size, seeds, p.relief, tileAt);
    Surface& s = laid.surface;
    std::vector<float> cracks(s.height.size());
    std::vector<float> wear(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const UnitSample tile = tileAt(uv);
            const float onTile = 1.0f - laid.joint[i];
            const float crackLine = tileCellular(tileWarp(uv, 12, crackWarpSeed, 0.004f),
                                                 glm::ivec2(p.crackCells), crackSeed)
                                        .border /
                                    static_cast<float>(p.crackCells);
            const float crack = idVariate(laid.ids[i], 4) < p.crackedShare
                                    ? glm::smoothstep(p.crackWidth, 0.3f * p.crackWidth, crackLine)
                                    : 0.0f;
            // Feet have dulled the middle of each tile most, and a broad path more.
            const float fromMiddle = glm::length(tile.local - 0.5f) +
                                     0.15f * tileFbm(uv, glm::ivec2(8), 3, wearSeed ^ tile.id);
            const float middle = glm::smoothstep(0.5f, 0.1f, fromMiddle);
            const float path =
                glm::smoothstep(-0.2f, 0.5f, tileFbm(uv, glm::ivec2(2), 3, wearSeed));
            wear[i] = middle * (0.35f + 0.65f * path) * onTile;
            cracks[i] = crack * onTile;
            s.height[i] -= p.wearDepth * wear[i] + p.crackDepth * cracks[i];
        }
    }

    const auto [veinWarpSeed, veinSeed, faintVeinSeed, cloudSeed, streakSeed, grainSeed,
                groutSeed] = nextSeeds<7>(seeds);
    const std::vector<float> recess = recessOf(s, cavityBlurRadius, 0.003f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = laid.ids[i];
            const bool paleTile = (id & 1u) == 0u;
            // Each tile was cut from its own place in the block, so its veins do not run
            // on into the next.
            const glm::vec2 cut = uv + glm::vec2(idVariate(id, 5), idVariate(id, 6));
            glm::vec3 stone;
            if (paleTile) {
                stone = glm::mix(p.cream, p.creamWarm, idVariate(id, 7));
                stone *= 1.0f + 0.07f * tileFbm(cut, glm::ivec2(6), 4, cloudSeed);
                const glm::vec2 veinUv = tileWarp(cut, 2, veinWarpSeed, 0.15f);
                // Veins follow where a warped field crosses zero, so they run on unbroken.
                const float vein = glm::smoothstep(
                    0.97f, 0.995f, 1.0f - std::fabs(tileFbm(veinUv, glm::ivec2(2), 4, veinSeed)));
                const float faint = glm::smoothstep(
                    0.95f, 0.99f,
                    1.0f - std::fabs(tileFbm(veinUv, glm::ivec2(4), 3, faintVeinSeed)));
                stone = glm::mix(stone, p.vein, 0.6f * vein + 0.25f * faint);
                stone *= 1.0f + 0.05f * wear[i];
                stone *= 1.0f - 0.55f * cracks[i];
            } else {
                stone = glm::mix(p.black, p.greenBlack, idVariate(id, 7));
                const float streak =
                    glm::smoothstep(0.8f, 1.0f, tileRidged(cut, glm::ivec2(2, 6), 4, streakSeed));
                stone *= 1.0f + 0.4f * streak;
                // Dulled black reads greyer; dust settles in its cracks.
                stone = glm::mix(stone, p.dust, 0.25f * wear[i] + 0.5f * cracks[i]);
            }
            stone *= 1.0f + 0.03f * grain(x, y, grainSeed);
            const glm::vec3 grout =
                p.grout * (1.0f + 0.2f * tileFbm(uv, glm::ivec2(48), 3, groutSeed));
            glm::vec3 colour = glm::mix(stone, grout, laid.joint[i]);
            colour *= 1.0f - 0.4f * recess[i];
            s.albedo[i] = colour;
            const float polish =
                glm::mix(paleTile ? p.paleShine : p.darkShine, p.wornShine, wear[i]);
            s.specular[i] =
                glm::mix(polish * (1.0f - 0.7f * cracks[i]), p.groutShine, laid.joint[i]) *
                (1.0f - 0.5f * recess[i]);
        }
    }
    return s;
}

namespace {

// Bricks in pairs, each pair square and turned across its neighbours.
struct BasketweaveParams {
    std::uint32_t seed = 0xba5e0000u;
    int squares = 4; // across the metre, two bricks to each; even, so the turns repeat

    UnitRelief relief{0.0035f, 0.009f, 0.005f, 0.002f, 0.0012f, 12, 0.003f};
    float wearDepth = 0.002f;
    float sandFill = 0.0015f;
    int sandCells = 96;
    float sandRelief = 0.0004f;
    glm::vec3 ochre{0.4f, 0.28f, 0.15f};
    glm::vec3 tan{0.36f, 0.3f, 0.21f};
    glm::vec3 brown{0.27f, 0.17f, 0.11f};
    glm::vec3 burnt{0.19f, 0.12f, 0.085f};
    float burntShare = 0.1f;
    float brownShare = 0.3f;
    glm::vec3 sand{0.34f, 0.3f, 0.22f};
    glm::vec3 dirt{0.12f, 0.1f, 0.08f};
    float brickShine = 0.05f;
    float wornShine = 0.12f;
    float sandShine = 0.02f;
};

} // namespace

Surface makeBasketweave(int size) {
    constexpr BasketweaveParams p{};
    SeedSequence seeds{p.seed};
    const auto [idSeed, wearSeed, sandSeed] = nextSeeds<3>(seeds);
    const float n = static_cast<float>(p.squares);
    auto brickAt = [&](glm::vec2 uv) {
        const glm::vec2 q = uv * n + halfCell;
        const glm::vec2 cell = glm::floor(q);
        const glm::vec2 inSquare = q - cell;
        const int cx = wrap(static_cast<int>(cell.x), p.squares);
        const int cy = wrap(static_cast<int>(cell.y), p.squares);
        const bool across = ((cx + cy) & 1) == 0;
        // Two bricks in the square, split along its one axis or the other.
        const float split = across ? inSquare.y : inSquare.x;
        const int half = split < 0.5f ? 0 : 1;
        const float inHalf = split * 2.0f - static_cast<float>(half);
        const float along = across ? inSquare.x : inSquare.y;
        const float edge =
            std::min(std::min(inHalf, 1.0f - inHalf) * 0.5f, std::min(along, 1.0f - along)) / n;
        const glm::vec2 local = across ? glm::vec2(along, inHalf) : glm::vec2(inHalf, along);
        return UnitSample{edge, hash3(cx, cy, half, idSeed), local};
    };
    LaidUnits laid = layUnits(size, seeds, p.relief, brickAt);
    Surface& s = laid.surface;
    std::vector<float> wear(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            // Feet have dished the bricks along a broad path; sand half fills the joints.
            const glm::vec2 local = brickAt(uv).local;
            const float dish = 16.0f * local.x * (1.0f - local.x) * local.y * (1.0f - local.y);
            wear[i] = glm::smoothstep(-0.1f, 0.5f, tileFbm(uv, glm::ivec2(3), 3, wearSeed)) *
                      (1.0f - laid.joint[i]);
            const float sand =
                p.sandFill + p.sandRelief * tileNoise(uv, glm::ivec2(p.sandCells), sandSeed);
            s.height[i] += glm::mix(-p.wearDepth * wear[i] * dish, sand, laid.joint[i]);
        }
    }

    const auto [toneSeed, grainSeed, sandToneSeed, sandGrainSeed, grimeSeed] = nextSeeds<5>(seeds);
    const std::vector<float> recess = recessOf(s, cavityBlurRadius, 0.003f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = laid.ids[i];
            const float kind = idVariate(id, 0);
            glm::vec3 brick = kind < p.burntShare ? p.burnt
                              : kind < p.burntShare + p.brownShare
                                  ? p.brown
                                  : glm::mix(p.ochre, p.tan, idVariate(id, 1));
            brick = blockTint(brick, id, 0.15f, 0.04f);
            brick *= 1.0f + 0.12f * tileFbm(uv, glm::ivec2(12), 4, toneSeed) +
                     0.04f * grain(x, y, grainSeed);
            brick *= 1.0f + 0.12f * wear[i];
            // Dirt has filmed what feet pass by.
            const float grime =
                glm::smoothstep(-0.2f, 0.5f, tileFbm(uv, glm::ivec2(4), 4, grimeSeed));
            brick = glm::mix(brick, p.dirt, 0.3f * grime * (1.0f - wear[i]));
            const glm::vec3 sand =
                p.sand * (1.0f + 0.15f * tileFbm(uv, glm::ivec2(32), 3, sandToneSeed) +
                          0.08f * grain(x, y, sandGrainSeed));
            glm::vec3 colour = glm::mix(brick, sand, laid.joint[i]);
            colour = glm::mix(colour, p.dirt, glm::mix(0.5f, 0.2f, laid.joint[i]) * recess[i]);
            s.albedo[i] = colour;
            s.specular[i] =
                glm::mix(p.brickShine + p.wornShine * wear[i], p.sandShine, laid.joint[i]);
        }
    }
    return s;
}

namespace {

struct SlateParams {
    std::uint32_t seed = 0x51a70000u;
    int flags = 3; // cells across the metre
    float fineWarp = 0.008f;
    UnitRelief relief{0.0045f, 0.004f, 0.006f, 0.005f, 0.001f, 6, 0.005f};
    // Layers split off each flag in broad sheets, and smaller flakes off those, each a
    // step down with a sharp edge.
    int layers = 3;
    int sheetCells = 4;
    int flakeCells = 9;
    float flakeChance = 0.35f;
    float layerWarp = 0.025f;
    float layerStep = 0.0018f;
    int riserRadius = 1; // texels the split edges soften over
    float flakeRelief = 0.0004f;
    int pyriteCells = 12;
    float pyriteChance = 0.12f;
    glm::vec3 blueGrey{0.17f, 0.18f, 0.2f};
    glm::vec3 black{0.085f, 0.09f, 0.1f};
    glm::vec3 greenGrey{0.13f, 0.145f, 0.14f};
    float greenShare = 0.25f;
    glm::vec3 split{0.24f, 0.25f, 0.26f}; // freshly broken edges of a layer
    glm::vec3 rust{0.3f, 0.16f, 0.08f};
    glm::vec3 joint{0.035f, 0.03f, 0.028f};
    float flagShine = 0.22f;
    float rustShine = 0.08f;
    float jointShine = 0.02f;
};

} // namespace

Surface makeSlate(int size) {
    constexpr SlateParams p{};
    SeedSequence seeds{p.seed};
    const auto [cellSeed, warpSeed, layerWarpSeed, sheetSeed, flakeSeed, faceSeed] =
        nextSeeds<6>(seeds);
    LaidUnits laid = layUnits(size, seeds, p.relief, [&](glm::vec2 uv) {
        return cellUnit(tileWarp(uv, 12, warpSeed, p.fineWarp), p.flags, cellSeed, 1.0f);
    });
    Surface& s = laid.surface;
    std::vector<float> steps(s.height.size());
    std::vector<std::uint32_t> sheets(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = laid.ids[i];
            const glm::vec2 layerUv = tileWarp(uv, 6, layerWarpSeed, p.layerWarp);
            const std::uint32_t sheet =
                tileCellular(layerUv, glm::ivec2(p.sheetCells), sheetSeed).id ^ id;
            const std::uint32_t flake =
                tileCellular(layerUv, glm::ivec2(p.flakeCells), flakeSeed).id ^ id;
            const float level = std::floor(idVariate(sheet, 0) * static_cast<float>(p.layers)) -
                                (idVariate(flake, 0) < p.flakeChance ? 1.0f : 0.0f);
            steps[i] = p.layerStep * level;
            sheets[i] = flake;
        }
    }
    const std::vector<float> softSteps = blurWrapped(steps, size, p.riserRadius);
    std::vector<float> risers(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const float onFlag = 1.0f - laid.joint[i];
            // The upper lip of each split shows fresh stone.
            risers[i] =
                onFlag * glm::clamp((steps[i] - softSteps[i]) / (0.3f * p.layerStep), 0.0f, 1.0f);
            const float face =
                p.flakeRelief * tileFbm(uv, glm::ivec2(24), 3, faceSeed ^ laid.ids[i]);
            s.height[i] += onFlag * (softSteps[i] + face);
        }
    }

    const auto [grainSeed, rustSeed, pyriteSeed, jointSeed] = nextSeeds<4>(seeds);
    const std::vector<float> recess = recessOf(s, cavityBlurRadius, 0.004f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = laid.ids[i];
            glm::vec3 stone = idVariate(id, 0) < p.greenShare
                                  ? p.greenGrey
                                  : glm::mix(p.blueGrey, p.black, idVariate(id, 1));
            stone = blockTint(stone, id, 0.15f, 0.03f);
            // Each layer weathered its own shade before the one above split off.
            stone *=
                (0.88f + 0.24f * idVariate(sheets[i], 1)) * (1.0f + 0.03f * grain(x, y, grainSeed));
            stone = glm::mix(stone, p.split, 0.3f * risers[i]);
            const float rust =
                glm::smoothstep(0.15f, 0.6f, tileFbm(uv, glm::ivec2(5), 4, rustSeed)) *
                (0.7f + 0.3f * risers[i]);
            const CellSample pyrites = tileCellular(uv, glm::ivec2(p.pyriteCells), pyriteSeed);
            const float pyrite = unitFloat(pyrites.id) < p.pyriteChance
                                     ? glm::smoothstep(0.7f, 0.0f, pyrites.nearest)
                                     : 0.0f;
            const float stain = std::max(0.7f * rust, 0.45f * pyrite);
            stone = glm::mix(stone, p.rust, stain);
            const glm::vec3 joint =
                p.joint * (1.0f + 0.3f * tileFbm(uv, glm::ivec2(32), 3, jointSeed));
            glm::vec3 colour = glm::mix(stone, joint, laid.joint[i]);
            colour *= 1.0f - 0.5f * recess[i];
            s.albedo[i] = colour;
            const float shine = glm::mix(p.flagShine, p.rustShine, stain);
            s.specular[i] =
                glm::mix(shine, p.jointShine, laid.joint[i]) * (1.0f - 0.5f * recess[i]);
        }
    }
    return s;
}

namespace {

struct WornStepParams {
    std::uint32_t seed = 0x57e90000u;
    std::uint64_t layoutSeed = 83;
    // One slab to the metre, its joints somewhere across the tile.
    CourseStyle courses{1, 0.0f, 1, 1, 0.0f, 0.0f, 1.0f, 0.0f};
    UnitRelief relief{0.003f, 0.025f, 0.008f, 0.003f, 0.0008f, 6, 0.005f};
    int hollowCells = 2;
    float hollowDepth = 0.015f;
    float unwornRim = 0.12f; // feet keep this far off the slab's edges
    float texture = 0.0006f; // of the unworn stone
    int pitCells = 20;
    float pitChance = 0.12f;
    float pitDepth = 0.001f;
    float mossReach = 0.07f; // from the joints
    float mossRelief = 0.0008f;
    glm::vec3 sandstone{0.39f, 0.38f, 0.35f};
    glm::vec3 warm{0.4f, 0.36f, 0.31f};
    glm::vec3 grit{0.17f, 0.15f, 0.12f};
    glm::vec3 moss{0.11f, 0.16f, 0.065f};
    glm::vec3 mossYellow{0.17f, 0.19f, 0.08f};
    float stoneShine = 0.06f;
    float wornShine = 0.3f;
    float dullShine = 0.03f;
};

} // namespace

Surface makeWornStep(int size) {
    constexpr WornStepParams p{};
    SeedSequence seeds{p.seed};
    const auto [hollowSeed, textureSeed, pitSeed, mossSeed, mossGrainSeed] = nextSeeds<5>(seeds);
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    LaidUnits laid = layUnits(size, seeds, p.relief, [&](glm::vec2 uv) {
        const BlockSample block = sampleBlocks(layout, uv);
        return UnitSample{block.edge, block.id, block.local};
    });
    Surface& s = laid.surface;

    std::vector<float> worn(s.height.size());
    std::vector<float> moss(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const float onStone = 1.0f - laid.joint[i];
            const float edge = sampleBlocks(layout, uv).edge;
            worn[i] = glm::smoothstep(-0.35f, 0.45f,
                                      tileFbm(uv, glm::ivec2(p.hollowCells), 2, hollowSeed)) *
                      glm::smoothstep(0.0f, p.unwornRim, edge) * onStone;
            const CellSample pits = tileCellular(uv, glm::ivec2(p.pitCells), pitSeed);
            const float pit =
                unitFloat(pits.id) < p.pitChance ? glm::smoothstep(0.4f, 0.1f, pits.nearest) : 0.0f;
            const float rough = p.texture * tileFbm(uv, glm::ivec2(24), 3, textureSeed);
            const float mossNoise = tileFbm(uv, glm::ivec2(10), 4, mossSeed);
            // Moss keeps to the joints and the slab's edges beside them, out of the way of feet.
            const float nearJoint =
                1.0f - glm::smoothstep(0.0f, p.mossReach, edge - 0.5f * p.mossReach * mossNoise);
            moss[i] =
                glm::smoothstep(0.25f, 0.55f, nearJoint * glm::smoothstep(-0.1f, 0.3f, mossNoise)) *
                (1.0f - worn[i]);
            s.height[i] += onStone * (1.0f - worn[i]) * (rough - p.pitDepth * pit) +
                           p.mossRelief * moss[i] * tileNoise(uv, glm::ivec2(48), mossGrainSeed);
        }
    }

    const auto [toneSeed, beddingSeed, grainSeed, mossToneSeed] = nextSeeds<4>(seeds);
    // Grit keeps to the small hollows; the broad one is swept by feet, so it is sunk after.
    const std::vector<float> recess = recessOf(s, cavityBlurRadius, 0.003f);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            s.height[i] -= p.hollowDepth * worn[i];
            glm::vec3 stone = glm::mix(p.sandstone, p.warm, idVariate(laid.ids[i], 0));
            stone = blockTint(stone, laid.ids[i], 0.08f, 0.03f);
            const float bedding = tileFbm(uv, glm::ivec2(2, 16), 3, beddingSeed);
            stone *= 1.0f + 0.08f * tileFbm(uv, glm::ivec2(6), 4, toneSeed) + 0.06f * bedding +
                     0.03f * grain(x, y, grainSeed);
            stone *= 1.0f + 0.2f * worn[i];
            // Grit gathers in the joints, chips and pits.
            const float grit = std::max(laid.joint[i], glm::smoothstep(0.1f, 0.7f, recess[i]));
            glm::vec3 colour = glm::mix(stone, p.grit, 0.8f * grit);
            colour *= 1.0f - 0.35f * recess[i];
            const glm::vec3 mossColour = glm::mix(
                p.moss, p.mossYellow, 0.5f + 0.5f * tileFbm(uv, glm::ivec2(16), 3, mossToneSeed));
            colour = glm::mix(colour, mossColour, moss[i]);
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(p.stoneShine + p.wornShine * worn[i], p.dullShine,
                                     std::max(grit, moss[i]));
        }
    }
    return s;
}
