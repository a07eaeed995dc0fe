#pragma once

// The dungeon's materials, each painted into a square tile of `size` texels that
// wraps at its edges.

#include "surface.h"

Surface makeWall(int size);    // rough stone blocks in mortar, damp and moss near the floor
Surface makeFloor(int size);   // worn, cracked flagstones with puddles
Surface makeCeiling(int size); // bricks blackened by smoke
Surface makeWood(int size);    // nailed planks
Surface makeMetal(int size);   // riveted iron plates, rusting
Surface makeGround(int size);  // earth with gravel and tufts of grass
