#pragma once

// Solid things put into the dungeon: each adds its triangles to the mesh and boxes
// bounding its stone, wood or iron to the solids of the open space. Positions are
// world units; a `base` is the point on the surface a thing stands on.

#include "dungeon_geometry.h"
#include "open_space.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <iterator>
#include <vector>

// What burns, for the sound of the places: its kind and the foot of its flames.
enum class FireKind { brazier, torch, candle, hearth };
struct Fire {
    FireKind kind;
    glm::vec3 at;
};

struct Solids {
    MeshSet& mesh;
    std::vector<Box>& bounds;
    std::vector<Fire>& fires;
};

void addSolidBlock(Solids& solids, Material material, const Block& block,
                   unsigned faces = allFaces);
void addSolidBox(Solids& solids, Material material, const Box& box, unsigned faces = allFaces);
// The stone of the arch, bounded by slices that follow its curve.
void addSolidArch(Solids& solids, Material material, const Arch& arch);
// A lathe bounded by the box round its widest radius.
void addSolidLathe(Solids& solids, Material material, glm::vec3 base,
                   const std::vector<glm::vec2>& profile, int segments);
void addSolidStrut(Solids& solids, Material material, glm::vec3 from, glm::vec3 to,
                   float halfWidth);

template <std::size_t N> std::vector<glm::vec2> profileOf(const glm::vec2 (&points)[N]) {
    return std::vector<glm::vec2>(std::begin(points), std::end(points));
}
