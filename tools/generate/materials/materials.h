#pragma once

// The dungeon's materials, one record each in one table: the painters' loop, the MTL and
// OBJ writer and the geometry's mesh lists all read it, and the count is its length.
// Adding a material is a record here, its enumerator and its painter.

#include "painters.h"

#include <cstddef>
#include <iterator>
#include <string_view>

// What the geometry calls each material, in the table's order (checked below).
enum class Material {
    wall,
    floor,
    ceiling,
    wood,
    metal,
    ground,
    brick,
    plaster,
    dressedStone,
    rubble,
    ruinStone,
    cobbles,
    tiles,
    basketweave,
    slate,
    wornStep,
    embers,
    flame,
    listEnd, // no material: where the list ends, for the check against the table
};

// Most materials cover two metres a tile at the large size; the rooms' small-patterned
// ones one metre at half the size, the same texel density for a quarter of the memory,
// and smooth plaster and dressed stone two metres at half the density. Flames are
// nearly flat.
constexpr int largeMap = 512;
constexpr int smallMap = 256;
constexpr int fireMap = 128;
constexpr int flameMap = 32;
constexpr float wideTile = 2.0f;
constexpr float narrowTile = 1.0f;
constexpr float fireTile = 0.5f;

struct MaterialRecord {
    Material material;
    const char* name; // in the MTL file and in its texture files' names
    Surface (*paint)(int size);
    int mapSize;    // texels across the square tile
    float tileSize; // world units the tile covers
    bool glows;     // its painter makes a glow mask, saved as the diffuse map's alpha
    // How the MTL file describes its light.
    float diffuse;
    float specular;
    float shininess;
    // The OBJ file holds the meshes by rising drawOrder, which the demo draws them in,
    // each behind what is already drawn rejected before it is shaded. The rooms' walls
    // come first (10s), as they hide the rooms beyond them, the corridor's brick (the
    // longest stretch of the show) before the others; then the floors (20s), ceilings and
    // the things in the rooms (30s); last the ground outside (40s), which from inside lies
    // behind everything.
    int drawOrder;
};

// Material, name, painter, map size, tile size, glows, diffuse, specular, shininess, draw order.
inline constexpr MaterialRecord materialTable[] = {
    {Material::wall, "wall", makeWall, largeMap, wideTile, false, 0.8f, 0.3f, 24.0f, 11},
    {Material::floor, "floor", makeFloor, largeMap, wideTile, false, 0.8f, 0.35f, 32.0f, 21},
    {Material::ceiling, "ceiling", makeCeiling, largeMap, wideTile, false, 0.75f, 0.15f, 12.0f, 30},
    {Material::wood, "wood", makeWood, largeMap, wideTile, false, 0.8f, 0.2f, 16.0f, 31},
    {Material::metal, "metal", makeMetal, largeMap, wideTile, false, 0.7f, 0.9f, 64.0f, 32},
    {Material::ground, "ground", makeGround, largeMap, wideTile, false, 0.8f, 0.1f, 8.0f, 40},
    {Material::brick, "brick", makeBrick, smallMap, narrowTile, false, 0.8f, 0.2f, 16.0f, 10},
    {Material::plaster, "plaster", makePlaster, smallMap, wideTile, false, 0.8f, 0.15f, 12.0f, 12},
    {Material::dressedStone, "dressed_stone", makeDressedStone, smallMap, wideTile, false, 0.8f,
     0.3f, 24.0f, 13},
    {Material::rubble, "rubble", makeRubble, smallMap, wideTile, false, 0.8f, 0.25f, 16.0f, 14},
    {Material::ruinStone, "ruin_stone", makeRuinStone, smallMap, wideTile, false, 0.8f, 0.2f, 16.0f,
     15},
    {Material::cobbles, "cobbles", makeCobbles, smallMap, narrowTile, false, 0.8f, 0.35f, 32.0f,
     20},
    {Material::tiles, "tiles", makeTiles, smallMap, narrowTile, false, 0.8f, 0.5f, 48.0f, 23},
    {Material::basketweave, "basketweave", makeBasketweave, smallMap, narrowTile, false, 0.8f,
     0.25f, 16.0f, 22},
    {Material::slate, "slate", makeSlate, smallMap, narrowTile, false, 0.8f, 0.4f, 32.0f, 24},
    {Material::wornStep, "worn_step", makeWornStep, smallMap, narrowTile, false, 0.8f, 0.35f, 32.0f,
     25},
    {Material::embers, "embers", makeEmbers, fireMap, fireTile, true, 0.8f, 0.1f, 8.0f, 33},
    {Material::flame, "flame", makeFlame, flameMap, fireTile, true, 0.8f, 0.0f, 1.0f, 34},
};

constexpr std::size_t materialCount = std::size(materialTable);

// Each record stands at its enumerator's place and the enumerators end with the table, so
// every material the geometry names has its record and its mesh list; names and draw
// orders are each one material's own.
constexpr bool tableMatchesEnum() {
    for (std::size_t i = 0; i < materialCount; ++i) {
        if (static_cast<std::size_t>(materialTable[i].material) != i) {
            return false;
        }
    }
    return static_cast<std::size_t>(Material::listEnd) == materialCount;
}

constexpr bool recordsAreDistinct() {
    for (std::size_t i = 0; i < materialCount; ++i) {
        for (std::size_t j = i + 1; j < materialCount; ++j) {
            if (std::string_view(materialTable[i].name) == materialTable[j].name ||
                materialTable[i].drawOrder == materialTable[j].drawOrder) {
                return false;
            }
        }
    }
    return true;
}

static_assert(tableMatchesEnum(), "Material and materialTable list the same materials in order");
static_assert(recordsAreDistinct(), "two materials share a name or a draw order");
