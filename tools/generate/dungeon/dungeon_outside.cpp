#include "dungeon_outside.h"

#include "dungeon_props.h"
#include "toolkit/noise.h"

#include <glm/geometric.hpp>
#include <glm/vector_relational.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <vector>

namespace {

// Everything built of stone out here has weathered under the sky.
constexpr Material ruinMaterial = Material::ruinStone;

struct RuinPlan {
    float x0, z0, x1, z1, low, high;
};
constexpr RuinPlan ruins[] = {
    {-12.0f, -19.5f, -1.6f, -19.5f, 0.4f, 2.4f},
    {3.6f, -19.5f, 14.0f, -19.5f, 0.4f, 2.2f},
    {-8.0f, -9.5f, -8.0f, -18.5f, 0.3f, 1.6f},
    {10.0f, -10.5f, 10.0f, -18.5f, 0.3f, 1.4f},
};
constexpr std::uint64_t ruinSeed = 0x4a11;
// Upright things: where they stand and how tall they are.
struct ColumnPlan {
    float x, z, height;
};
constexpr ColumnPlan gatePosts[] = {{-1.25f, -19.5f, 3.2f}, {3.25f, -19.5f, 2.9f}};
constexpr float gatePostHalf = 0.35f;
constexpr ColumnPlan stumps[] = {
    {-5.4f, -12.5f, 1.4f}, {7.4f, -13.5f, 0.8f}, {-6.0f, -16.0f, 2.2f}};
struct RubblePlan {
    float x, z, size;
};
constexpr RubblePlan rubble[] = {{-2.6f, -11.6f, 0.4f}, {4.4f, -12.3f, 0.35f},
                                 {-1.7f, -14.2f, 0.3f}, {5.1f, -16.6f, 0.45f},
                                 {-3.2f, -17.0f, 0.3f}, {1.9f, -17.8f, 0.25f}};
constexpr std::uint64_t rubbleSeed = 0x7b1e;
constexpr float rubbleTurn = 3.0f;
// Low mounds on the open ground, kept off the ruins and the camera's way out; far off,
// long rises lift the ground's edge into the hills on the horizon.
struct MoundPlan {
    float x, z, radiusX, radiusZ, height, yaw;
};
constexpr MoundPlan mounds[] = {
    {-20.0f, -14.0f, 5.0f, 3.5f, 0.5f, 0.4f},  {21.0f, -16.0f, 6.0f, 4.0f, 0.7f, -0.3f},
    {-16.0f, -30.0f, 8.0f, 5.0f, 1.0f, 0.2f},  {8.0f, -32.0f, 9.0f, 6.0f, 0.8f, 0.6f},
    {30.0f, -36.0f, 10.0f, 7.0f, 1.6f, -0.5f}, {-34.0f, -40.0f, 9.0f, 8.0f, 1.4f, 0.9f},
    {-4.0f, -48.0f, 12.0f, 7.0f, 1.2f, 0.1f},  {-28.0f, -75.0f, 17.0f, 11.0f, 4.5f, 0.15f},
    {6.0f, -80.0f, 20.0f, 9.0f, 3.5f, -0.1f},  {34.0f, -80.0f, 14.0f, 12.0f, 5.0f, 0.3f},
};
constexpr std::uint64_t moundSeed = 0x30d5;
// Small stones strewn over the ground around the ruins, none on the camera's way out
// or under the stars' region, none on a mound.
constexpr int scatteredStones = 40;
constexpr std::uint64_t stoneSeed = 0x57a7;
constexpr float stoneSmallest = 0.1f;
constexpr float stoneLargest = 0.3f;
constexpr glm::vec2 stoneFieldMin{-32.0f, -44.0f};
constexpr glm::vec2 stoneFieldMax{32.0f, -9.0f};
constexpr glm::vec2 stoneKeepOutMin{-6.0f, -19.0f};
constexpr glm::vec2 stoneKeepOutMax{8.0f, -4.0f};

// An arch left standing alone beyond the ruined wall: two piers, the arch between them
// and a slab on top; along x, at depth z.
struct LoneArchPlan {
    float spanMin, spanMax, z, pierWidth, depth, spring, capHeight;
};
constexpr LoneArchPlan loneArch{5.2f, 7.0f, -25.0f, 0.6f, 0.8f, 2.6f, 0.35f};
// A column fallen in drums, each lying on the ground along its own heading.
struct DrumPlan {
    float x, z, yaw, radius, length;
};
constexpr DrumPlan fallenDrums[] = {
    {2.6f, -14.2f, 0.35f, 0.21f, 0.7f}, {3.45f, -14.55f, 0.5f, 0.21f, 0.65f},
    {4.35f, -15.2f, 0.9f, 0.2f, 0.6f},  {-6.9f, -14.6f, 1.4f, 0.3f, 0.8f},
    {-7.1f, -13.3f, 1.9f, 0.3f, 0.75f}, {8.3f, -14.8f, 0.6f, 0.3f, 0.9f},
};
constexpr int drumSegments = 12;
// A path of worn flags from the stairs to the gap in the ruined wall and beyond, two
// abreast, some missing; the flags barely stand out of the ground.
constexpr std::uint64_t pathSeed = 0x9a7f;
constexpr float pathX = 1.0f;
constexpr float pathFromZ = -10.4f;
constexpr float pathToZ = -27.0f;
constexpr float pathStep = 0.62f;
constexpr float pathFlagHalfWidth = 0.33f;
constexpr float pathFlagHalfLength = 0.28f;
constexpr float pathFlagHalfHeight = 0.015f;
constexpr float pathFlagRise = 0.02f;
constexpr float pathMissing = 0.15f;
constexpr float pathWander = 0.08f;
constexpr float pathTwist = 0.12f;
// Scree: small stones fallen at the foot of each ruined wall, on both sides of it.
constexpr std::uint64_t screeSeed = 0x5c3e;
constexpr int screePerMetre = 2;
constexpr float screeReach = 0.9f;
constexpr float screeSmallest = 0.14f;
constexpr float screeLargest = 0.24f;

// Ruined walls: courses of blocks of random length; the broken top is a random
// walk sampled every ruinProfileStep along the wall.
constexpr float ruinThickness = 0.6f;
constexpr float courseHeight = 0.4f;
constexpr float blockShortest = 0.45f;
constexpr float blockLongest = 0.9f;
constexpr float blockJoint = 0.01f;
constexpr float blockInset = 0.06f;
constexpr float blockTwist = 0.04f;
// Worn blocks of the top course are lower than a full course by up to this fraction.
constexpr float blockLowest = 0.8f;
constexpr float ruinGapChance = 0.3f;
constexpr float ruinProfileStep = 0.5f;
constexpr float ruinRoughness = 0.4f;
constexpr float shortestRemainder = 0.05f;

// Mounds: rings and segments of their grid; the rim lies this much further out than the
// foot and this deep below the ground; each point's height varies by up to this part of
// the mound's height at that distance from the middle.
constexpr int moundRings = 8;
constexpr int moundSegments = 24;
constexpr float moundRim = 1.06f;
constexpr float moundSink = 0.05f;
constexpr float moundRoughness = 0.15f;

// Rubble: a flattened block of the given size, sunk this far.
constexpr glm::vec3 rubbleShape{1.0f, 0.6f, 0.8f};
constexpr float rubbleSink = 0.03f;

// A broken wall of stacked blocks from `from` to `to` whose top wanders between
// `low` and `high` above them.
void addRuinWall(Solids& solids, glm::vec3 from, glm::vec3 to, float low, float high,
                 Pcg32& random) {
    const float length = glm::length(to - from);
    const glm::vec3 along = (to - from) / length;
    const glm::vec3 sideways(-along.z, 0.0f, along.x);
    const float yaw = std::atan2(-along.z, along.x);
    std::vector<float> top(static_cast<size_t>(length / ruinProfileStep) + 2);
    float height = 0.5f * (low + high);
    for (float& sample : top) {
        height = std::clamp(height + nextRange(random, -ruinRoughness, ruinRoughness), low, high);
        sample = height;
    }
    const int courses = static_cast<int>(high / courseHeight) + 1;
    for (int course = 0; course < courses; ++course) {
        const float courseBottom = courseHeight * static_cast<float>(course);
        const float courseMiddle = courseBottom + 0.5f * courseHeight;
        // Each course has its own joints, like laid masonry.
        float covered = 0.0f;
        while (covered < length - shortestRemainder) {
            const float blockLength =
                std::min(nextRange(random, blockShortest, blockLongest), length - covered);
            const float middle = covered + 0.5f * blockLength;
            covered += blockLength;
            const float wanted = top[static_cast<size_t>(middle / ruinProfileStep)];
            // Blocks of the broken top course are worn down or missing.
            const bool topCourse = wanted < courseMiddle + courseHeight;
            if (wanted < courseMiddle || (topCourse && nextFloat(random) < ruinGapChance)) {
                continue;
            }
            const float inset = nextRange(random, 0.0f, blockInset);
            const float blockHeight =
                topCourse ? courseHeight * nextRange(random, blockLowest, 1.0f) : courseHeight;
            const float shift = nextRange(random, -blockInset, blockInset);
            addSolidBlock(
                solids, ruinMaterial,
                {from + along * middle + sideways * shift + up(courseBottom + 0.5f * blockHeight),
                 {0.5f * blockLength - blockJoint, 0.5f * blockHeight - blockJoint,
                  0.5f * ruinThickness - inset},
                 yaw + nextRange(random, -blockTwist, blockTwist)},
                allFaces & ~faceNegY);
        }
    }
}

// A loose block of stone, sunk a little into the ground.
void addRubble(Solids& solids, glm::vec3 base, float size, float yaw) {
    const glm::vec3 half = 0.5f * size * rubbleShape;
    addSolidBlock(solids, ruinMaterial, {base + up(half.y - rubbleSink), half, yaw},
                  allFaces & ~faceNegY);
}

// A low rise of the ground: an elliptic mound `height` high at its middle, with radii
// along its own x and z (turned by `yaw`), its rim sunk a little below the ground so no
// crack shows where the two meet.
void addMound(Solids& solids, glm::vec3 base, glm::vec2 radii, float height, float yaw,
              Pcg32& random) {
    const float c = std::cos(yaw);
    const float s = std::sin(yaw);
    // The grid's points: the top, then ring by ring outwards, the last one the sunk rim.
    std::vector<glm::vec3> points = {base + up(height)};
    for (int ring = 1; ring <= moundRings + 1; ++ring) {
        const float reach = ring > moundRings ? moundRim : static_cast<float>(ring) / moundRings;
        const float profile = 0.5f * (1.0f + std::cos(std::min(reach, 1.0f) * piFloat));
        for (int segment = 0; segment < moundSegments; ++segment) {
            const float angle = twoPi * static_cast<float>(segment) / moundSegments;
            const glm::vec2 local(reach * radii.x * std::cos(angle),
                                  reach * radii.y * std::sin(angle));
            const float roughness = 1.0f + nextRange(random, -moundRoughness, moundRoughness);
            const float y = ring > moundRings ? -moundSink : height * profile * roughness;
            points.push_back(base +
                             glm::vec3(c * local.x + s * local.y, y, -s * local.x + c * local.y));
        }
    }
    auto at = [](int ring, int segment) {
        return ring == 0 ? size_t{0}
                         : 1 + static_cast<size_t>((ring - 1) * moundSegments +
                                                   (segment % moundSegments));
    };
    std::vector<std::array<size_t, 3>> faces;
    for (int segment = 0; segment < moundSegments; ++segment) {
        faces.push_back({at(0, 0), at(1, segment + 1), at(1, segment)});
        for (int ring = 1; ring <= moundRings; ++ring) {
            faces.push_back({at(ring, segment), at(ring, segment + 1), at(ring + 1, segment + 1)});
            faces.push_back({at(ring, segment), at(ring + 1, segment + 1), at(ring + 1, segment)});
        }
    }
    // Smooth normals: each point's faces, weighted by their area, all facing up.
    std::vector<glm::vec3> normals(points.size(), glm::vec3(0.0f));
    for (const auto& face : faces) {
        glm::vec3 n =
            glm::cross(points[face[1]] - points[face[0]], points[face[2]] - points[face[0]]);
        n = n.y < 0.0f ? -n : n;
        for (size_t k : face) {
            normals[k] += n;
        }
    }
    auto vertex = [&](size_t k) {
        const glm::vec3 n = glm::normalize(normals[k]);
        // The flat ground's own texture mapping, so the texture runs on across the foot.
        return MeshVertex{points[k], n, planarUv(points[k], glm::vec3(0.0f, 1.0f, 0.0f))};
    };
    for (const auto& face : faces) {
        addTriangle(solids.mesh, Material::ground, vertex(face[0]), vertex(face[1]),
                    vertex(face[2]));
    }
    const float reach = moundRim * std::max(radii.x, radii.y);
    solids.bounds.push_back({base + glm::vec3(-reach, -moundSink, -reach),
                             base + glm::vec3(reach, height * (1.0f + moundRoughness), reach)});
}

// A drum of a column lying on its side: a lathe about the heading's horizontal axis.
void addLyingDrum(Solids& solids, const DrumPlan& drum, float groundY) {
    MeshSet lathe;
    const float half = 0.5f * drum.length;
    addLathe(lathe, ruinMaterial, glm::vec3(0.0f, -half, 0.0f),
             {{0.0f, 0.0f}, {drum.radius, 0.0f}, {drum.radius, drum.length}, {0.0f, drum.length}},
             drumSegments);
    // The lathe's axis (y) turns to the heading; its x to straight up.
    const glm::vec3 axis = around(drum.yaw);
    const glm::vec3 side(axis.z, 0.0f, -axis.x);
    const glm::vec3 centre(drum.x, groundY + drum.radius - rubbleSink, drum.z);
    auto turned = [&](const MeshVertex& v) {
        return MeshVertex{centre + up(v.position.x) + axis * v.position.y + side * v.position.z,
                          up(v.normal.x) + axis * v.normal.y + side * v.normal.z, v.uv};
    };
    const std::vector<MeshVertex>& made = lathe.triangles[static_cast<size_t>(ruinMaterial)];
    for (size_t t = 0; t + 2 < made.size(); t += 3) {
        addTriangle(solids.mesh, ruinMaterial, turned(made[t]), turned(made[t + 1]),
                    turned(made[t + 2]));
    }
    const glm::vec3 reach = glm::abs(axis) * half + glm::abs(side) * drum.radius;
    solids.bounds.push_back({centre - glm::vec3(reach.x, drum.radius, reach.z),
                             centre + glm::vec3(reach.x, drum.radius, reach.z)});
}

void addLoneArch(Solids& solids, const LoneArchPlan& plan, float groundY) {
    const float front = plan.z - 0.5f * plan.depth;
    const float back = plan.z + 0.5f * plan.depth;
    Arch arch;
    arch.spanAxis = 0;
    arch.spanMin = plan.spanMin;
    arch.spanMax = plan.spanMax;
    arch.depthMin = front;
    arch.depthMax = back;
    arch.springY = groundY + plan.spring;
    arch.topY = arch.springY + 0.5f * (plan.spanMax - plan.spanMin) + 0.25f;
    for (float x : {plan.spanMin - plan.pierWidth, plan.spanMax}) {
        addSolidBox(solids, ruinMaterial,
                    {{x, groundY, front}, {x + plan.pierWidth, arch.topY, back}},
                    allFaces & ~faceNegY & ~facePosY);
    }
    addSolidArch(solids, ruinMaterial, arch);
    addSolidBox(solids, ruinMaterial,
                {{plan.spanMin - plan.pierWidth, arch.topY, front},
                 {plan.spanMax + plan.pierWidth, arch.topY + plan.capHeight, back}},
                allFaces & ~faceNegY);
}

void addPath(Solids& solids, float groundY) {
    Pcg32 random = makePcg32(pathSeed);
    for (float z = pathFromZ; z > pathToZ; z -= pathStep) {
        for (float side : {-1.0f, 1.0f}) {
            const float x =
                pathX + side * (pathFlagHalfWidth + nextRange(random, 0.0f, pathWander));
            const float yaw = nextRange(random, -pathTwist, pathTwist);
            if (nextFloat(random) < pathMissing) {
                continue;
            }
            addSolidBlock(solids, Material::wornStep,
                          {{x, groundY + pathFlagRise - pathFlagHalfHeight, z},
                           {pathFlagHalfWidth - 0.02f, pathFlagHalfHeight, pathFlagHalfLength},
                           yaw},
                          allFaces & ~faceNegY);
        }
    }
}

void addScree(Solids& solids, const RuinPlan& ruin, float groundY, Pcg32& random) {
    const glm::vec3 from(ruin.x0, groundY, ruin.z0);
    const glm::vec3 to(ruin.x1, groundY, ruin.z1);
    const float length = glm::length(to - from);
    const glm::vec3 along = (to - from) / length;
    const glm::vec3 sideways(-along.z, 0.0f, along.x);
    const int stones = static_cast<int>(length) * screePerMetre;
    for (int stone = 0; stone < stones; ++stone) {
        const float t = nextRange(random, 0.0f, length);
        const float out = nextRange(random, -1.0f, 1.0f);
        // Most lie close to the wall.
        const float away =
            (0.5f * ruinThickness + screeReach * out * out) * (out < 0.0f ? -1.0f : 1.0f);
        addRubble(solids, from + along * t + sideways * away,
                  nextRange(random, screeSmallest, screeLargest),
                  nextRange(random, 0.0f, rubbleTurn));
    }
}

} // namespace

void addOutsideFurniture(Solids& solids, float groundY) {
    Pcg32 random = makePcg32(ruinSeed);
    for (const RuinPlan& ruin : ruins) {
        addRuinWall(solids, {ruin.x0, groundY, ruin.z0}, {ruin.x1, groundY, ruin.z1}, ruin.low,
                    ruin.high, random);
    }
    for (const ColumnPlan& post : gatePosts) {
        addSolidBlock(solids, ruinMaterial,
                      {{post.x, groundY + 0.5f * post.height, post.z},
                       {gatePostHalf, 0.5f * post.height, gatePostHalf}},
                      allFaces & ~faceNegY);
    }
    for (const ColumnPlan& stump : stumps) {
        addStump(solids, ruinMaterial, {stump.x, groundY, stump.z}, stump.height);
    }
    Pcg32 scatter = makePcg32(rubbleSeed);
    for (const RubblePlan& stone : rubble) {
        addRubble(solids, {stone.x, groundY, stone.z}, stone.size,
                  nextRange(scatter, 0.0f, rubbleTurn));
    }
    Pcg32 relief = makePcg32(moundSeed);
    for (const MoundPlan& mound : mounds) {
        addMound(solids, {mound.x, groundY, mound.z}, {mound.radiusX, mound.radiusZ}, mound.height,
                 mound.yaw, relief);
    }
    addLoneArch(solids, loneArch, groundY);
    for (const DrumPlan& drum : fallenDrums) {
        addLyingDrum(solids, drum, groundY);
    }
    addPath(solids, groundY);
    Pcg32 fallen = makePcg32(screeSeed);
    for (const RuinPlan& ruin : ruins) {
        addScree(solids, ruin, groundY, fallen);
    }
    Pcg32 strewn = makePcg32(stoneSeed);
    for (int placed = 0; placed < scatteredStones;) {
        const glm::vec2 at(nextRange(strewn, stoneFieldMin.x, stoneFieldMax.x),
                           nextRange(strewn, stoneFieldMin.y, stoneFieldMax.y));
        const float size = nextRange(strewn, stoneSmallest, stoneLargest);
        const float yaw = nextRange(strewn, 0.0f, rubbleTurn);
        const bool keptOut = glm::all(glm::greaterThan(at, stoneKeepOutMin)) &&
                             glm::all(glm::lessThan(at, stoneKeepOutMax));
        const bool onMound =
            std::any_of(std::begin(mounds), std::end(mounds), [&](const MoundPlan& m) {
                return glm::distance(at, glm::vec2(m.x, m.z)) < std::max(m.radiusX, m.radiusZ);
            });
        if (!keptOut && !onMound) {
            addRubble(solids, {at.x, groundY, at.y}, size, yaw);
            ++placed;
        }
    }
}
