#pragma once

// The air the dungeon encloses and the solid things standing in it: what keeps the
// moving light and the camera in the open. World units throughout.

#include <glm/vec3.hpp>

#include <string>
#include <vector>

struct Box {
    glm::vec3 min;
    glm::vec3 max;
};

bool contains(const Box& box, glm::vec3 p);
bool containsAny(const std::vector<Box>& boxes, glm::vec3 p);
// How far `p` lies outside `box`: 0 inside it.
float distanceToBox(const Box& box, glm::vec3 p);

// The air (rooms, passages, stairs and the open ground outside) and the bounds of the
// solid things standing in it. A point is open when an air box holds it and no solid
// box does.
struct OpenSpace {
    std::vector<Box> air;
    std::vector<Box> solids;
    // Air boxes whose top is left open, so the sky shows through it.
    std::vector<Box> skylights;
};

// True when an air box holds `point`, whatever stands there.
bool inAir(const OpenSpace& space, glm::vec3 point);

// True when `point` and every point `clearance` away from it is open.
bool isOpen(const OpenSpace& space, glm::vec3 point, float clearance);

bool writeOpenSpace(const std::string& path, const OpenSpace& space);
