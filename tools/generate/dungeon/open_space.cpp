#include "open_space.h"

#include "toolkit/image_io.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cstdio>

float distanceToBox(const Box& box, glm::vec3 p) {
    const glm::vec3 outside = glm::max(glm::max(box.min - p, p - box.max), glm::vec3(0.0f));
    return glm::length(outside);
}

bool contains(const Box& box, glm::vec3 p) {
    return p.x >= box.min.x && p.x <= box.max.x && p.y >= box.min.y && p.y <= box.max.y &&
           p.z >= box.min.z && p.z <= box.max.z;
}

bool containsAny(const std::vector<Box>& boxes, glm::vec3 p) {
    return std::any_of(boxes.begin(), boxes.end(),
                       [&](const Box& box) { return contains(box, p); });
}

bool inAir(const OpenSpace& space, glm::vec3 point) {
    return containsAny(space.air, point);
}

bool isOpen(const OpenSpace& space, glm::vec3 point, float clearance) {
    for (const Box& solid : space.solids) {
        if (distanceToBox(solid, point) < clearance) {
            return false;
        }
    }
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dz = -1; dz <= 1; ++dz) {
                glm::vec3 offset(dx, dy, dz);
                if (offset != glm::vec3(0.0f)) {
                    offset = glm::normalize(offset) * clearance;
                }
                if (!inAir(space, point + offset)) {
                    return false;
                }
            }
        }
    }
    return true;
}

bool writeOpenSpace(const std::string& path, const OpenSpace& space) {
    std::string text =
        "# Open space of the Lanternfall dungeon, in world units (the model is drawn at 0.1).\n"
        "# air minX minY minZ maxX maxY maxZ: a box of air; the air is the union of them.\n"
        "# solid minX minY minZ maxX maxY maxZ: bounds of something standing in the air.\n"
        "# A point is open when an air box holds it and no solid box does.\n"
        "# sky minX minY minZ maxX maxY maxZ: an air box open at the top to the sky.\n";
    char line[160];
    const struct {
        const char* kind;
        const std::vector<Box>& boxes;
    } lists[] = {{"air", space.air}, {"solid", space.solids}, {"sky", space.skylights}};
    for (const auto& list : lists) {
        for (const Box& box : list.boxes) {
            std::snprintf(line, sizeof line, "%s %.3f %.3f %.3f %.3f %.3f %.3f\n", list.kind,
                          static_cast<double>(box.min.x), static_cast<double>(box.min.y),
                          static_cast<double>(box.min.z), static_cast<double>(box.max.x),
                          static_cast<double>(box.max.y), static_cast<double>(box.max.z));
            text += line;
        }
    }
    return writeTextFile(path, text);
}
