#include "materials.h"
#include "parts.h"

namespace {

constexpr const char* textureFolder = "Dungeon50/textures";
constexpr int materialSize = 512;

struct Material {
    const char* name;
    Surface (*make)(int size);
};

constexpr Material materials[] = {
    {"wall", makeWall}, {"floor", makeFloor}, {"ceiling", makeCeiling},
    {"wood", makeWood}, {"metal", makeMetal}, {"ground", makeGround},
};

} // namespace

bool generateMaterials(const std::string& root) {
    for (const Material& material : materials) {
        const std::string prefix = root + "/" + textureFolder + "/" + material.name;
        if (!saveSurface(prefix, material.make(materialSize))) {
            return false;
        }
    }
    return true;
}
