#pragma once

// Surfaces laid from units (bricks, stones, tiles, setts) with joints between them: the
// relief and the joint mask every such material starts from, before it is coloured.

#include "surface.h"

#include <cstdint>
#include <functional>
#include <vector>

// The unit under a texel: how far inside it the texel lies (tile widths), which unit it
// is, and where inside it (0 ... 1 across each way, where the unit has such a frame).
struct UnitSample {
    float edge = 0.0f;
    std::uint32_t id = 0;
    glm::vec2 local{0.5f};
};

struct UnitRelief {
    float joint;     // half the joint's width, tile widths
    float bevel;     // the edge rounds over this far in
    float height;    // of a unit's face above the joints
    float tilt;      // a unit's face leans by up to this from one side to the other
    float roughness; // broad unevenness of a face
    int roughCells;  // across the tile, for the unevenness
    float chip;      // how far chips bite into the edges
};

struct LaidUnits {
    Surface surface;          // relief only: albedo and specular are left for the material
    std::vector<float> joint; // 1 in the joints, 0 on the units
    std::vector<std::uint32_t> ids;
};

// Lays the units `unitAt` describes, drawing the seeds of its noise from `seeds`.
LaidUnits layUnits(int size, SeedSequence& seeds, const UnitRelief& relief,
                   const std::function<UnitSample(glm::vec2 uv)>& unitAt);

// How far each texel lies below its surroundings within `radius`, 0 ... 1 at `full`
// (tile widths); taken once a material has added its own relief to the units'.
std::vector<float> recessOf(const Surface& s, int radius, float full);

// Voronoi cells as units: `cells` across the tile, the edge their distance to the border.
UnitSample cellUnit(glm::vec2 uv, int cells, std::uint32_t seed, float jitter);
