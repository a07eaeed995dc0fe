#include "dungeon_layout.h"

#include "corridor_scenes.h"
#include "dungeon_outside.h"
#include "dungeon_props.h"
#include "effects/light_path.h"
#include "floor_rose.h"
#include "solids.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace {

// The light's route as the demo drives it.
constexpr int framesPerSecond = 60;
constexpr float showSeconds = 146.0f;
constexpr float floorMargin = 0.4f;
constexpr float groundMargin = 0.4f;
// Levels are rounded down to whole steps of this size.
constexpr float levelStep = 0.05f;

// What a room's walls, floor and ceiling are made of.
struct RoomLook {
    Material walls, floor, ceiling;
};

// Every room: x and z extents, the ceiling's height above the floor and its look.
struct RoomPlan {
    float minX, minZ, maxX, maxZ, height;
    RoomLook look;
};
constexpr RoomPlan entranceHall{-12.6f, 4.0f, -3.1f,
                                13.0f,  4.5f, {Material::wall, Material::floor, Material::ceiling}};
constexpr RoomPlan gatePassage{
    -10.6f, 3.0f, -4.6f, 3.7f, 2.6f, {Material::rubble, Material::cobbles, Material::ceiling}};
constexpr RoomPlan gallery{-2.5f, 6.2f, 2.6f,
                           9.8f,  4.2f, {Material::plaster, Material::basketweave, Material::wood}};
constexpr RoomPlan chapel{3.2f, 5.0f,
                          8.6f, 11.0f,
                          5.2f, {Material::dressedStone, Material::tiles, Material::dressedStone}};
constexpr RoomPlan corridor{-0.8f, -6.5f, 2.6f,
                            6.2f,  3.95f, {Material::brick, Material::cobbles, Material::ceiling}};
constexpr RoomPlan sideHall{-6.2f, -4.4f, -1.3f,
                            2.7f,  3.95f, {Material::rubble, Material::slate, Material::wood}};
// The stairs climb between weathered walls on treads worn hollow.
constexpr RoomLook stairsLook{Material::ruinStone, Material::wornStep, Material::ceiling};
// Openings are cut through the wall of `room`; their sills are worn by feet.
constexpr Material thresholdStone = Material::wornStep;
// The corridor's and the chapel's transverse arches are dressed stone.
constexpr Material ribStone = Material::dressedStone;
constexpr const RoomPlan* roomPlans[] = {&entranceHall, &gatePassage, &gallery,
                                         &chapel,       &corridor,    &sideHall};

// Openings through walls (or niches into them) with a round arch on top; heights
// above the floor; the span runs along spanAxis (0 = x, 2 = z).
struct OpeningPlan {
    float minX, minZ, maxX, maxZ, bottom, spring;
    int spanAxis;
    const RoomPlan* room;
};
constexpr OpeningPlan hallGate{-7.4f, 3.7f, -4.6f, 4.0f, 0.0f, 1.6f, 0, &entranceHall};
constexpr OpeningPlan chapelDoor{5.3f, 4.75f, 6.7f, 5.0f, 0.0f, 2.0f, 0, &chapel};
constexpr OpeningPlan openings[] = {
    {-3.1f, 6.7f, -2.5f, 9.3f, 0.0f, 2.25f, 2, &entranceHall}, // entrance hall to gallery
    {2.6f, 6.4f, 3.2f, 9.6f, 0.0f, 2.4f, 2, &chapel},          // gallery to chapel
    hallGate,
    chapelDoor,
    {-1.3f, -0.1f, -0.8f, 2.6f, 0.0f, 1.95f, 2, &corridor},     // corridor to side hall
    {-1.3f, -3.3f, -0.8f, -0.7f, 0.0f, 2.0f, 2, &corridor},     // corridor to side hall
    {-13.6f, 6.5f, -12.6f, 9.5f, 0.0f, 1.1f, 2, &entranceHall}, // alcove at the hall's west end
    {2.6f, 0.7f, 3.1f, 1.9f, 0.9f, 1.7f, 2, &corridor},         // niches in the corridor
    {2.6f, -2.5f, 3.1f, -1.3f, 0.9f, 1.7f, 2, &corridor},
    {-2.3f, 5.6f, -1.1f, 6.2f, 0.0f, 1.9f, 0, &gallery}, // niche in the gallery, urn on a plinth
};
constexpr size_t firstNiche = 7;
constexpr size_t candleNiche = 8;
constexpr size_t plinthNiche = 9;
// Candles burn in the candle niche, at these places across and along its sill.
constexpr glm::vec2 nicheCandles[] = {{0.0f, -0.3f}, {-0.05f, 0.0f}, {0.05f, 0.3f}};
constexpr float urnPlinthHeight = 1.1f;
constexpr float urnPlinthInset = 0.12f;
// Where the gate's bars stand along its opening's depth (z).
constexpr float gateBarDepth = 3.85f;

// Stairs from the corridor's end up to the ground outside; the first steps
// still lie under the vault, the rest in an open trench with a kerb along it.
constexpr int stepCount = 7;
constexpr float stepRun = 0.5f;
constexpr int roofedSteps = 2;
constexpr float treadThickness = 0.06f;
constexpr float treadNosing = 0.05f;
constexpr float kerbWidth = 0.3f;
constexpr float kerbHeight = 0.3f;
constexpr float outsideHalfWidth = 50.0f;
constexpr float outsideFarZ = -95.0f;
constexpr float skyHeight = 14.0f;

// Transverse arches: a pilaster against each wall and a round arch between them
// up to the ceiling. `middle` is their place along the room.
struct RibPlan {
    const RoomPlan* room;
    int spanAxis;
    float middle;
};
constexpr RibPlan ribs[] = {
    {&corridor, 0, 6.0f},  {&corridor, 0, 3.3f}, {&corridor, 0, -0.4f}, {&corridor, 0, -3.55f},
    {&corridor, 0, -6.3f}, {&chapel, 2, 4.9f},   {&chapel, 2, 6.9f},
};
constexpr float ribThickness = 0.3f;
constexpr float pilasterDepth = 0.2f;

struct PillarPlan {
    float x, z, height;
};
constexpr PillarPlan pillars[] = {
    {-11.0f, 10.2f, entranceHall.height},
    {-8.2f, 10.2f, entranceHall.height},
    {-11.0f, 6.0f, entranceHall.height},
    {-8.2f, 6.0f, entranceHall.height},
    {-3.75f, -1.0f, 3.6f}, // up to the beam above it
};

// Beams and other fixed blocks, as boxes; heights above the floor.
struct BlockPlan {
    float minX, minZ, maxX, maxZ, bottom, top;
};
constexpr BlockPlan beams[] = {
    {-12.6f, 10.02f, -3.1f, 10.38f, 4.08f, 4.5f}, {-12.6f, 5.82f, -3.1f, 6.18f, 4.08f, 4.5f},
    {-11.15f, 4.0f, -10.85f, 13.0f, 4.2f, 4.5f},  {-8.35f, 4.0f, -8.05f, 13.0f, 4.2f, 4.5f},
    {-5.55f, 4.0f, -5.25f, 13.0f, 4.2f, 4.5f},    {-1.74f, 6.2f, -1.46f, 9.8f, 3.88f, 4.2f},
    {-0.14f, 6.2f, 0.14f, 9.8f, 3.88f, 4.2f},     {1.46f, 6.2f, 1.74f, 9.8f, 3.88f, 4.2f},
    {-6.2f, -1.15f, -1.3f, -0.85f, 3.6f, 3.95f},  {-6.2f, 1.15f, -1.3f, 1.45f, 3.6f, 3.95f},
    {-6.2f, -3.45f, -1.3f, -3.15f, 3.6f, 3.95f},
};
// The chapel's altar: two steps of a dais against the east wall, a block on top.
constexpr BlockPlan altarStones[] = {
    {6.9f, 6.2f, 8.6f, 9.8f, 0.0f, 0.25f},
    {7.5f, 6.6f, 8.6f, 9.4f, 0.25f, 0.5f},
    {7.75f, 7.25f, 8.3f, 8.75f, 0.5f, 1.38f},
    {7.65f, 7.1f, 8.4f, 8.9f, 1.38f, 1.5f},
};
constexpr glm::vec3 chandelierAt{5.9f, 3.3f, 8.0f};
// Two candlesticks on the altar's top.
constexpr glm::vec3 altarCandles[] = {{8.0f, 1.5f, 7.45f}, {8.0f, 1.5f, 8.55f}};
// A shaft in the corridor's vault, barred at the bottom and open to the night sky.
constexpr BlockPlan lightWell{0.1f, 0.5f, 1.5f, 1.9f, corridor.height, corridor.height + 0.5f};
constexpr RoomLook lightWellLook{Material::brick, Material::brick, Material::brick};
constexpr float grateThickness = 0.05f;

// Loose things; base is the height of what they stand on.
struct CratePlan {
    float x, z, base, size, yaw;
};
constexpr CratePlan crates[] = {
    {-11.8f, 4.85f, 0.0f, 0.8f, 0.2f},   {-10.95f, 4.75f, 0.0f, 0.6f, -0.3f},
    {-11.75f, 4.85f, 0.8f, 0.55f, 0.6f}, {-9.4f, 9.35f, 0.0f, 0.7f, 0.25f},
    {-10.25f, 9.35f, 0.0f, 0.5f, -0.3f}, {-9.38f, 9.35f, 0.7f, 0.5f, 0.6f},
    {-1.15f, 9.3f, 0.0f, 0.7f, 0.15f},   {2.1f, 4.55f, 0.0f, 0.7f, 0.3f},
    {2.15f, 4.5f, 0.7f, 0.45f, -0.2f},   {-5.6f, 2.15f, 0.0f, 0.8f, 0.1f},
    {-5.65f, 1.25f, 0.0f, 0.6f, -0.4f},  {-5.55f, 2.15f, 0.8f, 0.55f, 0.45f},
    {-1.85f, 2.25f, 0.0f, 0.5f, 0.7f},   {4.0f, 10.5f, 0.0f, 0.7f, -0.2f},
};
struct SpotPlan {
    float x, z, base;
};
constexpr SpotPlan barrels[] = {
    {-11.9f, 12.35f, 0.0f}, {-11.2f, 12.4f, 0.0f}, {-2.0f, 9.3f, 0.0f},
    {2.15f, -4.4f, 0.0f},   {2.1f, -5.1f, 0.0f},   {-5.6f, -3.8f, 0.0f},
    {-4.95f, -3.85f, 0.0f}, {-5.6f, -3.15f, 0.0f}, {4.75f, 10.45f, 0.0f},
};
constexpr SpotPlan braziers[] = {{-13.1f, 8.0f, 0.0f}, {-2.5f, -2.1f, 0.0f}, {-8.2f, 4.6f, 0.0f},
                                 {-3.8f, 4.6f, 0.0f},  {7.2f, 6.85f, 0.25f}, {7.2f, 9.15f, 0.25f}};
// Wall brackets: a point on the wall and the wall's inward normal.
struct BracketPlan {
    float x, z, normalX, normalZ;
};
constexpr BracketPlan brackets[] = {
    {-7.9f, 4.0f, 0.0f, 1.0f},   {-4.1f, 4.0f, 0.0f, 1.0f},  {-1.0f, 9.8f, 0.0f, -1.0f},
    {2.6f, 4.8f, -1.0f, 0.0f},   {2.6f, -5.0f, -1.0f, 0.0f}, {-6.2f, 0.4f, 1.0f, 0.0f},
    {-12.6f, 11.2f, 1.0f, 0.0f}, {-12.6f, 4.9f, 1.0f, 0.0f}, {8.6f, 6.4f, -1.0f, 0.0f},
    {8.6f, 9.6f, -1.0f, 0.0f},
};
constexpr float bracketHeight = 1.9f;
constexpr glm::vec3 roseAt{-5.2f, 0.0f, 8.2f};

// How far past a face the air behind it is probed.
constexpr float faceProbe = 1e-3f;

struct AirRoom {
    Box box;
    RoomLook look;
    unsigned closedFaces;
};

float roundDown(float value) {
    return std::floor(value / levelStep) * levelStep;
}

float stairsEndZ() {
    return corridor.minZ - stepRun * static_cast<float>(stepCount);
}

Box roomBox(const RoomPlan& plan, float floorY) {
    return {{plan.minX, floorY, plan.minZ}, {plan.maxX, floorY + plan.height, plan.maxZ}};
}

Box blockBox(const BlockPlan& plan, float floorY) {
    return {{plan.minX, floorY + plan.bottom, plan.minZ},
            {plan.maxX, floorY + plan.top, plan.maxZ}};
}

Arch openingArch(const OpeningPlan& plan, float floorY) {
    const bool alongX = plan.spanAxis == 0;
    Arch arch;
    arch.spanAxis = plan.spanAxis;
    arch.spanMin = alongX ? plan.minX : plan.minZ;
    arch.spanMax = alongX ? plan.maxX : plan.maxZ;
    arch.depthMin = alongX ? plan.minZ : plan.minX;
    arch.depthMax = alongX ? plan.maxZ : plan.maxX;
    arch.springY = floorY + plan.spring;
    arch.topY = arch.springY + 0.5f * (arch.spanMax - arch.spanMin);
    return arch;
}

Box openingBox(const OpeningPlan& plan, float floorY) {
    return {{plan.minX, floorY + plan.bottom, plan.minZ},
            {plan.maxX, openingArch(plan, floorY).topY, plan.maxZ}};
}

// The air over each step, the first ones under the vault, the rest up to the ground.
std::vector<Box> stairBoxes(const Levels& levels) {
    std::vector<Box> steps;
    const float rise = (levels.groundY - levels.floorY) / static_cast<float>(stepCount + 1);
    for (int k = 1; k <= stepCount; ++k) {
        const float top = k <= roofedSteps ? levels.floorY + corridor.height : levels.groundY;
        steps.push_back(
            {{corridor.minX, levels.floorY + rise * static_cast<float>(k),
              corridor.minZ - stepRun * static_cast<float>(k)},
             {corridor.maxX, top, corridor.minZ - stepRun * static_cast<float>(k - 1)}});
    }
    return steps;
}

Box outsideBox(const Levels& levels) {
    const float mouthZ = corridor.minZ - stepRun * static_cast<float>(roofedSteps);
    return {{-outsideHalfWidth, levels.groundY, outsideFarZ},
            {outsideHalfWidth, levels.groundY + skyHeight, mouthZ}};
}

// Rooms, openings, the stairs and the ground outside, as boxes of air.
std::vector<AirRoom> airRooms(const Levels& levels) {
    std::vector<AirRoom> rooms;
    for (const RoomPlan* plan : roomPlans) {
        rooms.push_back({roomBox(*plan, levels.floorY), plan->look, allFaces});
    }
    for (const OpeningPlan& plan : openings) {
        RoomLook look = plan.room->look;
        look.floor = thresholdStone;
        rooms.push_back({openingBox(plan, levels.floorY), look, allFaces});
    }
    for (const Box& step : stairBoxes(levels)) {
        rooms.push_back({step, stairsLook, allFaces});
    }
    rooms.push_back({blockBox(lightWell, levels.floorY), lightWellLook, allFaces & ~facePosY});
    // Open to the sky and to the horizon: only the ground (and the side facing
    // the dungeon, which nothing sees) is drawn.
    rooms.push_back({outsideBox(levels),
                     {Material::ground, Material::ground, Material::ground},
                     faceNegY | facePosZ});
    return rooms;
}

std::vector<PlaceAir> showPlaces(const Levels& levels) {
    return {{Place::entranceHall, {roomBox(entranceHall, levels.floorY)}},
            {Place::gallery, {roomBox(gallery, levels.floorY)}},
            {Place::chapel, {roomBox(chapel, levels.floorY)}},
            {Place::corridor, {roomBox(corridor, levels.floorY)}},
            {Place::sideHall, {roomBox(sideHall, levels.floorY)}},
            {Place::stairs, stairBoxes(levels)},
            {Place::openAir, {outsideBox(levels)}}};
}

// One face of a room cut into a grid by the edges of every other room; a cell is
// wall where no room's air lies right behind it.
struct FaceGrid {
    int axis;
    int a;
    int c;
    float plane;
    std::vector<float> cutsA;
    std::vector<float> cutsC;
    std::vector<char> wall;

    bool isWall(size_t i, size_t k) const { return wall[i * (cutsC.size() - 1) + k] == 1; }
    void take(size_t i, size_t k) { wall[i * (cutsC.size() - 1) + k] = 2; }
};

std::vector<float> cutsAlong(const std::vector<AirRoom>& rooms, const Box& box, int axis) {
    std::vector<float> cuts = {box.min[axis], box.max[axis]};
    for (const AirRoom& other : rooms) {
        for (float v : {other.box.min[axis], other.box.max[axis]}) {
            if (v > box.min[axis] && v < box.max[axis]) {
                cuts.push_back(v);
            }
        }
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
}

FaceGrid faceGrid(const std::vector<AirRoom>& rooms, const Box& box, int axis, int side) {
    FaceGrid grid{
        axis, (axis + 1) % 3, (axis + 2) % 3, side > 0 ? box.max[axis] : box.min[axis], {}, {}, {}};
    grid.cutsA = cutsAlong(rooms, box, grid.a);
    grid.cutsC = cutsAlong(rooms, box, grid.c);
    for (size_t i = 0; i + 1 < grid.cutsA.size(); ++i) {
        for (size_t k = 0; k + 1 < grid.cutsC.size(); ++k) {
            glm::vec3 behind;
            behind[axis] = grid.plane + faceProbe * static_cast<float>(side);
            behind[grid.a] = 0.5f * (grid.cutsA[i] + grid.cutsA[i + 1]);
            behind[grid.c] = 0.5f * (grid.cutsC[k] + grid.cutsC[k + 1]);
            const bool open = std::any_of(rooms.begin(), rooms.end(), [&](const AirRoom& other) {
                return contains(other.box, behind);
            });
            grid.wall.push_back(open ? 0 : 1);
        }
    }
    return grid;
}

// Emits the wall cells, merged greedily into rectangles.
void addFaceGrid(MeshSet& mesh, FaceGrid& grid, Material material, glm::vec3 normal) {
    const size_t countA = grid.cutsA.size() - 1;
    const size_t countC = grid.cutsC.size() - 1;
    auto corner = [&](size_t i, size_t k) {
        glm::vec3 p;
        p[grid.axis] = grid.plane;
        p[grid.a] = grid.cutsA[i];
        p[grid.c] = grid.cutsC[k];
        return p;
    };
    for (size_t i = 0; i < countA; ++i) {
        for (size_t k = 0; k < countC; ++k) {
            if (!grid.isWall(i, k)) {
                continue;
            }
            size_t endK = k + 1;
            while (endK < countC && grid.isWall(i, endK)) {
                ++endK;
            }
            size_t endI = i + 1;
            auto rowIsWall = [&](size_t row) {
                for (size_t kk = k; kk < endK; ++kk) {
                    if (!grid.isWall(row, kk)) {
                        return false;
                    }
                }
                return true;
            };
            while (endI < countA && rowIsWall(endI)) {
                ++endI;
            }
            for (size_t ii = i; ii < endI; ++ii) {
                for (size_t kk = k; kk < endK; ++kk) {
                    grid.take(ii, kk);
                }
            }
            addPolygon(mesh, material,
                       {corner(i, k), corner(endI, k), corner(endI, endK), corner(i, endK)},
                       normal);
        }
    }
}

// The inside surfaces of the union of the rooms.
void addRoomSurfaces(MeshSet& mesh, const std::vector<AirRoom>& rooms) {
    const unsigned positiveFlag[3] = {facePosX, facePosY, facePosZ};
    const unsigned negativeFlag[3] = {faceNegX, faceNegY, faceNegZ};
    for (const AirRoom& room : rooms) {
        for (int axis = 0; axis < 3; ++axis) {
            for (int side = -1; side <= 1; side += 2) {
                if ((room.closedFaces & (side > 0 ? positiveFlag[axis] : negativeFlag[axis])) ==
                    0) {
                    continue;
                }
                FaceGrid grid = faceGrid(rooms, room.box, axis, side);
                glm::vec3 normal(0.0f);
                normal[axis] = -static_cast<float>(side);
                const Material material =
                    axis != 1 ? room.look.walls : (side < 0 ? room.look.floor : room.look.ceiling);
                addFaceGrid(mesh, grid, material, normal);
            }
        }
    }
}

void addRib(Solids& solids, const RibPlan& rib, float floorY) {
    const RoomPlan& room = *rib.room;
    const int depthAxis = rib.spanAxis == 0 ? 2 : 0;
    const float spanMin = rib.spanAxis == 0 ? room.minX : room.minZ;
    const float spanMax = rib.spanAxis == 0 ? room.maxX : room.maxZ;
    const float top = floorY + room.height;
    const unsigned depthFaces = depthAxis == 0 ? facePosX | faceNegX : facePosZ | faceNegZ;
    for (int side = 0; side < 2; ++side) {
        Box pilaster;
        pilaster.min[rib.spanAxis] = side == 0 ? spanMin : spanMax - pilasterDepth;
        pilaster.max[rib.spanAxis] = side == 0 ? spanMin + pilasterDepth : spanMax;
        pilaster.min[depthAxis] = rib.middle - 0.5f * ribThickness;
        pilaster.max[depthAxis] = rib.middle + 0.5f * ribThickness;
        pilaster.min.y = floorY;
        pilaster.max.y = top;
        const unsigned inward = rib.spanAxis == 0 ? (side == 0 ? facePosX : faceNegX)
                                                  : (side == 0 ? facePosZ : faceNegZ);
        addSolidBox(solids, ribStone, pilaster, inward | depthFaces);
    }
    Arch arch;
    arch.spanAxis = rib.spanAxis;
    arch.spanMin = spanMin + pilasterDepth;
    arch.spanMax = spanMax - pilasterDepth;
    arch.depthMin = rib.middle - 0.5f * ribThickness;
    arch.depthMax = rib.middle + 0.5f * ribThickness;
    arch.topY = top;
    arch.springY = top - 0.5f * (arch.spanMax - arch.spanMin);
    addSolidArch(solids, ribStone, arch);
}

void addStairFurniture(Solids& solids, const Levels& levels) {
    const float rise = (levels.groundY - levels.floorY) / static_cast<float>(stepCount + 1);
    for (int k = 1; k <= stepCount; ++k) {
        const float y = levels.floorY + rise * static_cast<float>(k);
        const float front = corridor.minZ - stepRun * static_cast<float>(k - 1);
        addSolidBox(solids, stairsLook.floor,
                    {{corridor.minX, y, front - stepRun},
                     {corridor.maxX, y + treadThickness, front + treadNosing}},
                    facePosY | faceNegY | facePosZ);
    }
    const float mouthZ = corridor.minZ - stepRun * static_cast<float>(roofedSteps);
    for (float x : {corridor.minX - kerbWidth, corridor.maxX}) {
        addSolidBox(solids, stairsLook.walls,
                    {{x, levels.groundY, stairsEndZ()},
                     {x + kerbWidth, levels.groundY + kerbHeight, mouthZ}},
                    allFaces & ~faceNegY);
    }
}

void addRoomFurniture(Solids& solids, float floorY) {
    for (const RibPlan& rib : ribs) {
        addRib(solids, rib, floorY);
    }
    for (const OpeningPlan& plan : openings) {
        addSolidArch(solids, plan.room->look.walls, openingArch(plan, floorY));
    }
    for (const PillarPlan& pillar : pillars) {
        addPillar(solids, {pillar.x, floorY, pillar.z}, pillar.height);
    }
    for (const BlockPlan& beam : beams) {
        addSolidBox(solids, Material::wood, blockBox(beam, floorY), allFaces & ~facePosY);
    }
    for (const BlockPlan& stone : altarStones) {
        addSolidBox(solids, Material::wall, blockBox(stone, floorY), allFaces & ~faceNegY);
    }
    addChandelier(solids, chandelierAt + glm::vec3(0.0f, floorY, 0.0f), floorY + chapel.height);
    for (const glm::vec3& candle : altarCandles) {
        addTableware(solids, Tableware::candlestick, candle + glm::vec3(0.0f, floorY, 0.0f));
    }
    addGrate(solids, blockBox(lightWell, floorY), grateThickness);
    addCorridorBays(solids, floorY);
    addSideHallScene(solids, floorY);
    addPlankDoor(solids, openingBox(chapelDoor, floorY));
    addBarredGate(solids, openingArch(hallGate, floorY), floorY, gateBarDepth);
    addFloorRose(solids, roseAt + glm::vec3(0.0f, floorY, 0.0f));

    for (const CratePlan& crate : crates) {
        const float half = 0.5f * crate.size;
        addSolidBlock(solids, Material::wood,
                      {{crate.x, floorY + crate.base + half, crate.z}, glm::vec3(half), crate.yaw},
                      allFaces & ~faceNegY);
    }
    for (const SpotPlan& barrel : barrels) {
        addBarrel(solids, {barrel.x, floorY + barrel.base, barrel.z});
    }
    for (const SpotPlan& brazier : braziers) {
        addBrazier(solids, {brazier.x, floorY + brazier.base, brazier.z});
    }
    for (const BracketPlan& bracket : brackets) {
        addBracket(solids, {bracket.x, floorY + bracketHeight, bracket.z},
                   {bracket.normalX, 0.0f, bracket.normalZ});
    }
    for (size_t i = firstNiche; i < std::size(openings); ++i) {
        const OpeningPlan& niche = openings[i];
        glm::vec3 base(0.5f * (niche.minX + niche.maxX), floorY + niche.bottom,
                       0.5f * (niche.minZ + niche.maxZ));
        if (i == plinthNiche) {
            addSolidBox(solids, Material::wall,
                        {{niche.minX + urnPlinthInset, base.y, niche.minZ},
                         {niche.maxX - urnPlinthInset, base.y + urnPlinthHeight,
                          niche.maxZ - urnPlinthInset}},
                        allFaces & ~faceNegY & ~faceNegZ);
            base.y += urnPlinthHeight;
        }
        if (i == candleNiche) {
            for (const glm::vec2& candle : nicheCandles) {
                addCandle(solids, base + glm::vec3(candle.x, 0.0f, candle.y));
            }
            continue;
        }
        addUrn(solids, base);
    }
}

} // namespace

std::vector<glm::vec3> simulateLightRoute() {
    return pointLightRoute(static_cast<int>(showSeconds * framesPerSecond),
                           static_cast<float>(framesPerSecond));
}

Levels levelsForRoute(const std::vector<glm::vec3>& route) {
    float lowest = std::numeric_limits<float>::max();
    float lowestOutside = std::numeric_limits<float>::max();
    for (const glm::vec3& p : route) {
        lowest = std::min(lowest, p.y);
        if (p.z < stairsEndZ()) {
            lowestOutside = std::min(lowestOutside, p.y);
        }
    }
    Levels levels;
    levels.floorY = roundDown(lowest - floorMargin);
    // A route that never leaves the stairs puts the ground level with the vault.
    levels.groundY = lowestOutside < std::numeric_limits<float>::max()
                         ? roundDown(lowestOutside - groundMargin)
                         : levels.floorY + corridor.height;
    return levels;
}

void buildDungeon(const Levels& levels, MeshSet& mesh, OpenSpace& space, SoundPlan& sound) {
    const std::vector<AirRoom> rooms = airRooms(levels);
    addRoomSurfaces(mesh, rooms);
    for (const AirRoom& room : rooms) {
        space.air.push_back(room.box);
    }
    space.skylights.push_back(blockBox(lightWell, levels.floorY));
    sound.places = showPlaces(levels);
    sound.lightWell = blockBox(lightWell, levels.floorY);
    Solids solids{mesh, space.solids, sound.fires};
    addStairFurniture(solids, levels);
    addRoomFurniture(solids, levels.floorY);
    addOutsideFurniture(solids, levels.groundY);
}
