#pragma once

// The dungeon's plan: rooms as boxes of air, the things standing in them, and
// the checks that keep the moving light inside. World units throughout.

#include "dungeon_geometry.h"

#include <glm/vec3.hpp>

#include <string>
#include <vector>

struct Box {
    glm::vec3 min;
    glm::vec3 max;
};

// The air the dungeon encloses (rooms, passages, stairs and the open ground
// outside) and the bounds of the solid things standing in it. A point is open
// when an air box holds it and no solid box does.
struct OpenSpace {
    std::vector<Box> air;
    std::vector<Box> solids;
};

// Heights that the light's route decides: the dungeon floor lies below its lowest
// point, the ground outside below its lowest point beyond the stairs.
struct Levels {
    float floorY = 0.0f;
    float groundY = 0.0f;
};

// The light's position on every frame at 60 frames per second, from its start
// to the end of the show.
std::vector<glm::vec3> simulateLightRoute();
Levels levelsForRoute(const std::vector<glm::vec3>& route);

void buildDungeon(const Levels& levels, MeshSet& mesh, OpenSpace& space);

// True when `point` and every point `clearance` away from it is open.
bool isOpen(const OpenSpace& space, glm::vec3 point, float clearance);

bool writeOpenSpace(const std::string& path, const OpenSpace& space);
