#include "block_layout.h"

#include "toolkit/noise.h"

#include <glm/common.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint32_t blockIdSeed = 0x6b1cu;
// Whether a block splits, and where.
constexpr std::uint32_t splitSeed = 0x5b17u;
constexpr std::uint32_t splitPlaceSeed = splitSeed + 1u;

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

} // namespace

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

BlockSample splitBlock(BlockSample block, float chance, float minHeight) {
    if (block.extent.y < minHeight || unitFloat(hashU32(block.id ^ splitSeed)) >= chance) {
        return block;
    }
    const float cut = 0.4f + 0.2f * unitFloat(hashU32(block.id ^ splitPlaceSeed));
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
