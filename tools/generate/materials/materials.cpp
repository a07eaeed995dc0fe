#include "materials.h"
#include "parts.h"

#include <cstdio>

namespace {

constexpr const char* textureFolder = "Dungeon50/textures";

} // namespace

bool generateMaterials(const std::string& root) {
    for (const MaterialRecord& record : materialTable) {
        const Surface surface = record.paint(record.mapSize);
        // The glow goes out as the diffuse map's alpha, which the demo reads as fire.
        if (surface.glow.empty() == record.glows) {
            std::fprintf(stderr, "generate_content: the %s's glow is not as its record says\n",
                         record.name);
            return false;
        }
        if (!saveSurface(root + "/" + textureFolder + "/" + record.name, surface)) {
            return false;
        }
    }
    return true;
}
