#include "solids.h"

#include <glm/common.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Slices used to bound the stone of an arch.
constexpr int archBoundSlices = 8;

Box blockBounds(const Block& block) {
    const float c = std::fabs(std::cos(block.yaw));
    const float s = std::fabs(std::sin(block.yaw));
    const glm::vec3 half(c * block.halfSize.x + s * block.halfSize.z, block.halfSize.y,
                         s * block.halfSize.x + c * block.halfSize.z);
    return {block.centre - half, block.centre + half};
}

} // namespace

void addSolidBlock(Solids& solids, Material material, const Block& block, unsigned faces) {
    addBlock(solids.mesh, material, block, faces);
    solids.bounds.push_back(blockBounds(block));
}

void addSolidBox(Solids& solids, Material material, const Box& box, unsigned faces) {
    addSolidBlock(solids, material, {0.5f * (box.min + box.max), 0.5f * (box.max - box.min)},
                  faces);
}

void addSolidArch(Solids& solids, Material material, const Arch& arch) {
    addArch(solids.mesh, material, arch);
    const int depthAxis = arch.spanAxis == 0 ? 2 : 0;
    const float width = (arch.spanMax - arch.spanMin) / static_cast<float>(archBoundSlices);
    for (int i = 0; i < archBoundSlices; ++i) {
        const float from = arch.spanMin + width * static_cast<float>(i);
        const float to = from + width;
        Box box;
        box.min[arch.spanAxis] = from;
        box.max[arch.spanAxis] = to;
        box.min[depthAxis] = arch.depthMin;
        box.max[depthAxis] = arch.depthMax;
        box.min.y = archUndersideLow(arch, from, to);
        box.max.y = arch.topY;
        solids.bounds.push_back(box);
    }
}

void addSolidLathe(Solids& solids, Material material, glm::vec3 base,
                   const std::vector<glm::vec2>& profile, int segments) {
    addLathe(solids.mesh, material, base, profile, segments);
    float radius = 0.0f;
    float low = std::numeric_limits<float>::max();
    float high = std::numeric_limits<float>::lowest();
    for (const glm::vec2& point : profile) {
        radius = std::max(radius, point.x);
        low = std::min(low, point.y);
        high = std::max(high, point.y);
    }
    solids.bounds.push_back(
        {base + glm::vec3(-radius, low, -radius), base + glm::vec3(radius, high, radius)});
}

void addSolidStrut(Solids& solids, Material material, glm::vec3 from, glm::vec3 to,
                   float halfWidth) {
    addStrut(solids.mesh, material, from, to, halfWidth);
    solids.bounds.push_back(
        {glm::min(from, to) - glm::vec3(halfWidth), glm::max(from, to) + glm::vec3(halfWidth)});
}
