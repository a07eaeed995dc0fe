// The ground outside: earth in clods, gravel gathered in patches, tufts of grass.
#include "painters.h"
#include "toolkit/noise.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct GravelLayer {
    int cells;
    float chance; // of a stone in a cell, where gravel is densest
    float gap;    // between a stone and its cell's border, lattice units
    float tall;   // tile widths
};

constexpr int gravelLayerCount = 2;

struct GroundParams {
    std::uint32_t seed = 0x6e000000u;
    // The gravel layers' seeds, this far apart from the ground's own, stay clear of its
    // fields' seeds.
    std::uint32_t gravelSeedStep = 100u;
    GravelLayer gravel[gravelLayerCount] = {{44, 1.0f, 0.1f, 0.0025f}, {11, 0.4f, 0.12f, 0.006f}};
    glm::vec3 earthColour{0.22f, 0.17f, 0.12f};
    glm::vec3 earthDark{0.13f, 0.1f, 0.075f};
    glm::vec3 pebbleColour{0.3f, 0.29f, 0.27f};
    glm::vec3 pebbleWarm{0.32f, 0.26f, 0.2f};
    int grassTufts = 30;
    std::uint64_t grassSeed = 67;
    int bladesMin = 12;
    int bladesMax = 26;
    float bladeLengthMin = 0.025f;
    float bladeLengthMax = 0.075f;
    float bladeWidth = 0.0026f;
    glm::vec3 grassGreen{0.16f, 0.22f, 0.08f};
    glm::vec3 grassDry{0.31f, 0.29f, 0.15f};
};

// A gravel layer's Voronoi cells take its own seed; the fields of its gaps and its
// patches the seeds just after it.
struct GravelSeeds {
    std::uint32_t cells;
    std::uint32_t gap;
    std::uint32_t patch;
};

GravelSeeds gravelSeeds(SeedSequence& layers) {
    SeedSequence own{nextSeed(layers), 1u};
    GravelSeeds seeds;
    seeds.cells = own.last;
    seeds.gap = nextSeed(own);
    seeds.patch = nextSeed(own);
    return seeds;
}

// Distance from p to the segment a-b, and how far along it (0 … 1) the
// closest point lies.
glm::vec2 segmentDistance(glm::vec2 p, glm::vec2 a, glm::vec2 b) {
    const glm::vec2 ab = b - a;
    const float t = glm::clamp(glm::dot(p - a, ab) / glm::dot(ab, ab), 0.0f, 1.0f);
    return {glm::length(p - a - t * ab), t};
}

// Paints tufts of thin blades straight into the maps, wrapping at the edges.
void paintGrass(Surface& s, const GroundParams& p) {
    const int size = s.size;
    const float texel = 1.0f / static_cast<float>(size);
    Pcg32 rng = makePcg32(p.grassSeed);
    for (int tuft = 0; tuft < p.grassTufts; ++tuft) {
        const glm::vec2 root(nextFloat(rng), nextFloat(rng));
        const int blades = nextInt(rng, p.bladesMin, p.bladesMax);
        const float dryness = nextFloat(rng);
        for (int b = 0; b < blades; ++b) {
            const float angle = nextRange(rng, 0.0f, 6.2831853f);
            const float length = nextRange(rng, p.bladeLengthMin, p.bladeLengthMax);
            const float bend = nextRange(rng, -0.5f, 0.5f);
            const glm::vec3 tone =
                glm::mix(p.grassGreen, p.grassDry,
                         glm::clamp(dryness + nextRange(rng, -0.3f, 0.3f), 0.0f, 1.0f)) *
                nextRange(rng, 0.75f, 1.2f);
            const glm::vec2 mid =
                root + 0.5f * length * glm::vec2(std::cos(angle), std::sin(angle));
            const glm::vec2 tip =
                root + length * glm::vec2(std::cos(angle + bend), std::sin(angle + bend));
            const float margin = 2.0f * p.bladeWidth;
            const int x0 =
                static_cast<int>(std::floor((std::min({root.x, mid.x, tip.x}) - margin) * size));
            const int x1 =
                static_cast<int>(std::ceil((std::max({root.x, mid.x, tip.x}) + margin) * size));
            const int y0 =
                static_cast<int>(std::floor((std::min({root.y, mid.y, tip.y}) - margin) * size));
            const int y1 =
                static_cast<int>(std::ceil((std::max({root.y, mid.y, tip.y}) + margin) * size));
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    const glm::vec2 pixel = (glm::vec2(x, y) + 0.5f) * texel;
                    const glm::vec2 first = segmentDistance(pixel, root, mid);
                    const glm::vec2 second = segmentDistance(pixel, mid, tip);
                    const float along =
                        first.x < second.x ? 0.5f * first.y : 0.5f + 0.5f * second.y;
                    const float distance = std::min(first.x, second.x);
                    const float width = p.bladeWidth * (1.0f - 0.85f * along);
                    const float cover = glm::smoothstep(width + texel, width, distance);
                    if (cover <= 0.0f) {
                        continue;
                    }
                    const size_t i = texelIndex(wrap(x, size), wrap(y, size), size);
                    const float raised = 0.004f + 0.004f * (1.0f - along) +
                                         0.0015f * (1.0f - distance / (width + texel));
                    if (raised * cover > s.height[i] - 0.002f) {
                        s.height[i] = glm::mix(s.height[i], raised, cover);
                        s.albedo[i] = glm::mix(s.albedo[i], tone * (0.7f + 0.4f * along), cover);
                        s.specular[i] = glm::mix(s.specular[i], 0.16f, cover);
                    }
                }
            }
        }
    }
}

} // namespace

Surface makeGround(int size) {
    constexpr GroundParams p{};
    Surface s = makeSurface(size);
    SeedSequence gravelLayers{p.seed, p.gravelSeedStep};
    GravelSeeds layerSeeds[gravelLayerCount];
    for (GravelSeeds& seeds : layerSeeds) {
        seeds = gravelSeeds(gravelLayers);
    }
    SeedSequence seeds{p.seed};
    const auto [clodSeed, reliefSeed, reliefGrainSeed] = nextSeeds<3>(seeds);
    std::vector<float> stones(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const CellSample clod = tileCellular(uv, glm::ivec2(14), clodSeed);
            float height = 0.004f * tileFbm(uv, glm::ivec2(5), 6, reliefSeed, 0.5f) +
                           0.0007f * glm::smoothstep(0.0f, 0.3f, clod.border) +
                           0.0003f * grain(x, y, reliefGrainSeed);
            float stone = 0.0f;
            std::uint32_t id = 0;
            // Angular stones: each Voronoi cell, shrunk from its border, may hold one;
            // gravel gathers in patches.
            for (int l = 0; l < gravelLayerCount; ++l) {
                const GravelLayer& layer = p.gravel[l];
                const GravelSeeds& layerSeed = layerSeeds[l];
                const glm::ivec2 lattice(layer.cells);
                const CellSample cell = tileCellular(uv, lattice, layerSeed.cells, 0.9f);
                const glm::vec2 centre = uv + cell.toFeature / glm::vec2(lattice);
                const float patch = glm::smoothstep(
                    -0.45f, 0.25f, tileFbm(centre, glm::ivec2(4), 3, layerSeed.patch));
                if (unitFloat(cell.id) >= layer.chance * patch) {
                    continue;
                }
                const float gap = layer.gap * (1.0f + 2.0f * unitFloat(hashU32(cell.id))) +
                                  0.05f * tileFbm(uv, lattice * 4, 2, layerSeed.gap);
                const float inside = cell.border - gap;
                if (inside > 0.0f) {
                    const float top = layer.tall * (0.6f + 0.4f * unitFloat(cell.id >> 9));
                    const float rock =
                        top * edgeProfile(inside, 0.25f) * (1.0f - 0.3f * cell.nearest) +
                        0.0008f * tileFbm(uv, glm::ivec2(64), 2, cell.id);
                    if (rock > height) {
                        height = rock;
                        stone = glm::smoothstep(0.0f, 0.1f, inside);
                        id = cell.id;
                    }
                }
            }
            s.height[i] = height;
            stones[i] = stone;
            ids[i] = id;
        }
    }

    const auto [dampSeed, soilToneSeed, soilGrainSeed, pebbleGrainSeed, dustSeed] =
        nextSeeds<5>(seeds);
    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const float damp =
                glm::smoothstep(-0.1f, 0.5f, tileFbm(uv, glm::ivec2(3), 5, dampSeed));
            glm::vec3 soil = glm::mix(p.earthColour, p.earthDark, damp) *
                             (1.0f + 0.18f * tileFbm(uv, glm::ivec2(24), 4, soilToneSeed) +
                              0.12f * grain(x, y, soilGrainSeed));
            glm::vec3 pebble = glm::mix(p.pebbleColour, p.pebbleWarm, unitFloat(ids[i] >> 4));
            pebble = blockTint(pebble, ids[i], 0.3f, 0.05f) *
                     (1.0f + 0.06f * grain(x, y, pebbleGrainSeed));
            // Dust and mud cling to the stones.
            pebble = glm::mix(
                pebble, soil,
                0.35f * glm::smoothstep(-0.2f, 0.5f, tileFbm(uv, glm::ivec2(32), 3, dustSeed)));
            glm::vec3 colour = glm::mix(soil, pebble, stones[i]);
            const float recess = glm::clamp(cavity[i] / 0.002f, 0.0f, 1.0f);
            colour *= 1.0f - 0.5f * recess;
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(0.05f + 0.12f * damp, 0.16f, stones[i]);
        }
    }
    paintGrass(s, p);
    return s;
}
