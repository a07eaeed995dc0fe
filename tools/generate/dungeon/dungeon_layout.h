#pragma once

// The dungeon's plan: rooms as boxes of air and the things standing in them, at the
// levels the light's route decides. World units throughout.

#include "dungeon_geometry.h"
#include "open_space.h"
#include "solids.h"

#include <glm/vec3.hpp>

#include <vector>

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

// The places the show passes through, each as the boxes of air it is made of.
enum class Place { entranceHall, gallery, chapel, corridor, sideHall, stairs, openAir };
struct PlaceAir {
    Place place;
    std::vector<Box> boxes;
};

// What the show's sound takes from the plan: where each place lies, what burns where,
// and the shaft that opens the corridor's vault to the sky.
struct SoundPlan {
    std::vector<PlaceAir> places;
    std::vector<Fire> fires;
    Box lightWell{};
};

void buildDungeon(const Levels& levels, MeshSet& mesh, OpenSpace& space, SoundPlan& sound);
