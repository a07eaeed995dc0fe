#pragma once

// What the corridor's bays and its side hall hold, so each stretch of the walk shows
// something of its own. Heights are above the dungeon floor at `floorY`.

#include "solids.h"

// A stone bench, a fallen stretch of wall heaped on the floor and what lies on them.
void addCorridorBays(Solids& solids, float floorY);
// The side hall's hearth and its fire, and the table laid for a meal by candlelight.
void addSideHallScene(Solids& solids, float floorY);
