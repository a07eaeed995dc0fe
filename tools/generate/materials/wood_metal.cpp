// The worked materials of the dungeon's fittings: nailed planks and riveted iron plates.
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

struct WoodParams {
    std::uint32_t seed = 0xf1b30000u;
    std::uint64_t layoutSeed = 41;
    CourseStyle courses{4, 0.15f, 1, 2, 0.5f, 0.0f, 1.0f, 0.0f};
    // A plank's own fields are seeded from its id, these offsets past it.
    std::uint32_t fineRingSeed = 3u;
    std::uint32_t plankFaceSeed = 5u;
    std::uint32_t knotHashStep = 77u;
    float gap = 0.003f;
    float bevel = 0.008f;
    float plankHeight = 0.014f;
    float cup = 0.003f;
    float rings = 55.0f; // growth rings across the tile
    int maxKnots = 2;
    float knotRadius = 0.018f;
    float nailInset = 0.018f;
    float nailRadius = 0.006f;
    glm::vec3 colour{0.22f, 0.145f, 0.09f};
    glm::vec3 weathered{0.22f, 0.19f, 0.16f};
    glm::vec3 knotColour{0.16f, 0.1f, 0.06f};
    glm::vec3 nailColour{0.14f, 0.13f, 0.12f};
    glm::vec3 nailRust{0.3f, 0.15f, 0.07f};
};

} // namespace

Surface makeWood(int size) {
    constexpr WoodParams p{};
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    SeedSequence seeds{p.seed};
    const std::uint32_t fibreSeed = nextSeed(seeds);
    std::vector<float> gaps(s.height.size());
    std::vector<float> latewood(s.height.size());
    std::vector<float> knots(s.height.size());
    std::vector<float> nails(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const BlockSample plank = sampleBlocks(layout, uv);
            const glm::vec2 along = plank.local * plank.extent;

            // Rings: the plank cuts through a log at a slant; knots bend them.
            float rings =
                (along.y + 0.3f * unitFloat(plank.id)) * p.rings +
                1.6f * tileFbm(uv, glm::ivec2(2, 2), 3, plank.id) +
                0.35f * tileFbm(uv, glm::ivec2(3, 40), 3, plank.id + p.fineRingSeed) +
                6.0f * (along.x - 0.5f * plank.extent.x) * (unitFloat(plank.id >> 9) - 0.5f);
            float knot = 0.0f;
            const int knotCount = static_cast<int>(hashU32(plank.id) % (p.maxKnots + 1));
            for (int k = 0; k < knotCount; ++k) {
                const std::uint32_t h =
                    hashU32(plank.id + static_cast<std::uint32_t>(k) * p.knotHashStep);
                const glm::vec2 centre(0.15f + 0.7f * unitFloat(h),
                                       0.25f + 0.5f * unitFloat(hashU32(h)));
                const glm::vec2 d = (plank.local - centre) * plank.extent;
                const float radius = p.knotRadius * (0.6f + 0.8f * unitFloat(hashU32(h + 1u)));
                const float r = glm::length(d * glm::vec2(0.6f, 1.0f)) / radius;
                rings += 6.0f / (1.0f + r * r);
                knot = std::max(knot, glm::smoothstep(1.0f, 0.7f, r));
            }
            const float ring = rings - std::floor(rings);
            const float late =
                glm::smoothstep(0.6f, 0.9f, ring) * glm::smoothstep(1.0f, 0.96f, ring);
            const float fibres = tileFbm(uv, glm::ivec2(2, 160), 3, fibreSeed);

            // Nails at both ends of every plank.
            float nail = 0.0f;
            for (float end : {p.nailInset, plank.extent.x - p.nailInset}) {
                for (float across : {0.3f, 0.7f}) {
                    const glm::vec2 d = along - glm::vec2(end, across * plank.extent.y);
                    nail = std::max(
                        nail, glm::smoothstep(p.nailRadius, p.nailRadius * 0.7f, glm::length(d)));
                }
            }

            const float edge = plank.edge - p.gap;
            const float wood = glm::smoothstep(-0.001f, 0.001f, edge);
            const float cup = p.cup * (2.0f * plank.local.y - 1.0f) * (2.0f * plank.local.y - 1.0f);
            const float face = p.plankHeight + cup - 0.0005f * late + 0.0004f * fibres +
                               0.0015f * tileFbm(uv, glm::ivec2(4), 3, plank.id + p.plankFaceSeed) -
                               0.001f * knot + 0.0015f * nail;
            s.height[i] = glm::mix(-0.004f, face * edgeProfile(edge, p.bevel), wood);
            gaps[i] = 1.0f - wood;
            latewood[i] = late;
            knots[i] = knot;
            nails[i] = nail * wood;
            ids[i] = plank.id;
        }
    }

    const auto [streakSeed, grainSeed, weatherSeed] = nextSeeds<3>(seeds);
    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            glm::vec3 colour = blockTint(p.colour, ids[i], 0.18f, 0.05f);
            colour *= 1.0f - 0.35f * latewood[i];
            colour *= 1.0f + 0.08f * tileFbm(uv, glm::ivec2(2, 160), 3, fibreSeed) +
                      0.12f * tileFbm(uv, glm::ivec2(2, 24), 3, streakSeed) +
                      0.04f * grain(x, y, grainSeed);
            const float weathered =
                glm::smoothstep(-0.1f, 0.4f, tileFbm(uv, glm::ivec2(4, 8), 5, weatherSeed));
            colour = glm::mix(colour, p.weathered * (1.0f - 0.2f * latewood[i]), 0.6f * weathered);
            colour = glm::mix(colour, p.knotColour, knots[i]);
            const float recess = glm::clamp(cavity[i] / 0.004f, 0.0f, 1.0f);
            colour *= 1.0f - 0.6f * recess;
            colour = glm::mix(colour, glm::vec3(0.04f, 0.03f, 0.02f), gaps[i]);
            const float rustHalo = glm::smoothstep(0.0f, 1.0f, nails[i]);
            colour = glm::mix(colour, p.nailColour, nails[i]);
            colour = glm::mix(colour, p.nailRust, 0.5f * rustHalo * (1.0f - nails[i]));
            s.albedo[i] = colour;
            s.specular[i] =
                glm::mix(0.14f + 0.06f * latewood[i] - 0.06f * weathered, 0.45f, nails[i]) *
                (1.0f - gaps[i]);
        }
    }
    return s;
}

namespace {

struct MetalParams {
    std::uint32_t seed = 0x4a330000u;
    std::uint64_t layoutSeed = 53;
    CourseStyle courses{2, 0.0f, 2, 2, 0.1f, 0.25f, 0.0f, 0.0f};
    float seam = 0.002f;
    float bevel = 0.006f;
    float plateHeight = 0.006f;
    float rivetInset = 0.022f;
    float rivetSpacing = 0.06f;
    float rivetRadius = 0.009f;
    float rivetHeight = 0.007f;
    glm::vec3 iron{0.2f, 0.2f, 0.21f};
    glm::vec3 ironDark{0.11f, 0.11f, 0.13f};
    glm::vec3 rustDark{0.17f, 0.09f, 0.05f};
    glm::vec3 rustBright{0.40f, 0.2f, 0.08f};
};

// Distance to the nearest rivet in a row along one edge of a plate.
float rivetRowDistance(const MetalParams& p, float along, float across, float length) {
    const float span = length - 2.0f * p.rivetInset;
    const int count = std::max(1, static_cast<int>(std::round(span / p.rivetSpacing)));
    const float step = span / static_cast<float>(count);
    const float k =
        glm::clamp(std::round((along - p.rivetInset) / step), 0.0f, static_cast<float>(count));
    return glm::length(glm::vec2(along - p.rivetInset - k * step, across - p.rivetInset));
}

} // namespace

Surface makeMetal(int size) {
    constexpr MetalParams p{};
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(p.layoutSeed, p.courses);
    SeedSequence seeds{p.seed};
    const auto [dentSeed, rustSeed, pitSeed, flakeSeed] = nextSeeds<4>(seeds);
    std::vector<float> rivets(s.height.size());
    std::vector<float> seams(s.height.size());
    std::vector<float> rust(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const BlockSample plate = sampleBlocks(layout, uv);
            const glm::vec2 at = plate.local * plate.extent;
            const float toRivet = std::min(
                std::min(rivetRowDistance(p, at.x, at.y, plate.extent.x),
                         rivetRowDistance(p, at.x, plate.extent.y - at.y, plate.extent.x)),
                std::min(rivetRowDistance(p, at.y, at.x, plate.extent.y),
                         rivetRowDistance(p, at.y, plate.extent.x - at.x, plate.extent.y)));
            const float rivetShape = std::sqrt(
                std::max(0.0f, 1.0f - (toRivet / p.rivetRadius) * (toRivet / p.rivetRadius)));
            // Hammer blows leave shallow scallops.
            const CellSample dents = tileCellular(uv, glm::ivec2(22), dentSeed, 0.8f);
            const float hammered = 0.0008f * dents.nearest * dents.nearest;

            const float rustNoise = tileFbm(uv, glm::ivec2(4), 6, rustSeed, 0.55f);
            const float nearSeam = glm::smoothstep(0.03f, 0.0f, plate.edge);
            const float nearRivet = glm::smoothstep(2.2f * p.rivetRadius, p.rivetRadius, toRivet);
            const float spread = rustNoise + 0.3f * nearSeam + 0.3f * nearRivet - 0.12f;
            const float pitting =
                glm::smoothstep(0.3f, 0.6f, tileFbm(uv, glm::ivec2(40), 2, pitSeed));
            const float rusty =
                glm::clamp(glm::smoothstep(-0.05f, 0.3f, spread) +
                               0.6f * pitting * glm::smoothstep(-0.15f, 0.0f, spread),
                           0.0f, 1.0f);
            const float flakes =
                0.0025f * rusty * (0.5f + 0.5f * tileFbm(uv, glm::ivec2(48), 4, flakeSeed));

            const float edge = plate.edge - p.seam;
            const float metal = glm::smoothstep(-0.0005f, 0.0005f, edge);
            const float face = p.plateHeight + hammered + flakes +
                               0.0008f * tileFbm(uv, glm::ivec2(8), 4, plate.id);
            s.height[i] = glm::mix(0.0f, face * edgeProfile(edge, p.bevel), metal) +
                          p.rivetHeight * rivetShape;
            rivets[i] = glm::smoothstep(p.rivetRadius, 0.8f * p.rivetRadius, toRivet);
            seams[i] = 1.0f - metal;
            rust[i] = rusty * (1.0f - 0.6f * rivets[i]);
        }
    }

    const auto [tarnishSeed, brushSeed, ironGrainSeed, rustToneSeed, rustGrainSeed, polishSeed] =
        nextSeeds<6>(seeds);
    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const float tarnish =
                glm::smoothstep(-0.3f, 0.5f, tileFbm(uv, glm::ivec2(6), 5, tarnishSeed));
            glm::vec3 iron = glm::mix(p.iron, p.ironDark, tarnish);
            iron *= 1.0f + 0.1f * tileFbm(uv, glm::ivec2(3, 64), 3, brushSeed) +
                    0.05f * grain(x, y, ironGrainSeed);
            iron = glm::mix(iron, iron * 1.4f, rivets[i]);
            const float rustTone = 0.5f + 0.5f * tileFbm(uv, glm::ivec2(24), 4, rustToneSeed);
            const glm::vec3 rustColour = glm::mix(p.rustDark, p.rustBright, rustTone) *
                                         (1.0f + 0.15f * grain(x, y, rustGrainSeed));
            glm::vec3 colour = glm::mix(iron, rustColour, rust[i]);
            const float recess = glm::clamp(cavity[i] / 0.003f, 0.0f, 1.0f);
            colour *= 1.0f - 0.5f * recess;
            colour = glm::mix(colour, glm::vec3(0.05f, 0.04f, 0.035f), seams[i]);
            s.albedo[i] = colour;

            const float polish = 0.62f + 0.12f * tileFbm(uv, glm::ivec2(3, 48), 4, polishSeed) -
                                 0.15f * tarnish + 0.15f * rivets[i];
            s.specular[i] =
                glm::mix(polish, 0.06f + 0.04f * rustTone, rust[i]) * (1.0f - 0.7f * seams[i]);
        }
    }
    return s;
}
