#include "dungeon_geometry.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/vec3.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace {

// Surfaces whose normal is steeper than this are mapped like floors or ceilings.
constexpr float horizontalSurfaceNormalY = 0.7f;
constexpr float degenerateArea = 1e-9f;
// Lathe profile corners sharper than this stay hard edges.
constexpr float latheSmoothCosine = 0.95f;
constexpr int archSegments = 16;

// A corner this near an edge (world units, the precision the OBJ keeps) lies on it,
// unless it is this near one of the edge's ends; corners are looked up in cubic cells.
constexpr float onEdgeDistance = 1e-4f;
constexpr float junctionCell = 0.5f;

std::vector<MeshVertex>& trianglesOf(MeshSet& mesh, Material material) {
    return mesh.triangles[static_cast<size_t>(material)];
}

glm::vec3 axisVector(int axis) {
    glm::vec3 v(0.0f);
    v[axis] = 1.0f;
    return v;
}

} // namespace

std::size_t triangleCount(const MeshSet& mesh) {
    std::size_t count = 0;
    for (const std::vector<MeshVertex>& list : mesh.triangles) {
        count += list.size() / 3;
    }
    return count;
}

glm::vec2 planarUv(glm::vec3 position, glm::vec3 normal) {
    const glm::vec3 n = glm::normalize(normal);
    glm::vec3 u;
    glm::vec3 v;
    if (std::fabs(n.y) > horizontalSurfaceNormalY) {
        u = glm::normalize(glm::vec3(1.0f, 0.0f, 0.0f) - n.x * n);
        v = glm::cross(n, u);
    } else {
        v = glm::normalize(glm::vec3(0.0f, 1.0f, 0.0f) - n.y * n);
        u = glm::cross(v, n);
    }
    return glm::vec2(glm::dot(position, u), glm::dot(position, v)) / textureTileSize;
}

void addTriangle(MeshSet& mesh, Material material, MeshVertex a, MeshVertex b, MeshVertex c) {
    const glm::vec3 facing = glm::cross(b.position - a.position, c.position - a.position);
    if (glm::dot(facing, facing) < degenerateArea) {
        return;
    }
    if (glm::dot(facing, a.normal + b.normal + c.normal) < 0.0f) {
        std::swap(b, c);
    }
    std::vector<MeshVertex>& list = trianglesOf(mesh, material);
    list.push_back(a);
    list.push_back(b);
    list.push_back(c);
}

void addPolygon(MeshSet& mesh, Material material, const std::vector<glm::vec3>& corners,
                glm::vec3 normal) {
    const glm::vec3 n = glm::normalize(normal);
    auto vertex = [&](glm::vec3 p) { return MeshVertex{p, n, planarUv(p, n)}; };
    for (size_t i = 1; i + 1 < corners.size(); ++i) {
        addTriangle(mesh, material, vertex(corners[0]), vertex(corners[i]), vertex(corners[i + 1]));
    }
}

void addBlock(MeshSet& mesh, Material material, const Block& block, unsigned faces) {
    const float c = std::cos(block.yaw);
    const float s = std::sin(block.yaw);
    const glm::vec3 axes[3] = {{c, 0.0f, -s}, {0.0f, 1.0f, 0.0f}, {s, 0.0f, c}};
    const unsigned positiveFlag[3] = {facePosX, facePosY, facePosZ};
    const unsigned negativeFlag[3] = {faceNegX, faceNegY, faceNegZ};
    for (int axis = 0; axis < 3; ++axis) {
        const int a = (axis + 1) % 3;
        const int b = (axis + 2) % 3;
        const glm::vec3 across = axes[a] * block.halfSize[a];
        const glm::vec3 along = axes[b] * block.halfSize[b];
        for (int side = -1; side <= 1; side += 2) {
            if ((faces & (side > 0 ? positiveFlag[axis] : negativeFlag[axis])) == 0) {
                continue;
            }
            const glm::vec3 normal = axes[axis] * static_cast<float>(side);
            const glm::vec3 centre = block.centre + normal * block.halfSize[axis];
            addPolygon(mesh, material,
                       {centre - across - along, centre + across - along, centre + across + along,
                        centre - across + along},
                       normal);
        }
    }
}

void addStrut(MeshSet& mesh, Material material, glm::vec3 from, glm::vec3 to, float halfWidth) {
    const glm::vec3 axis = glm::normalize(to - from);
    const glm::vec3 helper =
        std::fabs(axis.y) < horizontalSurfaceNormalY ? glm::vec3(0, 1, 0) : glm::vec3(1, 0, 0);
    const glm::vec3 side = glm::normalize(glm::cross(axis, helper)) * halfWidth;
    const glm::vec3 other = glm::normalize(glm::cross(side, axis)) * halfWidth;
    const glm::vec3 ring[4] = {side + other, other - side, -side - other, side - other};
    for (int k = 0; k < 4; ++k) {
        const glm::vec3 a = ring[k];
        const glm::vec3 b = ring[(k + 1) % 4];
        addPolygon(mesh, material, {from + a, from + b, to + b, to + a}, a + b);
    }
    addPolygon(mesh, material, {from + ring[0], from + ring[1], from + ring[2], from + ring[3]},
               -axis);
    addPolygon(mesh, material, {to + ring[0], to + ring[1], to + ring[2], to + ring[3]}, axis);
}

void addLathe(MeshSet& mesh, Material material, glm::vec3 base,
              const std::vector<glm::vec2>& profile, int segments) {
    const size_t count = profile.size();
    if (count < 2 || segments < 3) {
        return;
    }
    // Outward normal of each profile segment in the (radius, height) plane.
    std::vector<glm::vec2> segmentNormal(count - 1, glm::vec2(0.0f));
    std::vector<float> distance(count, 0.0f);
    float widest = 0.0f;
    for (size_t j = 0; j + 1 < count; ++j) {
        const glm::vec2 d = profile[j + 1] - profile[j];
        const float length = glm::length(d);
        distance[j + 1] = distance[j] + length;
        if (length > 0.0f) {
            segmentNormal[j] = glm::vec2(d.y, -d.x) / length;
        }
    }
    for (const glm::vec2& point : profile) {
        widest = std::max(widest, point.x);
    }
    auto smoothed = [&](size_t segment, size_t neighbour) {
        const glm::vec2 own = segmentNormal[segment];
        const glm::vec2 other = segmentNormal[neighbour];
        return glm::dot(own, other) > latheSmoothCosine ? glm::normalize(own + other) : own;
    };

    for (size_t j = 0; j + 1 < count; ++j) {
        if (segmentNormal[j] == glm::vec2(0.0f)) {
            continue;
        }
        const bool flat = std::fabs(profile[j + 1].y - profile[j].y) < 1e-6f;
        const glm::vec2 lowNormal = (j > 0 && !flat) ? smoothed(j, j - 1) : segmentNormal[j];
        const glm::vec2 highNormal =
            (j + 2 < count && !flat) ? smoothed(j, j + 1) : segmentNormal[j];
        auto vertex = [&](size_t point, glm::vec2 normal2, int step) {
            const float angle = twoPi * static_cast<float>(step) / static_cast<float>(segments);
            const glm::vec3 radial(std::cos(angle), 0.0f, std::sin(angle));
            const glm::vec3 position =
                base + radial * profile[point].x + glm::vec3(0.0f, profile[point].y, 0.0f);
            const glm::vec3 normal =
                glm::normalize(radial * normal2.x + glm::vec3(0, normal2.y, 0));
            // u grows against the angle so that u x v points outwards.
            const glm::vec2 uv =
                flat ? planarUv(position, normal)
                     : glm::vec2(-angle * widest, distance[point]) / textureTileSize;
            return MeshVertex{position, normal, uv};
        };
        for (int i = 0; i < segments; ++i) {
            const MeshVertex a = vertex(j, lowNormal, i);
            const MeshVertex b = vertex(j, lowNormal, i + 1);
            const MeshVertex c = vertex(j + 1, highNormal, i + 1);
            const MeshVertex d = vertex(j + 1, highNormal, i);
            addTriangle(mesh, material, a, b, c);
            addTriangle(mesh, material, a, c, d);
        }
    }
}

void addArch(MeshSet& mesh, Material material, const Arch& arch) {
    const int depthAxis = arch.spanAxis == 0 ? 2 : 0;
    const glm::vec3 spanDir = axisVector(arch.spanAxis);
    const glm::vec3 depthDir = axisVector(depthAxis);
    const glm::vec3 up(0.0f, 1.0f, 0.0f);
    const float radius = 0.5f * (arch.spanMax - arch.spanMin);
    const float middle = 0.5f * (arch.spanMax + arch.spanMin);
    auto at = [&](float span, float y, float depth) {
        return spanDir * span + up * y + depthDir * depth;
    };
    auto arcPoint = [&](int i, float depth) {
        const float angle = piFloat * static_cast<float>(i) / static_cast<float>(archSegments);
        return at(middle + radius * std::cos(angle), arch.springY + radius * std::sin(angle),
                  depth);
    };
    // Sign that makes u (along the arc) x v (through the depth) face the arch's centre.
    const float depthSign = glm::dot(glm::cross(spanDir, depthDir), up) < 0.0f ? -1.0f : 1.0f;

    for (int i = 0; i < archSegments; ++i) {
        MeshVertex corners[4];
        for (int k = 0; k < 4; ++k) {
            const int step = i + (k == 1 || k == 2 ? 1 : 0);
            const float depth = k < 2 ? arch.depthMin : arch.depthMax;
            const float angle =
                piFloat * static_cast<float>(step) / static_cast<float>(archSegments);
            const glm::vec3 position = arcPoint(step, depth);
            const glm::vec3 normal = -(spanDir * std::cos(angle) + up * std::sin(angle));
            corners[k] = {position, normal,
                          glm::vec2(radius * angle, depthSign * depth) / textureTileSize};
        }
        addTriangle(mesh, material, corners[0], corners[1], corners[2]);
        addTriangle(mesh, material, corners[0], corners[2], corners[3]);
    }

    const float crown = arch.springY + radius;
    for (int face = 0; face < 2; ++face) {
        const float depth = face == 0 ? arch.depthMin : arch.depthMax;
        const glm::vec3 normal = face == 0 ? -depthDir : depthDir;
        const int half = archSegments / 2;
        // Each half is a fan from its upper outer corner over its quarter of the arc.
        for (int side = 0; side < 2; ++side) {
            const float outer = side == 0 ? arch.spanMax : arch.spanMin;
            std::vector<glm::vec3> fan = {at(outer, arch.topY, depth)};
            for (int k = 0; k <= half; ++k) {
                fan.push_back(arcPoint(side == 0 ? k : archSegments - k, depth));
            }
            if (arch.topY > crown) {
                fan.push_back(at(middle, arch.topY, depth));
            }
            for (size_t k = 1; k + 1 < fan.size(); ++k) {
                addPolygon(mesh, material, {fan[0], fan[k], fan[k + 1]}, normal);
            }
        }
    }
}

float archUndersideLow(const Arch& arch, float from, float to) {
    const float radius = 0.5f * (arch.spanMax - arch.spanMin);
    const float middle = 0.5f * (arch.spanMax + arch.spanMin);
    const float offset =
        std::min(std::max(std::fabs(from - middle), std::fabs(to - middle)), radius);
    return arch.springY + std::sqrt(radius * radius - offset * offset);
}

namespace {

using CellKey = std::int64_t;

glm::ivec3 cellOf(glm::vec3 p) {
    return glm::ivec3(glm::floor(p / junctionCell));
}

CellKey keyOf(glm::ivec3 cell) {
    constexpr std::int64_t span = 1 << 20;
    return ((static_cast<CellKey>(cell.x) + span / 2) * span + (cell.y + span / 2)) * span +
           (cell.z + span / 2);
}

// Corners lying on the edge from a to b, strictly between its ends, ordered from a.
std::vector<glm::vec3>
cornersOnEdge(const std::unordered_map<CellKey, std::vector<glm::vec3>>& cells, glm::vec3 a,
              glm::vec3 b) {
    const glm::vec3 d = b - a;
    const float length = glm::length(d);
    std::vector<std::pair<float, glm::vec3>> found;
    if (length <= 2.0f * onEdgeDistance) {
        return {};
    }
    const glm::ivec3 low = cellOf(glm::min(a, b) - glm::vec3(onEdgeDistance));
    const glm::ivec3 high = cellOf(glm::max(a, b) + glm::vec3(onEdgeDistance));
    for (int x = low.x; x <= high.x; ++x) {
        for (int y = low.y; y <= high.y; ++y) {
            for (int z = low.z; z <= high.z; ++z) {
                const auto cell = cells.find(keyOf({x, y, z}));
                if (cell == cells.end()) {
                    continue;
                }
                for (const glm::vec3& p : cell->second) {
                    const float along = glm::dot(p - a, d) / length;
                    if (along > onEdgeDistance && along < length - onEdgeDistance &&
                        glm::length(a + d * (along / length) - p) < onEdgeDistance) {
                        found.emplace_back(along, p);
                    }
                }
            }
        }
    }
    std::sort(found.begin(), found.end(),
              [](const auto& l, const auto& r) { return l.first < r.first; });
    // Corners computed twice may differ in their last bits: one of them is enough.
    std::vector<glm::vec3> corners;
    float last = 0.0f;
    for (const auto& [along, p] : found) {
        if (corners.empty() || along - last > onEdgeDistance) {
            corners.push_back(p);
            last = along;
        }
    }
    return corners;
}

MeshVertex between(const MeshVertex& a, const MeshVertex& b, glm::vec3 p) {
    const glm::vec3 d = b.position - a.position;
    const float t = glm::dot(p - a.position, d) / glm::dot(d, d);
    const glm::vec3 normal = glm::mix(a.normal, b.normal, t);
    return {p, glm::length(normal) > 0.0f ? glm::normalize(normal) : a.normal,
            glm::mix(a.uv, b.uv, t)};
}

} // namespace

void joinTJunctions(MeshSet& mesh) {
    std::unordered_map<CellKey, std::vector<glm::vec3>> cells;
    for (const std::vector<MeshVertex>& list : mesh.triangles) {
        for (const MeshVertex& v : list) {
            std::vector<glm::vec3>& cell = cells[keyOf(cellOf(v.position))];
            if (std::find(cell.begin(), cell.end(), v.position) == cell.end()) {
                cell.push_back(v.position);
            }
        }
    }
    for (std::vector<MeshVertex>& list : mesh.triangles) {
        std::vector<MeshVertex> joined;
        for (size_t t = 0; t + 2 < list.size(); t += 3) {
            const MeshVertex* corner = &list[t];
            std::vector<MeshVertex> ring;
            for (size_t k = 0; k < 3; ++k) {
                const MeshVertex& from = corner[k];
                const MeshVertex& to = corner[(k + 1) % 3];
                ring.push_back(from);
                for (const glm::vec3& p : cornersOnEdge(cells, from.position, to.position)) {
                    ring.push_back(between(from, to, p));
                }
            }
            if (ring.size() == 3) {
                joined.insert(joined.end(), corner, corner + 3);
                continue;
            }
            const glm::vec3 normal = corner[0].normal + corner[1].normal + corner[2].normal;
            const MeshVertex centre{
                (corner[0].position + corner[1].position + corner[2].position) / 3.0f,
                glm::length(normal) > 0.0f ? glm::normalize(normal) : corner[0].normal,
                (corner[0].uv + corner[1].uv + corner[2].uv) / 3.0f};
            for (size_t k = 0; k < ring.size(); ++k) {
                joined.push_back(centre);
                joined.push_back(ring[k]);
                joined.push_back(ring[(k + 1) % ring.size()]);
            }
        }
        list = std::move(joined);
    }
}
