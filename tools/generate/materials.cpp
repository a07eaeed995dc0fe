#include "image_io.h"
#include "noise.h"
#include "parts.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Rows of blocks ("courses") that fill the tile, each with its own block
// widths, so stones, flags, bricks and planks can share one layout.
struct CourseStyle {
    int courses;
    float heightJitter; // relative spread of course heights
    int minBlocks;
    int maxBlocks;
    float widthJitter;  // relative spread of block widths
    float stagger;      // shift of every other course, in tile widths
    float offsetJitter; // random extra shift of each course
    float slant;        // largest lean of a joint, in u per v
};

struct GravelLayer {
    int cells;
    float chance; // of a stone in a cell, where gravel is densest
    float gap;    // between a stone and its cell's border, lattice units
    float tall;   // tile widths
    std::uint32_t seed;
};

constexpr const char* textureFolder = "Dungeon50/textures";
constexpr int materialSize = 512;
// Cavities darken over about this many texels.
constexpr int cavityBlurRadius = 5;
// Heights are in tile widths, so the relief keeps its shape at any size; the
// normal maps' slopes are exaggerated by this much for every material.
constexpr float normalGain = 1.0f;
// Helpers' hash seeds, and one base seed per material for its noise fields.
constexpr std::uint32_t blockIdSeed = 0x6b1cu;
constexpr std::uint32_t splitSeed = 0x5b17u;
constexpr std::uint32_t wallSeed = 0x3a110000u;
constexpr std::uint32_t floorSeed = 0xf10a0000u;
constexpr std::uint32_t ceilingSeed = 0xce110000u;
constexpr std::uint32_t woodSeed = 0xf1b30000u;
constexpr std::uint32_t metalSeed = 0x4a330000u;
constexpr std::uint32_t groundSeed = 0x6e000000u;

constexpr std::uint64_t wallLayoutSeed = 11;
constexpr CourseStyle wallCourses{5, 0.35f, 2, 4, 0.45f, 0.0f, 1.0f, 0.12f};
constexpr float wallSplitChance = 0.4f;
constexpr float wallSplitHeight = 0.19f;
constexpr float wallWarp = 0.012f;
constexpr float wallFineWarp = 0.004f;
constexpr float wallMortar = 0.007f;
constexpr float wallChip = 0.012f;
constexpr float wallBevel = 0.03f;
constexpr float wallPitChance = 0.12f;
constexpr float wallFlake = 0.012f;
constexpr float wallBlockHeight = 0.02f;
constexpr float wallRoughness = 0.008f;
constexpr glm::vec3 wallStoneGrey{0.44f, 0.42f, 0.39f};
constexpr glm::vec3 wallStoneBrown{0.48f, 0.41f, 0.33f};
constexpr glm::vec3 wallMortarColour{0.33f, 0.31f, 0.28f};
constexpr glm::vec3 mossColour{0.19f, 0.25f, 0.11f};
constexpr float wallDampCentre = 0.9f;
constexpr float wallDampWidth = 0.14f;

constexpr std::uint64_t floorLayoutSeed = 23;
constexpr CourseStyle floorCourses{3, 0.25f, 2, 3, 0.3f, 0.0f, 1.0f, 0.04f};
constexpr float floorWarp = 0.01f;
constexpr float floorJoint = 0.004f;
constexpr float floorBevel = 0.03f;
constexpr float floorFlagHeight = 0.012f;
constexpr float floorCrackWidth = 0.0025f;
constexpr float floorCrackDepth = 0.005f;
constexpr float floorCrackChance = 0.6f;
constexpr int floorCrackCells = 4; // cracks follow the borders of this lattice
constexpr glm::vec3 floorStone{0.38f, 0.37f, 0.35f};
constexpr glm::vec3 floorStoneWarm{0.42f, 0.36f, 0.30f};
constexpr glm::vec3 floorJointColour{0.17f, 0.15f, 0.13f};
constexpr float floorWetDarkening = 0.35f;
constexpr float floorWetShine = 0.7f;

constexpr std::uint64_t ceilingLayoutSeed = 37;
constexpr CourseStyle ceilingCourses{8, 0.06f, 4, 4, 0.15f, 0.125f, 0.02f, 0.02f};
constexpr float ceilingWarp = 0.004f;
constexpr float ceilingMortar = 0.006f;
constexpr float ceilingBevel = 0.012f;
constexpr float ceilingBrickHeight = 0.01f;
constexpr glm::vec3 ceilingBrick{0.42f, 0.34f, 0.28f};
constexpr glm::vec3 ceilingBrickGrey{0.40f, 0.38f, 0.35f};
constexpr glm::vec3 ceilingMortarColour{0.30f, 0.28f, 0.25f};
constexpr glm::vec3 sootColour{0.06f, 0.055f, 0.05f};

constexpr std::uint64_t woodLayoutSeed = 41;
constexpr CourseStyle woodCourses{4, 0.15f, 1, 2, 0.5f, 0.0f, 1.0f, 0.0f};
constexpr float woodGap = 0.003f;
constexpr float woodBevel = 0.008f;
constexpr float woodPlankHeight = 0.014f;
constexpr float woodCup = 0.003f;
constexpr float woodRings = 55.0f; // growth rings across the tile
constexpr int woodMaxKnots = 2;
constexpr float woodKnotRadius = 0.018f;
constexpr float nailInset = 0.018f;
constexpr float nailRadius = 0.006f;
constexpr glm::vec3 woodColour{0.33f, 0.23f, 0.15f};
constexpr glm::vec3 woodWeathered{0.31f, 0.28f, 0.24f};
constexpr glm::vec3 woodKnotColour{0.16f, 0.1f, 0.06f};
constexpr glm::vec3 nailColour{0.14f, 0.13f, 0.12f};
constexpr glm::vec3 nailRust{0.3f, 0.15f, 0.07f};

constexpr std::uint64_t metalLayoutSeed = 53;
constexpr CourseStyle metalCourses{2, 0.0f, 2, 2, 0.1f, 0.25f, 0.0f, 0.0f};
constexpr float metalSeam = 0.002f;
constexpr float metalBevel = 0.006f;
constexpr float metalPlateHeight = 0.006f;
constexpr float rivetInset = 0.022f;
constexpr float rivetSpacing = 0.06f;
constexpr float rivetRadius = 0.009f;
constexpr float rivetHeight = 0.007f;
constexpr glm::vec3 ironColour{0.2f, 0.2f, 0.21f};
constexpr glm::vec3 ironDark{0.11f, 0.11f, 0.13f};
constexpr glm::vec3 rustDark{0.17f, 0.09f, 0.05f};
constexpr glm::vec3 rustBright{0.40f, 0.2f, 0.08f};

constexpr int grassTufts = 30;
constexpr std::uint64_t grassSeed = 67;
constexpr int bladesMin = 12;
constexpr int bladesMax = 26;
constexpr float bladeLengthMin = 0.025f;
constexpr float bladeLengthMax = 0.075f;
constexpr float bladeWidth = 0.0026f;
constexpr glm::vec3 earthColour{0.22f, 0.17f, 0.12f};
constexpr glm::vec3 earthDark{0.13f, 0.1f, 0.075f};
constexpr glm::vec3 pebbleColour{0.3f, 0.29f, 0.27f};
constexpr glm::vec3 pebbleWarm{0.32f, 0.26f, 0.2f};
constexpr glm::vec3 grassGreen{0.16f, 0.22f, 0.08f};
constexpr glm::vec3 grassDry{0.31f, 0.29f, 0.15f};
constexpr GravelLayer gravelLayers[] = {{44, 1.0f, 0.1f, 0.0025f, groundSeed + 100u},
                                        {11, 0.4f, 0.12f, 0.006f, groundSeed + 200u}};

// Maps of one material; colours as they should appear (sRGB).
struct Surface {
    int size = 0;
    std::vector<float> height;
    std::vector<glm::vec3> albedo;
    std::vector<float> specular;
};

Surface makeSurface(int size) {
    Surface surface;
    surface.size = size;
    const size_t texels = static_cast<size_t>(size) * static_cast<size_t>(size);
    surface.height.assign(texels, 0.0f);
    surface.albedo.assign(texels, glm::vec3(0.0f));
    surface.specular.assign(texels, 0.0f);
    return surface;
}

size_t texelIndex(int x, int y, int size) {
    return static_cast<size_t>(y) * static_cast<size_t>(size) + static_cast<size_t>(x);
}

int wrap(int i, int size) {
    return ((i % size) + size) % size;
}

glm::vec2 texelUv(int x, int y, int size) {
    const float s = static_cast<float>(size);
    return {(static_cast<float>(x) + 0.5f) / s, (static_cast<float>(y) + 0.5f) / s};
}

// Per-texel white noise in [-1, 1]: grain finer than any lattice noise.
float grain(int x, int y, std::uint32_t seed) {
    return 2.0f * unitFloat(hash2(x, y, seed)) - 1.0f;
}

std::vector<float> boxBlurPass(const std::vector<float>& field, int size, int radius,
                               bool alongRows) {
    std::vector<float> out(field.size());
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    for (int line = 0; line < size; ++line) {
        auto at = [&](int i) {
            const int w = wrap(i, size);
            return alongRows ? texelIndex(w, line, size) : texelIndex(line, w, size);
        };
        float sum = 0.0f;
        for (int i = -radius; i <= radius; ++i) {
            sum += field[at(i)];
        }
        for (int i = 0; i < size; ++i) {
            out[at(i)] = sum * scale;
            sum += field[at(i + radius + 1)] - field[at(i - radius)];
        }
    }
    return out;
}

// Two box passes each way with wrap-around: close to a Gaussian.
std::vector<float> blurWrapped(const std::vector<float>& field, int size, int radius) {
    std::vector<float> out = field;
    for (int pass = 0; pass < 2; ++pass) {
        out = boxBlurPass(out, size, radius, true);
        out = boxBlurPass(out, size, radius, false);
    }
    return out;
}

// How far each texel lies below its surroundings (0 on open faces).
std::vector<float> cavities(const Surface& surface, int radius) {
    const std::vector<float> blurred = blurWrapped(surface.height, surface.size, radius);
    std::vector<float> depth(blurred.size());
    for (size_t i = 0; i < depth.size(); ++i) {
        depth[i] = std::max(0.0f, blurred[i] - surface.height[i]);
    }
    return depth;
}

struct Course {
    float top = 0.0f;
    float height = 0.0f;
    float offset = 0.0f;
    std::vector<float> joints; // left edge of each block, ascending from 0
    std::vector<float> slants;
};

// The courses, moved by `shift` so that no joint runs along the tile's edge.
struct BlockLayout {
    glm::vec2 shift{0.0f};
    std::vector<Course> courses;
};

struct BlockSample {
    float edge = 0.0f;     // distance to the nearest joint, tile widths
    glm::vec2 local{0.0f}; // position inside the block, 0 … 1
    glm::vec2 extent{0.0f};
    std::uint32_t id = 0;
};

std::vector<float> randomPartition(Pcg32& rng, int count, float jitter) {
    std::vector<float> sizes(static_cast<size_t>(count));
    float total = 0.0f;
    for (float& size : sizes) {
        size = nextRange(rng, 1.0f - jitter, 1.0f + jitter);
        total += size;
    }
    for (float& size : sizes) {
        size /= total;
    }
    return sizes;
}

BlockLayout makeLayout(std::uint64_t seed, const CourseStyle& style) {
    Pcg32 rng = makePcg32(seed);
    const std::vector<float> heights = randomPartition(rng, style.courses, style.heightJitter);
    BlockLayout layout;
    layout.shift = {0.1f + 0.8f * nextFloat(rng), 0.5f * heights.front()};
    std::vector<Course>& courses = layout.courses;
    float top = 0.0f;
    for (int c = 0; c < style.courses; ++c) {
        Course course;
        course.top = top;
        course.height = heights[static_cast<size_t>(c)];
        top += course.height;
        course.offset = (c % 2 == 1 ? style.stagger : 0.0f) + style.offsetJitter * nextFloat(rng);
        const int blocks = nextInt(rng, style.minBlocks, style.maxBlocks);
        const std::vector<float> widths = randomPartition(rng, blocks, style.widthJitter);
        float left = 0.0f;
        for (float width : widths) {
            course.joints.push_back(left);
            course.slants.push_back(nextRange(rng, -style.slant, style.slant));
            left += width;
        }
        courses.push_back(course);
    }
    return layout;
}

BlockSample sampleBlocks(const BlockLayout& layout, glm::vec2 uv) {
    const std::vector<Course>& courses = layout.courses;
    uv += layout.shift;
    uv -= glm::floor(uv);
    size_t c = 0;
    while (c + 1 < courses.size() && uv.y >= courses[c + 1].top) {
        ++c;
    }
    const Course& course = courses[c];
    const float down = uv.y - course.top;
    const float lean = down - 0.5f * course.height;
    const float u = uv.x - course.offset;
    const size_t count = course.joints.size();

    BlockSample sample;
    for (size_t k = 0; k < count; ++k) {
        const float left = course.joints[k] + course.slants[k] * lean;
        const size_t next = (k + 1) % count;
        const float right =
            course.joints[next] + course.slants[next] * lean + (next == 0 ? 1.0f : 0.0f);
        const float width = right - left;
        float across = u - left;
        across -= std::floor(across);
        if (across < width || k + 1 == count) {
            across = std::min(across, width);
            sample.edge =
                std::min(std::min(across, width - across), std::min(down, course.height - down));
            sample.local = {across / width, down / course.height};
            sample.extent = {width, course.height};
            sample.id = hash2(static_cast<int>(c), static_cast<int>(k), blockIdSeed);
            return sample;
        }
    }
    return sample;
}

// Rounds a block's edge from the joint (0) up to its face (1).
float edgeProfile(float edge, float bevel) {
    const float t = glm::clamp(edge / bevel, 0.0f, 1.0f);
    return 1.0f - (1.0f - t) * (1.0f - t);
}

glm::vec2 tileWarp(glm::vec2 uv, int cells, std::uint32_t seed, float amount) {
    const glm::ivec2 lattice(cells);
    return uv +
           amount * glm::vec2(tileFbm(uv, lattice, 3, seed), tileFbm(uv, lattice, 3, seed + 7u));
}

// Tints a base colour per block: brightness and a small hue shift.
glm::vec3 blockTint(glm::vec3 base, std::uint32_t id, float brightness, float hue) {
    const float b = 1.0f + brightness * (2.0f * unitFloat(id) - 1.0f);
    const float h = hue * (2.0f * unitFloat(hashU32(id)) - 1.0f);
    return base * b * glm::vec3(1.0f + h, 1.0f, 1.0f - h);
}

// A band near the bottom of the tile that eases back in at the top, so the
// tile still wraps: peaks at `centre` (v), `width` wide.
float bottomBand(float v, float centre, float width) {
    float d = v - centre;
    d -= std::round(d);
    return std::exp(-(d * d) / (width * width));
}

// Splits some blocks across the middle into two stones, so the courses look
// less regular.
BlockSample splitBlock(BlockSample block, float chance, float minHeight) {
    if (block.extent.y < minHeight || unitFloat(hashU32(block.id ^ splitSeed)) >= chance) {
        return block;
    }
    const float cut = 0.4f + 0.2f * unitFloat(hashU32(block.id ^ (splitSeed + 1u)));
    const float toCut = (block.local.y - cut) * block.extent.y;
    block.edge = std::min(block.edge, std::fabs(toCut));
    if (toCut < 0.0f) {
        block.local.y /= cut;
        block.extent.y *= cut;
        block.id = hashU32(block.id + 1u);
    } else {
        block.local.y = (block.local.y - cut) / (1.0f - cut);
        block.extent.y *= 1.0f - cut;
    }
    return block;
}

Surface makeWall(int size) {
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(wallLayoutSeed, wallCourses);
    std::vector<float> mortar(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const glm::vec2 warped = tileWarp(tileWarp(uv, 3, wallSeed + 16u, wallWarp), 12,
                                              wallSeed + 32u, wallFineWarp);
            const BlockSample block =
                splitBlock(sampleBlocks(layout, warped), wallSplitChance, wallSplitHeight);
            // Chips bite into the edges: broad dents and a few deep notches.
            const float chips =
                wallChip *
                (0.6f * tileFbm(uv, glm::ivec2(16), 4, wallSeed + 48u) +
                 std::max(0.0f, tileFbm(uv, glm::ivec2(7), 4, wallSeed + 64u) - 0.1f) * 1.5f);
            const float edge = block.edge - wallMortar - chips;
            const glm::vec2 tilt = glm::vec2(unitFloat(block.id >> 3), unitFloat(block.id >> 11));
            const float plane = glm::dot(tilt - 0.5f, block.local - 0.5f) * 0.02f;
            const float rough =
                wallRoughness * (tileFbm(uv, glm::ivec2(5), 6, block.id, 0.6f) +
                                 0.5f * tileRidged(uv, glm::ivec2(12), 3, wallSeed + 80u) - 0.3f);
            const CellSample pits = tileCellular(uv, glm::ivec2(40), wallSeed + 96u);
            const float pitSize = 0.15f + 0.25f * unitFloat(hashU32(pits.id));
            const float pit = unitFloat(pits.id) < wallPitChance
                                  ? 0.003f * glm::smoothstep(pitSize, 0.0f, pits.nearest)
                                  : 0.0f;
            // Flat flakes split off the face, each a tilted plane.
            const CellSample flakes = tileCellular(uv, glm::ivec2(7), wallSeed + 112u);
            const glm::vec2 flakeTilt(unitFloat(flakes.id) - 0.5f,
                                      unitFloat(hashU32(flakes.id)) - 0.5f);
            const float flake = wallFlake * glm::dot(flakeTilt, flakes.toFeature) *
                                glm::smoothstep(0.0f, 0.25f, flakes.border);
            const float face = wallBlockHeight + plane + rough + flake - pit;
            const float joint = 0.002f * tileFbm(uv, glm::ivec2(48), 3, wallSeed + 128u);
            const float stone = glm::smoothstep(-0.001f, 0.001f, edge);
            const float rounded = edgeProfile(edge, wallBevel);
            s.height[i] = glm::mix(joint, joint + face * rounded, stone);
            mortar[i] = 1.0f - stone;
            ids[i] = block.id;
        }
    }

    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    const std::vector<float> broad = blurWrapped(s.height, size, 2 * cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = ids[i];
            glm::vec3 stone = glm::mix(wallStoneGrey, wallStoneBrown, unitFloat(id >> 5));
            stone = blockTint(stone, id, 0.2f, 0.05f);
            stone *= 1.0f + 0.2f * tileFbm(uv, glm::ivec2(6), 6, wallSeed + 144u, 0.6f) +
                     0.06f * grain(x, y, wallSeed + 160u);
            // Iron-stained and pale mineral patches.
            const float stain =
                glm::smoothstep(0.2f, 0.6f, tileFbm(uv, glm::ivec2(5), 4, wallSeed + 176u));
            stone = glm::mix(stone, stone * glm::vec3(1.05f, 0.9f, 0.75f), stain);
            const float speck =
                glm::smoothstep(0.5f, 0.8f, tileNoise(uv, glm::ivec2(96), wallSeed + 192u));
            stone = glm::mix(stone, stone * 1.3f, speck);
            const glm::vec3 joint =
                wallMortarColour * (1.0f + 0.2f * tileFbm(uv, glm::ivec2(24), 4, wallSeed + 208u) +
                                    0.1f * grain(x, y, wallSeed + 224u));
            glm::vec3 colour = glm::mix(stone, joint, mortar[i]);
            const float recess = glm::clamp(cavity[i] / 0.006f, 0.0f, 1.0f);
            // Raised edges wear lighter, recesses gather dirt.
            const float ridge = glm::clamp((s.height[i] - broad[i]) / 0.006f, 0.0f, 1.0f);
            colour *= (1.0f - 0.55f * recess) * (1.0f + 0.25f * ridge);

            // Damp rises from the floor in streaks; moss keeps to the joints there.
            const float damp =
                bottomBand(uv.y, wallDampCentre, wallDampWidth) *
                glm::smoothstep(-0.2f, 0.4f, tileFbm(uv, glm::ivec2(16, 3), 4, wallSeed + 240u));
            const float mossNoise = tileFbm(uv, glm::ivec2(10), 5, wallSeed + 256u);
            const float moss =
                glm::smoothstep(0.3f, 0.65f,
                                damp * (0.5f + recess + mortar[i]) + 0.4f * mossNoise) *
                glm::smoothstep(-0.1f, 0.25f, mossNoise);
            colour *= 1.0f - 0.3f * damp;
            colour =
                glm::mix(colour, mossColour * (0.85f + 0.25f * grain(x, y, wallSeed + 272u)), moss);
            s.albedo[i] = colour;
            s.height[i] += 0.0015f * moss * tileNoise(uv, glm::ivec2(128), wallSeed + 288u);

            const float stoneShine = 0.1f + 0.05f * tileFbm(uv, glm::ivec2(24), 3, wallSeed + 304u);
            s.specular[i] =
                glm::mix(stoneShine, 0.04f, mortar[i]) * (1.0f - 0.5f * recess) + 0.3f * damp;
            s.specular[i] = glm::mix(s.specular[i], 0.06f, moss);
        }
    }
    return s;
}

Surface makeFloor(int size) {
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(floorLayoutSeed, floorCourses);
    std::vector<float> joints(s.height.size());
    std::vector<float> cracks(s.height.size());
    std::vector<float> undulation(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const BlockSample flag =
                sampleBlocks(layout, tileWarp(uv, 4, floorSeed + 16u, floorWarp));
            const float chips =
                0.004f * tileFbm(uv, glm::ivec2(24), 3, floorSeed + 32u) +
                0.006f * std::max(0.0f, tileFbm(uv, glm::ivec2(8), 3, floorSeed + 48u));
            const float edge = flag.edge - floorJoint - chips;
            // Feet have worn the faces smooth: broad hollows, little fine detail.
            const float roughPatch =
                glm::smoothstep(0.0f, 0.4f, tileFbm(uv, glm::ivec2(4), 3, floorSeed + 64u));
            const float worn =
                0.006f * tileFbm(uv, glm::ivec2(3), 4, flag.id) +
                (0.0004f + 0.0012f * roughPatch) * tileFbm(uv, glm::ivec2(24), 4, floorSeed + 80u);
            // Cracks run along the borders of large, jagged cells, on some flags and
            // only part of the way.
            const glm::vec2 crackUv =
                tileWarp(tileWarp(uv, 12, floorSeed + 96u, 0.006f), 40, floorSeed + 112u, 0.0015f);
            const float crackLine =
                tileCellular(crackUv, glm::ivec2(floorCrackCells), floorSeed + 128u).border /
                static_cast<float>(floorCrackCells);
            const float crackMask =
                (unitFloat(hashU32(flag.id)) < floorCrackChance ? 1.0f : 0.0f) *
                glm::smoothstep(0.0f, 0.25f, tileFbm(uv, glm::ivec2(5), 3, floorSeed + 144u));
            const float crackWidth =
                floorCrackWidth * (0.4f + 0.6f * glm::smoothstep(0.0f, 0.3f, crackMask));
            const float crack =
                crackMask * glm::smoothstep(crackWidth, 0.3f * crackWidth, crackLine);
            const float face = floorFlagHeight + worn - floorCrackDepth * crack;
            const float stone = glm::smoothstep(-0.001f, 0.001f, edge);
            const float joint = 0.0015f * tileFbm(uv, glm::ivec2(64), 3, floorSeed + 160u);
            s.height[i] = glm::mix(joint, joint + face * edgeProfile(edge, floorBevel), stone);
            joints[i] = 1.0f - stone;
            cracks[i] = crack * stone;
            undulation[i] = worn;
            ids[i] = flag.id;
        }
    }

    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    // Puddles gather in the broad dips of the faces, not along the bevels.
    const std::vector<float> undulationAround = blurWrapped(undulation, size, 4 * cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = ids[i];
            glm::vec3 stone = glm::mix(floorStone, floorStoneWarm, unitFloat(id >> 7));
            stone = blockTint(stone, id, 0.22f, 0.05f);
            stone *= 1.0f + 0.2f * tileFbm(uv, glm::ivec2(5), 6, floorSeed + 176u, 0.6f) +
                     0.05f * grain(x, y, floorSeed + 192u);
            const float stain =
                glm::smoothstep(0.1f, 0.5f, tileFbm(uv, glm::ivec2(6), 4, floorSeed + 208u));
            stone *= 1.0f - 0.25f * stain;
            const float veins =
                glm::smoothstep(0.92f, 1.0f, tileRidged(uv, glm::ivec2(4), 4, floorSeed + 224u));
            stone = glm::mix(stone, stone * 1.2f, veins);
            const glm::vec3 dirt = floorJointColour * (1.0f + 0.25f * tileFbm(uv, glm::ivec2(32), 3,
                                                                              floorSeed + 240u));
            glm::vec3 colour = glm::mix(stone, dirt, std::max(joints[i], 0.8f * cracks[i]));
            const float recess = glm::clamp(cavity[i] / 0.005f, 0.0f, 1.0f);
            colour *= 1.0f - 0.45f * recess;

            // Water stands in the hollows and spreads in patches.
            const float wet = glm::smoothstep(
                0.15f, 0.35f,
                tileFbm(uv, glm::ivec2(3), 5, floorSeed + 256u) +
                    80.0f * std::max(0.0f, undulationAround[i] - undulation[i]) - 0.05f);
            colour *= 1.0f - floorWetDarkening * wet;
            s.albedo[i] = colour;

            const float dry = 0.12f + 0.05f * tileFbm(uv, glm::ivec2(16), 3, floorSeed + 272u);
            s.specular[i] = glm::mix(dry * (1.0f - 0.6f * recess), floorWetShine, wet);
            s.specular[i] = glm::mix(s.specular[i], 0.05f + 0.25f * wet, joints[i]);
        }
    }
    return s;
}

Surface makeCeiling(int size) {
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(ceilingLayoutSeed, ceilingCourses);
    std::vector<float> mortar(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const BlockSample brick =
                sampleBlocks(layout, tileWarp(uv, 8, ceilingSeed + 16u, ceilingWarp));
            const float chips =
                0.005f * tileFbm(uv, glm::ivec2(32), 3, ceilingSeed + 32u) +
                0.006f * std::max(0.0f, tileFbm(uv, glm::ivec2(12), 3, ceilingSeed + 48u));
            const float edge = brick.edge - ceilingMortar - chips;
            const glm::vec2 tilt(unitFloat(brick.id >> 4) - 0.5f, unitFloat(brick.id >> 12) - 0.5f);
            const float face = ceilingBrickHeight + 0.008f * glm::dot(tilt, brick.local - 0.5f) +
                               0.004f * tileFbm(uv, glm::ivec2(12), 5, brick.id, 0.6f) +
                               0.0012f * tileRidged(uv, glm::ivec2(40), 2, ceilingSeed + 64u);
            const float stone = glm::smoothstep(-0.001f, 0.001f, edge);
            const float joint = 0.0015f * tileFbm(uv, glm::ivec2(64), 3, ceilingSeed + 80u);
            s.height[i] = glm::mix(joint, joint + face * edgeProfile(edge, ceilingBevel), stone);
            mortar[i] = 1.0f - stone;
            ids[i] = brick.id;
        }
    }

    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const std::uint32_t id = ids[i];
            glm::vec3 brick = glm::mix(ceilingBrick, ceilingBrickGrey, unitFloat(id >> 6));
            brick = blockTint(brick, id, 0.2f, 0.05f);
            brick *= 1.0f + 0.15f * tileFbm(uv, glm::ivec2(16), 5, ceilingSeed + 96u) +
                     0.07f * grain(x, y, ceilingSeed + 112u);
            // Darker scorch from the kiln on some faces.
            const float fired = glm::smoothstep(0.1f, 0.5f, tileFbm(uv, glm::ivec2(10), 3, id));
            brick *= 1.0f - 0.3f * fired;
            const glm::vec3 joint =
                ceilingMortarColour *
                (1.0f + 0.15f * tileFbm(uv, glm::ivec2(48), 3, ceilingSeed + 128u));
            glm::vec3 colour = glm::mix(brick, joint, mortar[i]);
            const float recess = glm::clamp(cavity[i] / 0.004f, 0.0f, 1.0f);
            colour *= 1.0f - 0.5f * recess;

            // Smoke from torches has blackened it in broad clouds.
            const float soot = glm::smoothstep(-0.25f, 0.45f,
                                               tileFbm(tileWarp(uv, 3, ceilingSeed + 144u, 0.05f),
                                                       glm::ivec2(3), 6, ceilingSeed + 160u));
            colour = glm::mix(colour, sootColour, 0.75f * soot);
            s.albedo[i] = colour;
            s.specular[i] = (0.08f + 0.03f * tileFbm(uv, glm::ivec2(24), 3, ceilingSeed + 176u)) *
                            (1.0f - 0.6f * soot) * (1.0f - 0.5f * mortar[i]);
        }
    }
    return s;
}

Surface makeWood(int size) {
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(woodLayoutSeed, woodCourses);
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
                (along.y + 0.3f * unitFloat(plank.id)) * woodRings +
                1.6f * tileFbm(uv, glm::ivec2(2, 2), 3, plank.id) +
                0.35f * tileFbm(uv, glm::ivec2(3, 40), 3, plank.id + 3u) +
                6.0f * (along.x - 0.5f * plank.extent.x) * (unitFloat(plank.id >> 9) - 0.5f);
            float knot = 0.0f;
            const int knotCount = static_cast<int>(hashU32(plank.id) % (woodMaxKnots + 1));
            for (int k = 0; k < knotCount; ++k) {
                const std::uint32_t h = hashU32(plank.id + static_cast<std::uint32_t>(k) * 77u);
                const glm::vec2 centre(0.15f + 0.7f * unitFloat(h),
                                       0.25f + 0.5f * unitFloat(hashU32(h)));
                const glm::vec2 d = (plank.local - centre) * plank.extent;
                const float radius = woodKnotRadius * (0.6f + 0.8f * unitFloat(hashU32(h + 1u)));
                const float r = glm::length(d * glm::vec2(0.6f, 1.0f)) / radius;
                rings += 6.0f / (1.0f + r * r);
                knot = std::max(knot, glm::smoothstep(1.0f, 0.7f, r));
            }
            const float ring = rings - std::floor(rings);
            const float late =
                glm::smoothstep(0.6f, 0.9f, ring) * glm::smoothstep(1.0f, 0.96f, ring);
            const float fibres = tileFbm(uv, glm::ivec2(2, 160), 3, woodSeed + 16u);

            // Nails at both ends of every plank.
            float nail = 0.0f;
            for (float end : {nailInset, plank.extent.x - nailInset}) {
                for (float across : {0.3f, 0.7f}) {
                    const glm::vec2 d = along - glm::vec2(end, across * plank.extent.y);
                    nail = std::max(nail,
                                    glm::smoothstep(nailRadius, nailRadius * 0.7f, glm::length(d)));
                }
            }

            const float edge = plank.edge - woodGap;
            const float wood = glm::smoothstep(-0.001f, 0.001f, edge);
            const float cup =
                woodCup * (2.0f * plank.local.y - 1.0f) * (2.0f * plank.local.y - 1.0f);
            const float face = woodPlankHeight + cup - 0.0005f * late + 0.0004f * fibres +
                               0.0015f * tileFbm(uv, glm::ivec2(4), 3, plank.id + 5u) -
                               0.001f * knot + 0.0015f * nail;
            s.height[i] = glm::mix(-0.004f, face * edgeProfile(edge, woodBevel), wood);
            gaps[i] = 1.0f - wood;
            latewood[i] = late;
            knots[i] = knot;
            nails[i] = nail * wood;
            ids[i] = plank.id;
        }
    }

    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            glm::vec3 colour = blockTint(woodColour, ids[i], 0.18f, 0.05f);
            colour *= 1.0f - 0.35f * latewood[i];
            colour *= 1.0f + 0.08f * tileFbm(uv, glm::ivec2(2, 160), 3, woodSeed + 16u) +
                      0.12f * tileFbm(uv, glm::ivec2(2, 24), 3, woodSeed + 32u) +
                      0.04f * grain(x, y, woodSeed + 48u);
            const float weathered =
                glm::smoothstep(-0.1f, 0.4f, tileFbm(uv, glm::ivec2(4, 8), 5, woodSeed + 64u));
            colour =
                glm::mix(colour, woodWeathered * (1.0f - 0.2f * latewood[i]), 0.6f * weathered);
            colour = glm::mix(colour, woodKnotColour, knots[i]);
            const float recess = glm::clamp(cavity[i] / 0.004f, 0.0f, 1.0f);
            colour *= 1.0f - 0.6f * recess;
            colour = glm::mix(colour, glm::vec3(0.04f, 0.03f, 0.02f), gaps[i]);
            const float rustHalo = glm::smoothstep(0.0f, 1.0f, nails[i]);
            colour = glm::mix(colour, nailColour, nails[i]);
            colour = glm::mix(colour, nailRust, 0.5f * rustHalo * (1.0f - nails[i]));
            s.albedo[i] = colour;
            s.specular[i] =
                glm::mix(0.14f + 0.06f * latewood[i] - 0.06f * weathered, 0.45f, nails[i]) *
                (1.0f - gaps[i]);
        }
    }
    return s;
}

// Distance to the nearest rivet in a row along one edge of a plate.
float rivetRowDistance(float along, float across, float length) {
    const float span = length - 2.0f * rivetInset;
    const int count = std::max(1, static_cast<int>(std::round(span / rivetSpacing)));
    const float step = span / static_cast<float>(count);
    const float k =
        glm::clamp(std::round((along - rivetInset) / step), 0.0f, static_cast<float>(count));
    return glm::length(glm::vec2(along - rivetInset - k * step, across - rivetInset));
}

Surface makeMetal(int size) {
    Surface s = makeSurface(size);
    const BlockLayout layout = makeLayout(metalLayoutSeed, metalCourses);
    std::vector<float> rivets(s.height.size());
    std::vector<float> seams(s.height.size());
    std::vector<float> rust(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const BlockSample plate = sampleBlocks(layout, uv);
            const glm::vec2 at = plate.local * plate.extent;
            const float toRivet =
                std::min(std::min(rivetRowDistance(at.x, at.y, plate.extent.x),
                                  rivetRowDistance(at.x, plate.extent.y - at.y, plate.extent.x)),
                         std::min(rivetRowDistance(at.y, at.x, plate.extent.y),
                                  rivetRowDistance(at.y, plate.extent.x - at.x, plate.extent.y)));
            const float rivetShape =
                std::sqrt(std::max(0.0f, 1.0f - (toRivet / rivetRadius) * (toRivet / rivetRadius)));
            // Hammer blows leave shallow scallops.
            const CellSample dents = tileCellular(uv, glm::ivec2(22), metalSeed + 16u, 0.8f);
            const float hammered = 0.0008f * dents.nearest * dents.nearest;

            const float rustNoise = tileFbm(uv, glm::ivec2(4), 6, metalSeed + 32u, 0.55f);
            const float nearSeam = glm::smoothstep(0.03f, 0.0f, plate.edge);
            const float nearRivet = glm::smoothstep(2.2f * rivetRadius, rivetRadius, toRivet);
            const float spread = rustNoise + 0.3f * nearSeam + 0.3f * nearRivet - 0.12f;
            const float pitting =
                glm::smoothstep(0.3f, 0.6f, tileFbm(uv, glm::ivec2(40), 2, metalSeed + 48u));
            const float rusty =
                glm::clamp(glm::smoothstep(-0.05f, 0.3f, spread) +
                               0.6f * pitting * glm::smoothstep(-0.15f, 0.0f, spread),
                           0.0f, 1.0f);
            const float flakes =
                0.0025f * rusty * (0.5f + 0.5f * tileFbm(uv, glm::ivec2(48), 4, metalSeed + 64u));

            const float edge = plate.edge - metalSeam;
            const float metal = glm::smoothstep(-0.0005f, 0.0005f, edge);
            const float face = metalPlateHeight + hammered + flakes +
                               0.0008f * tileFbm(uv, glm::ivec2(8), 4, plate.id);
            s.height[i] = glm::mix(0.0f, face * edgeProfile(edge, metalBevel), metal) +
                          rivetHeight * rivetShape;
            rivets[i] = glm::smoothstep(rivetRadius, 0.8f * rivetRadius, toRivet);
            seams[i] = 1.0f - metal;
            rust[i] = rusty * (1.0f - 0.6f * rivets[i]);
        }
    }

    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const float tarnish =
                glm::smoothstep(-0.3f, 0.5f, tileFbm(uv, glm::ivec2(6), 5, metalSeed + 80u));
            glm::vec3 iron = glm::mix(ironColour, ironDark, tarnish);
            iron *= 1.0f + 0.1f * tileFbm(uv, glm::ivec2(3, 64), 3, metalSeed + 96u) +
                    0.05f * grain(x, y, metalSeed + 112u);
            iron = glm::mix(iron, iron * 1.4f, rivets[i]);
            const float rustTone = 0.5f + 0.5f * tileFbm(uv, glm::ivec2(24), 4, metalSeed + 128u);
            const glm::vec3 rustColour = glm::mix(rustDark, rustBright, rustTone) *
                                         (1.0f + 0.15f * grain(x, y, metalSeed + 144u));
            glm::vec3 colour = glm::mix(iron, rustColour, rust[i]);
            const float recess = glm::clamp(cavity[i] / 0.003f, 0.0f, 1.0f);
            colour *= 1.0f - 0.5f * recess;
            colour = glm::mix(colour, glm::vec3(0.05f, 0.04f, 0.035f), seams[i]);
            s.albedo[i] = colour;

            const float polish = 0.62f +
                                 0.12f * tileFbm(uv, glm::ivec2(3, 48), 4, metalSeed + 160u) -
                                 0.15f * tarnish + 0.15f * rivets[i];
            s.specular[i] =
                glm::mix(polish, 0.06f + 0.04f * rustTone, rust[i]) * (1.0f - 0.7f * seams[i]);
        }
    }
    return s;
}

// Distance from p to the segment a-b, and how far along it (0 … 1) the
// closest point lies.
glm::vec2 segmentDistance(glm::vec2 p, glm::vec2 a, glm::vec2 b) {
    const glm::vec2 ab = b - a;
    const float t = glm::clamp(glm::dot(p - a, ab) / glm::dot(ab, ab), 0.0f, 1.0f);
    return {glm::length(p - a - t * ab), t};
}

// Paints tufts of thin blades straight into the maps, wrapping at the edges.
void paintGrass(Surface& s) {
    const int size = s.size;
    const float texel = 1.0f / static_cast<float>(size);
    Pcg32 rng = makePcg32(grassSeed);
    for (int tuft = 0; tuft < grassTufts; ++tuft) {
        const glm::vec2 root(nextFloat(rng), nextFloat(rng));
        const int blades = nextInt(rng, bladesMin, bladesMax);
        const float dryness = nextFloat(rng);
        for (int b = 0; b < blades; ++b) {
            const float angle = nextRange(rng, 0.0f, 6.2831853f);
            const float length = nextRange(rng, bladeLengthMin, bladeLengthMax);
            const float bend = nextRange(rng, -0.5f, 0.5f);
            const glm::vec3 tone =
                glm::mix(grassGreen, grassDry,
                         glm::clamp(dryness + nextRange(rng, -0.3f, 0.3f), 0.0f, 1.0f)) *
                nextRange(rng, 0.75f, 1.2f);
            const glm::vec2 mid =
                root + 0.5f * length * glm::vec2(std::cos(angle), std::sin(angle));
            const glm::vec2 tip =
                root + length * glm::vec2(std::cos(angle + bend), std::sin(angle + bend));
            const int x0 = static_cast<int>(
                std::floor((std::min({root.x, mid.x, tip.x}) - 2.0f * bladeWidth) * size));
            const int x1 = static_cast<int>(
                std::ceil((std::max({root.x, mid.x, tip.x}) + 2.0f * bladeWidth) * size));
            const int y0 = static_cast<int>(
                std::floor((std::min({root.y, mid.y, tip.y}) - 2.0f * bladeWidth) * size));
            const int y1 = static_cast<int>(
                std::ceil((std::max({root.y, mid.y, tip.y}) + 2.0f * bladeWidth) * size));
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    const glm::vec2 p = (glm::vec2(x, y) + 0.5f) * texel;
                    const glm::vec2 first = segmentDistance(p, root, mid);
                    const glm::vec2 second = segmentDistance(p, mid, tip);
                    const float along =
                        first.x < second.x ? 0.5f * first.y : 0.5f + 0.5f * second.y;
                    const float distance = std::min(first.x, second.x);
                    const float width = bladeWidth * (1.0f - 0.85f * along);
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

Surface makeGround(int size) {
    Surface s = makeSurface(size);
    std::vector<float> stones(s.height.size());
    std::vector<std::uint32_t> ids(s.height.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const CellSample clod = tileCellular(uv, glm::ivec2(14), groundSeed + 16u);
            float height = 0.004f * tileFbm(uv, glm::ivec2(5), 6, groundSeed + 32u, 0.5f) +
                           0.0007f * glm::smoothstep(0.0f, 0.3f, clod.border) +
                           0.0003f * grain(x, y, groundSeed + 48u);
            float stone = 0.0f;
            std::uint32_t id = 0;
            // Angular stones: each Voronoi cell, shrunk from its border, may hold one;
            // gravel gathers in patches.
            for (const GravelLayer& layer : gravelLayers) {
                const glm::ivec2 lattice(layer.cells);
                const CellSample cell = tileCellular(uv, lattice, layer.seed, 0.9f);
                const glm::vec2 centre = uv + cell.toFeature / glm::vec2(lattice);
                const float patch = glm::smoothstep(
                    -0.45f, 0.25f, tileFbm(centre, glm::ivec2(4), 3, layer.seed + 2u));
                if (unitFloat(cell.id) >= layer.chance * patch) {
                    continue;
                }
                const float gap = layer.gap * (1.0f + 2.0f * unitFloat(hashU32(cell.id))) +
                                  0.05f * tileFbm(uv, lattice * 4, 2, layer.seed + 1u);
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

    const std::vector<float> cavity = cavities(s, cavityBlurRadius);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const float damp =
                glm::smoothstep(-0.1f, 0.5f, tileFbm(uv, glm::ivec2(3), 5, groundSeed + 64u));
            glm::vec3 soil = glm::mix(earthColour, earthDark, damp) *
                             (1.0f + 0.18f * tileFbm(uv, glm::ivec2(24), 4, groundSeed + 80u) +
                              0.12f * grain(x, y, groundSeed + 96u));
            glm::vec3 pebble = glm::mix(pebbleColour, pebbleWarm, unitFloat(ids[i] >> 4));
            pebble = blockTint(pebble, ids[i], 0.3f, 0.05f) *
                     (1.0f + 0.06f * grain(x, y, groundSeed + 112u));
            // Dust and mud cling to the stones.
            pebble = glm::mix(
                pebble, soil,
                0.35f * glm::smoothstep(-0.2f, 0.5f,
                                        tileFbm(uv, glm::ivec2(32), 3, groundSeed + 128u)));
            glm::vec3 colour = glm::mix(soil, pebble, stones[i]);
            const float recess = glm::clamp(cavity[i] / 0.002f, 0.0f, 1.0f);
            colour *= 1.0f - 0.5f * recess;
            s.albedo[i] = colour;
            s.specular[i] = glm::mix(0.05f + 0.12f * damp, 0.16f, stones[i]);
        }
    }
    paintGrass(s);
    return s;
}

// Writes the diffuse, specular and normal maps. Normals: red = +u (right),
// green = +v (up the image, so against the row order), blue = out of the surface.
bool saveSurface(const std::string& root, const std::string& name, const Surface& surface) {
    const int size = surface.size;
    Image diffuse = makeImage(size, size, 3);
    Image specular = makeImage(size, size, 1);
    Image normal = makeImage(size, size, 3);
    const float texelsPerTile = static_cast<float>(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const float left = surface.height[texelIndex(wrap(x - 1, size), y, size)];
            const float right = surface.height[texelIndex(wrap(x + 1, size), y, size)];
            const float above = surface.height[texelIndex(x, wrap(y - 1, size), size)];
            const float below = surface.height[texelIndex(x, wrap(y + 1, size), size)];
            const float slopeU = (right - left) * 0.5f * texelsPerTile * normalGain;
            const float slopeV = (above - below) * 0.5f * texelsPerTile * normalGain;
            const glm::vec3 n = glm::normalize(glm::vec3(-slopeU, -slopeV, 1.0f));
            for (int c = 0; c < 3; ++c) {
                setPixel(diffuse, x, y, c, surface.albedo[i][c]);
                setPixel(normal, x, y, c, n[c] * 0.5f + 0.5f);
            }
            setPixel(specular, x, y, 0, surface.specular[i]);
        }
    }
    const std::string base = root + "/" + textureFolder + "/" + name;
    return savePng(base + "_diffuse.png", diffuse) && savePng(base + "_specular.png", specular) &&
           savePng(base + "_normal.png", normal);
}

struct Material {
    const char* name;
    Surface (*make)(int size);
};

constexpr Material materials[] = {
    {"wall", makeWall}, {"floor", makeFloor}, {"ceiling", makeCeiling},
    {"wood", makeWood}, {"metal", makeMetal}, {"ground", makeGround},
};

} // namespace

bool generateMaterials(const std::string& root) {
    for (const Material& material : materials) {
        if (!saveSurface(root, material.name, material.make(materialSize))) {
            return false;
        }
    }
    return true;
}
