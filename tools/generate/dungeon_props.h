#pragma once

// The furniture and fittings that stand in the dungeon's rooms.

#include "solids.h"

#include <glm/vec3.hpp>

// A round pillar on a square plinth with a flared capital and a square abacus,
// `height` tall.
void addPillar(Solids& solids, glm::vec3 base, float height);
// A round column broken off at `height`, on a plinth.
void addStump(Solids& solids, glm::vec3 base, float height);
void addBarrel(Solids& solids, glm::vec3 base);
// An iron bowl on three legs with a few sticks of wood in it.
void addBrazier(Solids& solids, glm::vec3 base);
// An unlit torch in an iron holder on the wall at `wall`, whose inward normal is
// `normal` (horizontal).
void addBracket(Solids& solids, glm::vec3 wall, glm::vec3 normal);
// A table turned by `yaw`, with a bench along each long side.
void addTableWithBenches(Solids& solids, glm::vec3 base, float yaw);
// A plank door with iron bands and a ring at the back of `recess`, a recess
// whose depth runs along z and which opens towards +z.
void addPlankDoor(Solids& solids, const Box& recess);
void addUrn(Solids& solids, glm::vec3 base);
// Iron bars across an arched opening, at `depth` along its depth axis.
void addBarredGate(Solids& solids, const Arch& arch, float floorY, float depth);
// An iron ring hung on three chains from the ceiling at height `ceilingY`.
void addChandelier(Solids& solids, glm::vec3 ringCentre, float ceilingY);
