#include "laid_units.h"

#include "toolkit/noise.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <algorithm>

namespace {

constexpr int chipCells = 24;

} // namespace

LaidUnits layUnits(int size, SeedSequence& seeds, const UnitRelief& relief,
                   const std::function<UnitSample(glm::vec2 uv)>& unitAt) {
    LaidUnits laid{makeSurface(size), {}, {}};
    Surface& s = laid.surface;
    laid.joint.assign(s.height.size(), 0.0f);
    laid.ids.assign(s.height.size(), 0u);
    const auto [chipSeed, jointSeed] = nextSeeds<2>(seeds);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const glm::vec2 uv = texelUv(x, y, size);
            const UnitSample unit = unitAt(uv);
            const float chips =
                relief.chip * std::max(0.0f, tileFbm(uv, glm::ivec2(chipCells), 3, chipSeed));
            const float edge = unit.edge - relief.joint - chips;
            const glm::vec2 lean(unitFloat(unit.id >> 3) - 0.5f, unitFloat(unit.id >> 13) - 0.5f);
            const float face =
                relief.height + relief.tilt * glm::dot(lean, unit.local - 0.5f) +
                relief.roughness * tileFbm(uv, glm::ivec2(relief.roughCells), 4, unit.id, 0.55f);
            const float onUnit = glm::smoothstep(-0.001f, 0.001f, edge);
            const float jointFloor =
                0.1f * relief.height * tileFbm(uv, glm::ivec2(48), 2, jointSeed);
            s.height[i] =
                glm::mix(jointFloor, jointFloor + face * edgeProfile(edge, relief.bevel), onUnit);
            laid.joint[i] = 1.0f - onUnit;
            laid.ids[i] = unit.id;
        }
    }
    return laid;
}

std::vector<float> recessOf(const Surface& s, int radius, float full) {
    std::vector<float> recess = cavities(s, radius);
    for (float& r : recess) {
        r = glm::clamp(r / full, 0.0f, 1.0f);
    }
    return recess;
}

UnitSample cellUnit(glm::vec2 uv, int cells, std::uint32_t seed, float jitter) {
    const CellSample cell = tileCellular(uv, glm::ivec2(cells), seed, jitter);
    UnitSample unit;
    unit.edge = cell.border / static_cast<float>(cells);
    unit.id = cell.id;
    unit.local = glm::vec2(0.5f) - cell.toFeature;
    return unit;
}
