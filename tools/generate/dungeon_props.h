#pragma once

// The things that stand in the dungeon's air. Each adds its triangles to the mesh
// and boxes bounding its stone, wood or iron to the solids of the open space.
// Positions are world units; a `base` is the point on the surface it stands on.

#include "dungeon_geometry.h"
#include "dungeon_layout.h"
#include "noise.h"

#include <glm/vec3.hpp>

#include <vector>

struct Solids {
    MeshSet& mesh;
    std::vector<Box>& bounds;
};

void addSolidBlock(Solids& solids, Material material, const Block& block,
                   unsigned faces = allFaces);
void addSolidBox(Solids& solids, Material material, const Box& box, unsigned faces = allFaces);
// The stone of the arch, bounded by slices that follow its curve.
void addSolidArch(Solids& solids, const Arch& arch);

// A round pillar on a square plinth with a flared capital and a square abacus,
// `height` tall.
void addPillar(Solids& solids, glm::vec3 base, float height);
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
// A rose of worn wedge stones set into the floor around a round iron grate.
void addFloorRose(Solids& solids, glm::vec3 centre);
// A broken wall of stacked blocks from `from` to `to` whose top wanders between
// `low` and `high` above them.
void addRuinWall(Solids& solids, glm::vec3 from, glm::vec3 to, float low, float high,
                 Pcg32& random);
// A loose block of stone, sunk a little into the ground.
void addRubble(Solids& solids, glm::vec3 base, float size, float yaw);
// A low rise of the ground: an elliptic mound `height` high at its middle, with radii
// along its own x and z (turned by `yaw`), its rim sunk a little below the ground so no
// crack shows where the two meet.
void addMound(Solids& solids, glm::vec3 base, glm::vec2 radii, float height, float yaw,
              Pcg32& random);
// A round column broken off at `height`, on a plinth.
void addStump(Solids& solids, glm::vec3 base, float height);
