#pragma once

// The furniture and fittings that stand in the dungeon's rooms.

#include "solids.h"

#include <glm/vec3.hpp>

// A round pillar on a square plinth with a flared capital and a square abacus,
// `height` tall.
void addPillar(Solids& solids, glm::vec3 base, float height);
// A round column broken off at `height`, on a plinth.
void addStump(Solids& solids, Material stone, glm::vec3 base, float height);
void addBarrel(Solids& solids, glm::vec3 base);
// An iron bowl on three legs, burning: glowing coals, sticks and small flames.
void addBrazier(Solids& solids, glm::vec3 base);
// A burning torch in an iron holder on the wall at `wall`, whose inward normal is
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
// A wax candle standing at `base`, lit.
void addCandle(Solids& solids, glm::vec3 base);
// An iron ring of lit candles hung on three chains from the ceiling at height `ceilingY`.
void addChandelier(Solids& solids, glm::vec3 ringCentre, float ceilingY);
// A fire laid on a hearth at `base`: coals, two logs and tall flames.
void addHearthFire(Solids& solids, glm::vec3 base);
enum class Tableware { tankard, plate, bowl, candlestick };
// A thing laid on a table, standing at `base`; the candlestick's candle burns.
void addTableware(Solids& solids, Tableware kind, glm::vec3 base);
// Iron bars across the bottom of `opening`, a shaft open upwards, hanging `thickness`
// below it, with two rails under them.
void addGrate(Solids& solids, const Box& opening, float thickness);
