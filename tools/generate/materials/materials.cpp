#include "materials.h"
#include "parts.h"

namespace {

constexpr const char* textureFolder = "Dungeon50/textures";
// Most materials cover two metres a tile at the large size; the rooms' small-patterned
// ones one metre at half the size, the same texel density for a quarter of the memory,
// and smooth plaster and dressed stone two metres at half the density. Flames are
// nearly flat.
constexpr int largeSize = 512;
constexpr int smallSize = 256;
constexpr int fireSize = 128;
constexpr int flameSize = 32;

struct Material {
    const char* name;
    Surface (*make)(int size);
    int size;
};

constexpr Material materials[] = {
    {"wall", makeWall, largeSize},
    {"floor", makeFloor, largeSize},
    {"ceiling", makeCeiling, largeSize},
    {"wood", makeWood, largeSize},
    {"metal", makeMetal, largeSize},
    {"ground", makeGround, largeSize},
    {"brick", makeBrick, smallSize},
    {"plaster", makePlaster, smallSize},
    {"dressed_stone", makeDressedStone, smallSize},
    {"rubble", makeRubble, smallSize},
    {"ruin_stone", makeRuinStone, smallSize},
    {"cobbles", makeCobbles, smallSize},
    {"tiles", makeTiles, smallSize},
    {"basketweave", makeBasketweave, smallSize},
    {"slate", makeSlate, smallSize},
    {"worn_step", makeWornStep, smallSize},
    {"embers", makeEmbers, fireSize},
    {"flame", makeFlame, flameSize},
};

} // namespace

bool generateMaterials(const std::string& root) {
    for (const Material& material : materials) {
        const std::string prefix = root + "/" + textureFolder + "/" + material.name;
        if (!saveSurface(prefix, material.make(material.size))) {
            return false;
        }
    }
    return true;
}
