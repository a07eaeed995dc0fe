#include "dungeon_geometry.h"
#include "dungeon_layout.h"
#include "obj_file.h"
#include "open_space.h"
#include "parts.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* dungeonFolder = "Dungeon50";
constexpr const char* objFileName = "Dungeon.obj";
constexpr const char* mtlFileName = "Dungeon.mtl";
constexpr const char* openSpaceFileName = "open_space.txt";
// The demo draws the model scaled by this; the model file holds world / scale.
constexpr float modelScale = 0.1f;
// The light must keep this far from every wall, floor and prop.
constexpr float lightClearance = 0.3f;
constexpr int framesPerSecond = 60;

} // namespace

bool generateDungeon(const std::string& root) {
    const auto started = std::chrono::steady_clock::now();
    const std::vector<glm::vec3> route = simulateLightRoute();
    const Levels levels = levelsForRoute(route);
    MeshSet mesh;
    OpenSpace space;
    SoundPlan sound;
    buildDungeon(levels, mesh, space, sound);
    joinTJunctions(mesh);

    // A route through a wall would show the light inside stone: refuse to write.
    for (size_t frame = 0; frame < route.size(); ++frame) {
        if (!isOpen(space, route[frame], lightClearance)) {
            std::fprintf(stderr,
                         "generate_content: the light at %.2f s (%.2f, %.2f, %.2f) is not in the "
                         "open\n",
                         static_cast<double>(frame) / framesPerSecond,
                         static_cast<double>(route[frame].x), static_cast<double>(route[frame].y),
                         static_cast<double>(route[frame].z));
            return false;
        }
    }

    const std::filesystem::path folder = std::filesystem::path(root) / dungeonFolder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!writeObj((folder / objFileName).string(), mesh, mtlFileName, modelScale) ||
        !writeMtl((folder / mtlFileName).string()) ||
        !writeOpenSpace((folder / openSpaceFileName).string(), space)) {
        return false;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("dungeon: %zu triangles, floor %.2f, ground %.2f, %.2f s\n", triangleCount(mesh),
                static_cast<double>(levels.floorY), static_cast<double>(levels.groundY), seconds);
    return true;
}
