#pragma once

// Triangle soup of the dungeon, grouped by material, and the shapes it is built
// from. Everything is in world units; the OBJ writer scales to model units.

#include "materials/materials.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

// Texture coordinates are made at one repeat per this many world units; the OBJ writer
// scales them to each material's own tile size.
constexpr float textureTileSize = 2.0f;

constexpr float piFloat = 3.14159265358979f;
constexpr float twoPi = 2.0f * piFloat;

// `y` straight up, and the horizontal unit vector `angle` radians from +x towards +z.
inline glm::vec3 up(float y) {
    return glm::vec3(0.0f, y, 0.0f);
}

inline glm::vec3 around(float angle) {
    return glm::vec3(std::cos(angle), 0.0f, std::sin(angle));
}

struct MeshVertex {
    glm::vec3 position;
    glm::vec3 normal;
    glm::vec2 uv;
};

// Three vertices per triangle, counter-clockwise seen from the side the normals face.
struct MeshSet {
    std::array<std::vector<MeshVertex>, materialCount> triangles;
};

std::size_t triangleCount(const MeshSet& mesh);

// World-space planar texture coordinates for a surface with this normal: u runs
// horizontally (along +x on floors), v upwards (along -z on floors), so that
// u x v points along the normal and the normal map's frame is right-handed.
glm::vec2 planarUv(glm::vec3 position, glm::vec3 normal);

// Adds a triangle, reordered if needed so that its winding agrees with the
// vertex normals. Degenerate triangles are dropped.
void addTriangle(MeshSet& mesh, Material material, MeshVertex a, MeshVertex b, MeshVertex c);

// A flat convex polygon facing `normal`, with planar texture coordinates.
void addPolygon(MeshSet& mesh, Material material, const std::vector<glm::vec3>& corners,
                glm::vec3 normal);

// Face flags of a block, by outward direction.
enum BlockFace : unsigned {
    facePosX = 1u,
    faceNegX = 2u,
    facePosY = 4u,
    faceNegY = 8u,
    facePosZ = 16u,
    faceNegZ = 32u,
    allFaces = 63u,
};

// A box turned by `yaw` radians about the vertical axis through its centre.
struct Block {
    glm::vec3 centre;
    glm::vec3 halfSize;
    float yaw = 0.0f;
};

// The block's outer faces named in `faces` (its own, unturned axes).
void addBlock(MeshSet& mesh, Material material, const Block& block, unsigned faces = allFaces);

// A square bar of half width `halfWidth` from one point to another, with both ends.
void addStrut(MeshSet& mesh, Material material, glm::vec3 from, glm::vec3 to, float halfWidth);

// Surface of revolution about the vertical line through `base`: the profile's
// points are (radius, height above base), listed so that the outside lies to the
// right when walking along it in the (radius, height) plane (upwards on an outer
// wall). Kinks sharper than a threshold keep hard edges.
void addLathe(MeshSet& mesh, Material material, glm::vec3 base,
              const std::vector<glm::vec2>& profile, int segments);

// The stone above a round arch in an opening: everything between the semicircle
// (springing at springY) and topY, across the span [spanMin, spanMax] along the
// horizontal axis spanAxis (0 = x, 2 = z) and through [depthMin, depthMax] along
// the other horizontal axis. Emits the curved underside and both flat faces;
// the sides and top are assumed to rest against other stone.
struct Arch {
    int spanAxis = 0;
    float spanMin = 0.0f;
    float spanMax = 0.0f;
    float depthMin = 0.0f;
    float depthMax = 0.0f;
    float springY = 0.0f;
    float topY = 0.0f;
};
void addArch(MeshSet& mesh, Material material, const Arch& arch);

// Lowest height of the arch's underside over [from, to] along its span.
float archUndersideLow(const Arch& arch, float from, float to);

// Splits every triangle edge that another triangle's corner lies on, so that no
// corner ends in the middle of an edge: such T-junctions rasterise with hairline
// cracks along the edge. A triangle so split becomes a fan about its centre.
void joinTJunctions(MeshSet& mesh);
