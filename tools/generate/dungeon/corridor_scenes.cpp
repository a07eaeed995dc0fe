#include "corridor_scenes.h"

#include "dungeon_props.h"
#include "toolkit/noise.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Boxes as x and z extents and heights above the floor.
struct BoxPlan {
    float minX, minZ, maxX, maxZ, bottom, top;
};

Box boxAt(const BoxPlan& plan, float floorY) {
    return {{plan.minX, floorY + plan.bottom, plan.minZ},
            {plan.maxX, floorY + plan.top, plan.maxZ}};
}

// The first bay: a bench of two stone slabs on the west wall, a candle and a tankard on it.
constexpr BoxPlan benchSupports[] = {{-0.8f, 3.9f, -0.47f, 4.1f, 0.0f, 0.4f},
                                     {-0.8f, 5.1f, -0.47f, 5.3f, 0.0f, 0.4f}};
constexpr BoxPlan benchSeat{-0.8f, 3.75f, -0.42f, 5.45f, 0.4f, 0.48f};
constexpr glm::vec3 benchCandle{-0.6f, 0.48f, 4.0f};
constexpr glm::vec3 benchTankard{-0.62f, 0.48f, 4.45f};

// The last bay: the west wall's facing has fallen; its bricks lie heaped against the wall.
constexpr std::uint64_t heapSeed = 0x6ea9;
constexpr int heapStones = 40;
constexpr float heapWall = -0.8f;
constexpr float heapReach = 0.65f; // how far from the wall the heap runs out
constexpr float heapFromZ = -5.9f;
constexpr float heapToZ = -4.1f;
constexpr float heapTop = 0.75f; // at the wall, falling to nothing at its reach
constexpr glm::vec3 heapStoneSmallest{0.1f, 0.04f, 0.06f};
constexpr glm::vec3 heapStoneLargest{0.2f, 0.08f, 0.12f};

// The side hall: a hearth on its west wall with a hood above it up to the ceiling.
constexpr BoxPlan hearthStones[] = {
    {-6.2f, -2.1f, -5.55f, -0.3f, 0.0f, 0.12f},  // hearth slab
    {-6.2f, -2.0f, -5.75f, -1.78f, 0.12f, 1.1f}, // jambs
    {-6.2f, -0.62f, -5.75f, -0.4f, 0.12f, 1.1f},
    {-6.2f, -2.12f, -5.65f, -0.28f, 1.1f, 1.28f}, // mantel
    {-6.2f, -1.9f, -5.85f, -0.5f, 1.28f, 3.95f},  // hood
};
constexpr glm::vec3 hearthFireAt{-5.98f, 0.12f, -1.2f};
// The table in the side hall with a bench each side: its middle, its turn and its top's height, and
// what is laid on it, in the table's own frame (across, along).
constexpr glm::vec3 tableAt{-3.9f, 0.0f, 1.2f};
constexpr float tableYaw = 0.08f;
constexpr float tableTop = 0.85f;
struct LaidThing {
    Tableware kind;
    float across, along;
};
constexpr LaidThing tableSetting[] = {
    {Tableware::candlestick, 0.0f, -0.55f}, {Tableware::candlestick, 0.05f, 0.1f},
    {Tableware::candlestick, -0.05f, 0.7f}, {Tableware::plate, -0.28f, -0.3f},
    {Tableware::plate, 0.27f, -0.35f},      {Tableware::plate, -0.26f, 0.45f},
    {Tableware::tankard, -0.3f, 0.05f},     {Tableware::tankard, 0.3f, 0.2f},
    {Tableware::tankard, 0.26f, 0.75f},     {Tableware::bowl, 0.0f, -0.15f},
};

} // namespace

void addCorridorBays(Solids& solids, float floorY) {
    for (const BoxPlan& support : benchSupports) {
        addSolidBox(solids, Material::dressedStone, boxAt(support, floorY),
                    allFaces & ~faceNegY & ~faceNegX);
    }
    addSolidBox(solids, Material::dressedStone, boxAt(benchSeat, floorY), allFaces & ~faceNegX);
    addCandle(solids, benchCandle + up(floorY));
    addTableware(solids, Tableware::tankard, benchTankard + up(floorY));

    // Each stone lies on the floor or on the stones fallen before it, no higher than the
    // heap's slope allows there.
    Pcg32 random = makePcg32(heapSeed);
    std::vector<Box> fallen;
    for (int stone = 0; stone < heapStones; ++stone) {
        const float out = nextRange(random, 0.0f, 1.0f);
        const float z = nextRange(random, heapFromZ, heapToZ);
        const glm::vec3 half(nextRange(random, heapStoneSmallest.x, heapStoneLargest.x),
                             nextRange(random, heapStoneSmallest.y, heapStoneLargest.y),
                             nextRange(random, heapStoneSmallest.z, heapStoneLargest.z));
        const float yaw = nextRange(random, -0.6f, 0.6f);
        const float x = heapWall + half.x + out * (heapReach - half.x);
        // The footprint turned by yaw stays within this reach of the middle.
        const float reach = std::hypot(half.x, half.z);
        float bottom = floorY;
        for (const Box& below : fallen) {
            if (x + reach > below.min.x && x - reach < below.max.x && z + reach > below.min.z &&
                z - reach < below.max.z) {
                bottom = std::max(bottom, below.max.y);
            }
        }
        if (bottom > floorY + heapTop * (1.0f - out)) {
            continue;
        }
        const glm::vec3 centre(x, bottom + half.y, z);
        addSolidBlock(solids, Material::brick, {centre, half, yaw});
        fallen.push_back(
            {centre - glm::vec3(reach, half.y, reach), centre + glm::vec3(reach, half.y, reach)});
    }
}

void addSideHallScene(Solids& solids, float floorY) {
    for (const BoxPlan& stone : hearthStones) {
        addSolidBox(solids, Material::dressedStone, boxAt(stone, floorY), allFaces & ~faceNegX);
    }
    addHearthFire(solids, hearthFireAt + up(floorY));
    addTableWithBenches(solids, tableAt + up(floorY), tableYaw);

    const glm::vec3 across(std::cos(tableYaw), 0.0f, -std::sin(tableYaw));
    const glm::vec3 along(std::sin(tableYaw), 0.0f, std::cos(tableYaw));
    for (const LaidThing& thing : tableSetting) {
        addTableware(solids, thing.kind,
                     tableAt + up(floorY + tableTop) + across * thing.across + along * thing.along);
    }
}
