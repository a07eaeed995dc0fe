#pragma once

// Rows of blocks ("courses") that fill the tile, each with its own block widths, so
// stones, flags, bricks, planks and plates share one layout.

#include <glm/vec2.hpp>

#include <cstdint>
#include <vector>

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

BlockLayout makeLayout(std::uint64_t seed, const CourseStyle& style);
BlockSample sampleBlocks(const BlockLayout& layout, glm::vec2 uv);

// Splits some blocks across the middle into two stones, so the courses look
// less regular.
BlockSample splitBlock(BlockSample block, float chance, float minHeight);
