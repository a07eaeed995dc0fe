#pragma once

// The painters of the dungeon's materials (materials.h holds their records), each painting
// a square tile of `size` texels that wraps at its edges.

#include "surface.h"

Surface makeWall(int size);    // rough stone blocks in mortar, damp and moss near the floor
Surface makeFloor(int size);   // worn, cracked flagstones with puddles
Surface makeCeiling(int size); // bricks blackened by smoke
Surface makeWood(int size);    // nailed planks
Surface makeMetal(int size);   // riveted iron plates, rusting
Surface makeGround(int size);  // earth with gravel and tufts of grass

// Every room's own walls (stone_walls.cpp).
Surface makePlaster(int size);      // lime plaster over stone, flaking, with painted bands
Surface makeDressedStone(int size); // large smooth ashlar with fine joints
Surface makeRubble(int size);       // random rubble: irregular stones in thick mortar
Surface makeRuinStone(int size);    // weathered blocks with moss and lichen, open to the sky

// Every room's own floor, and the corridor's brick (pavings.cpp).
Surface makeBrick(int size);       // small dark bricks in courses, soot-stained
Surface makeCobbles(int size);     // rounded setts in packed earth
Surface makeTiles(int size);       // a chequer of pale and dark stone tiles
Surface makeBasketweave(int size); // bricks laid in pairs, square by square across each other
Surface makeSlate(int size);       // dark split slate flags
Surface makeWornStep(int size);    // smooth stone hollowed by feet

// What burns (fire.cpp); their diffuse maps carry a glow mask.
Surface makeEmbers(int size); // coals, dark crusts over glowing cracks
Surface makeFlame(int size);  // the bright body of a small flame
