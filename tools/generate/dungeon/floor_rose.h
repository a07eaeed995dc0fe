#pragma once

#include "solids.h"

#include <glm/vec3.hpp>

// A rose of worn wedge stones set into the floor around a round iron grate, one closed
// solid with no corner in the middle of another face's edge.
void addFloorRose(Solids& solids, glm::vec3 centre);
