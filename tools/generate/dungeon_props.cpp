#include "dungeon_props.h"

#include <glm/geometric.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>

namespace {

constexpr float pi = 3.14159265f;
constexpr float twoPi = 2.0f * pi;
// Slices used to bound the stone of an arch.
constexpr int archBoundSlices = 8;

// Pillars.
constexpr float shaftRadius = 0.3f;
constexpr float capitalRadius = 0.4f;
constexpr float plinthHalf = 0.42f;
constexpr float plinthHeight = 0.3f;
constexpr float abacusHalf = 0.45f;
constexpr float abacusHeight = 0.25f;
constexpr float flareHeight = 0.25f;
constexpr int pillarSegments = 12;
// A broken column's top is chamfered.
constexpr float stumpTipHeight = 0.08f;
constexpr float stumpTipRadius = 0.18f;

// Barrels: the staves' profile (radius, height) and two iron hoops.
constexpr glm::vec2 barrelProfile[] = {{0.0f, 0.0f},   {0.27f, 0.0f},  {0.31f, 0.2f},
                                       {0.33f, 0.42f}, {0.31f, 0.64f}, {0.27f, 0.84f},
                                       {0.0f, 0.84f}};
struct Hoop {
    float height, radius;
};
constexpr Hoop barrelHoops[] = {{0.12f, 0.305f}, {0.7f, 0.315f}};
constexpr float hoopHeight = 0.06f;
constexpr float hoopThickness = 0.02f;
constexpr int barrelSegments = 12;

// Braziers: the bowl's profile (outside down, inside up), its legs and the wood in it.
constexpr glm::vec2 bowlProfile[] = {{0.0f, 0.0f},   {0.16f, 0.0f},  {0.36f, 0.14f}, {0.41f, 0.2f},
                                     {0.39f, 0.22f}, {0.33f, 0.16f}, {0.0f, 0.1f}};
constexpr float bowlHeight = 0.62f;
constexpr int bowlSegments = 12;
constexpr int brazierLegs = 3;
constexpr float legTurn = 0.4f;
constexpr float footSpread = 0.34f;
constexpr float legHalfWidth = 0.02f;
constexpr float legTopRadius = 0.14f;
constexpr float legTopRise = 0.06f;
constexpr int brazierSticks = 3;
constexpr float stickHalfLength = 0.24f;
constexpr float stickHalfWidth = 0.03f;
constexpr float stickTurn = 1.1f;
constexpr float stickBottom = 0.16f;

// Wall brackets: back plate, arm, cup and torch.
constexpr glm::vec3 bracketPlateHalf{0.015f, 0.16f, 0.07f};
constexpr glm::vec3 bracketArmHalf{0.13f, 0.02f, 0.02f};
constexpr float bracketArmOut = 0.15f;
constexpr float bracketArmDrop = 0.06f;
constexpr float bracketCupOut = 0.28f;
constexpr float bracketCupDrop = 0.1f;
constexpr glm::vec2 bracketCupProfile[] = {
    {0.0f, 0.0f}, {0.03f, 0.0f}, {0.06f, 0.1f}, {0.05f, 0.1f}, {0.0f, 0.05f}};
constexpr glm::vec2 torchProfile[] = {{0.0f, 0.0f}, {0.03f, 0.0f}, {0.035f, 0.38f}, {0.0f, 0.42f}};
constexpr float torchSeat = 0.05f;
constexpr int cupSegments = 8;
constexpr int torchSegments = 6;

// The table and its benches.
constexpr glm::vec3 tableTopHalf{0.45f, 0.04f, 1.0f};
constexpr float tableHeight = 0.85f;
constexpr float legHalf = 0.05f;
constexpr float legInsetAcross = 0.08f;
constexpr float legInsetAlong = 0.1f;
constexpr glm::vec3 benchTopHalf{0.17f, 0.03f, 0.9f};
constexpr float benchHeight = 0.45f;
constexpr float benchOffset = 0.8f;
constexpr float benchLegAlong = 0.7f;
constexpr glm::vec3 benchLegHalf{0.13f, 0.0f, 0.03f};

// The plank door.
constexpr float doorThickness = 0.12f;
constexpr float bandHeights[] = {0.45f, 1.75f};
constexpr float bandHalfHeight = 0.05f;
constexpr float bandHalfThickness = 0.012f;
constexpr float bandInset = 0.06f;
constexpr glm::vec3 ringOffset{0.45f, 1.05f, 0.0f};
constexpr float ringHalf = 0.04f;
constexpr float ringDepth = 0.05f;

// Urns.
constexpr glm::vec2 urnProfile[] = {{0.0f, 0.0f},  {0.12f, 0.0f},  {0.13f, 0.04f}, {0.19f, 0.16f},
                                    {0.21f, 0.3f}, {0.16f, 0.45f}, {0.09f, 0.52f}, {0.12f, 0.6f},
                                    {0.08f, 0.6f}, {0.06f, 0.54f}, {0.0f, 0.5f}};
constexpr int urnSegments = 12;

// Gate bars: square bars, upright ones at a steady spacing, rails across them.
constexpr float barHalf = 0.025f;
constexpr float barSpacing = 0.2f;
constexpr float gateRails[] = {0.35f, 1.2f, 2.05f, 2.75f};

// The chandelier.
constexpr float chandelierRadius = 0.75f;
constexpr float chandelierRingHalf = 0.05f;
constexpr int chandelierSegments = 16;
constexpr float chainHalf = 0.012f;
constexpr int chains = 3;
constexpr float hookDrop = 0.3f;
constexpr int chandelierCups = 6;
constexpr glm::vec2 candleCupProfile[] = {
    {0.0f, 0.0f}, {0.03f, 0.0f}, {0.06f, 0.07f}, {0.05f, 0.07f}, {0.0f, 0.04f}};

// The floor rose: an iron grate in the middle, rings of wedge stones around it.
constexpr float grateRadius = 0.36f;
constexpr float grateHeight = 0.02f;
constexpr int grateSegments = 16;
struct RoseRing {
    float inner, outer;
    int count;
};
constexpr RoseRing roseRings[] = {{0.44f, 0.95f, 10}, {1.02f, 1.55f, 16}, {1.62f, 1.85f, 28}};
// Joints are V-shaped, this wide at the stones' tops; the stones' edges are bevelled
// down to the mortar, which lies mortarHeight above the floor.
constexpr float wedgeGap = 0.035f;
constexpr float wedgeLow = 0.015f;
constexpr float wedgeHigh = 0.045f;
constexpr int wedgeArcSteps = 3;
constexpr float mortarHeight = 0.008f;
// The rose is set this deep into the floor, so no crack shows where the two meet.
constexpr float roseSink = 0.02f;
constexpr std::uint64_t roseSeed = 0x5e0a1c;

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

glm::vec3 up(float y) {
    return glm::vec3(0.0f, y, 0.0f);
}

glm::vec3 around(float angle) {
    return glm::vec3(std::cos(angle), 0.0f, std::sin(angle));
}

template <size_t N> std::vector<glm::vec2> profileOf(const glm::vec2 (&points)[N]) {
    return std::vector<glm::vec2>(std::begin(points), std::end(points));
}

Box blockBounds(const Block& block) {
    const float c = std::fabs(std::cos(block.yaw));
    const float s = std::fabs(std::sin(block.yaw));
    const glm::vec3 half(c * block.halfSize.x + s * block.halfSize.z, block.halfSize.y,
                         s * block.halfSize.x + c * block.halfSize.z);
    return {block.centre - half, block.centre + half};
}

void addSolidLathe(Solids& solids, Material material, glm::vec3 base,
                   const std::vector<glm::vec2>& profile, int segments) {
    addLathe(solids.mesh, material, base, profile, segments);
    float radius = 0.0f;
    float low = std::numeric_limits<float>::max();
    float high = std::numeric_limits<float>::lowest();
    for (const glm::vec2& point : profile) {
        radius = std::max(radius, point.x);
        low = std::min(low, point.y);
        high = std::max(high, point.y);
    }
    solids.bounds.push_back(
        {base + glm::vec3(-radius, low, -radius), base + glm::vec3(radius, high, radius)});
}

void addSolidStrut(Solids& solids, Material material, glm::vec3 from, glm::vec3 to,
                   float halfWidth) {
    addStrut(solids.mesh, material, from, to, halfWidth);
    solids.bounds.push_back(
        {glm::min(from, to) - glm::vec3(halfWidth), glm::max(from, to) + glm::vec3(halfWidth)});
}

// A point of the rose's surface: its angle about the centre, its radius and height, and the
// radius at which the texture keeps its scale along the arc there.
struct RosePoint {
    float angle;
    float radius;
    float height;
    float arcRadius;
};

glm::vec3 rosePosition(glm::vec3 centre, const RosePoint& point) {
    return centre + point.radius * around(point.angle) + up(point.height);
}

// The radius near `radius` at which one turn is a whole number of texture tiles, so the
// texture meets itself where the angle wraps round.
float roseArcRadius(float radius) {
    const float tiles = std::max(1.0f, std::round(twoPi * radius / textureTileSize));
    return tiles * textureTileSize / twoPi;
}

// One face of the rose, with its own flat normal on the side `outwards` says. The stone
// texture's courses follow the rings: u along the arc, v outwards.
void addRoseTriangle(MeshSet& mesh, glm::vec3 centre, const RosePoint& a, const RosePoint& b,
                     const RosePoint& c, glm::vec3 outwards) {
    const glm::vec3 pa = rosePosition(centre, a);
    const glm::vec3 pb = rosePosition(centre, b);
    const glm::vec3 pc = rosePosition(centre, c);
    glm::vec3 normal = glm::cross(pb - pa, pc - pa);
    if (glm::dot(normal, normal) == 0.0f) {
        return;
    }
    normal = glm::normalize(normal);
    if (glm::dot(normal, outwards) < 0.0f) {
        normal = -normal;
    }
    // Angles taken the short way round from the first corner, so no face spans the wrap,
    // and one scale along the arc for the whole face (a band between rings joins two).
    auto vertex = [&](const RosePoint& point, glm::vec3 position) {
        const float angle = a.angle + std::remainder(point.angle - a.angle, twoPi);
        return MeshVertex{position, normal,
                          glm::vec2(angle * a.arcRadius, point.radius) / textureTileSize};
    };
    addTriangle(mesh, Material::wall, vertex(a, pa), vertex(b, pb), vertex(c, pc));
}

// A closed loop of rose points in increasing angle (at most one turn from the first).
using RoseLoop = std::vector<RosePoint>;

// The loop's angles from its point nearest angle 0 onwards, increasing, and one turn
// later the first again: walk[k] belongs to loop[(first + k) % size].
std::vector<float> roseWalk(const RoseLoop& loop, size_t& first) {
    auto wrapped = [](float angle) {
        const float turn = std::fmod(angle, twoPi);
        return turn < 0.0f ? turn + twoPi : turn;
    };
    first = 0;
    for (size_t k = 1; k < loop.size(); ++k) {
        if (wrapped(loop[k].angle) < wrapped(loop[first].angle)) {
            first = k;
        }
    }
    std::vector<float> walk;
    for (size_t k = 0; k < loop.size(); ++k) {
        float angle = wrapped(loop[(first + k) % loop.size()].angle);
        while (!walk.empty() && angle < walk.back()) {
            angle += twoPi;
        }
        walk.push_back(angle);
    }
    walk.push_back(walk.front() + twoPi);
    return walk;
}

// Fills the band between two loops without a T-junction: every point of either loop is a
// corner, and each edge of either loop borders exactly one triangle.
void addRoseBand(MeshSet& mesh, glm::vec3 centre, const RoseLoop& inner, const RoseLoop& outer,
                 glm::vec3 outwards) {
    size_t innerFirst = 0;
    size_t outerFirst = 0;
    const std::vector<float> innerWalk = roseWalk(inner, innerFirst);
    const std::vector<float> outerWalk = roseWalk(outer, outerFirst);
    auto innerAt = [&](size_t k) { return inner[(innerFirst + k) % inner.size()]; };
    auto outerAt = [&](size_t k) { return outer[(outerFirst + k) % outer.size()]; };
    size_t i = 0;
    size_t o = 0;
    while (i < inner.size() || o < outer.size()) {
        const bool innerNext =
            o == outer.size() || (i < inner.size() && innerWalk[i + 1] <= outerWalk[o + 1]);
        const RosePoint third = innerNext ? innerAt(i + 1) : outerAt(o + 1);
        addRoseTriangle(mesh, centre, innerAt(i), outerAt(o), third, outwards);
        (innerNext ? i : o) += 1;
    }
}

// A vertical wall from each point of the loop down to `bottom`, facing `outwards` (+1) or
// towards the centre (-1). Returns the loop at the foot of the wall.
RoseLoop addRoseWall(MeshSet& mesh, glm::vec3 centre, const RoseLoop& top, float bottom,
                     float outwards) {
    RoseLoop foot = top;
    for (RosePoint& point : foot) {
        point.height = bottom;
    }
    for (size_t k = 0; k < top.size(); ++k) {
        const size_t next = (k + 1) % top.size();
        const float middle =
            top[k].angle + 0.5f * std::remainder(top[next].angle - top[k].angle, twoPi);
        const glm::vec3 facing = outwards * around(middle);
        addRoseTriangle(mesh, centre, foot[k], foot[next], top[next], facing);
        addRoseTriangle(mesh, centre, foot[k], top[next], top[k], facing);
    }
    return foot;
}

// A loop of `count` evenly spaced points at the given radius and height.
RoseLoop roseCircle(int count, float radius, float height) {
    RoseLoop loop;
    for (int k = 0; k < count; ++k) {
        loop.push_back({twoPi * static_cast<float>(k) / static_cast<float>(count), radius, height,
                        roseArcRadius(radius)});
    }
    return loop;
}

} // namespace

void addSolidBlock(Solids& solids, Material material, const Block& block, unsigned faces) {
    addBlock(solids.mesh, material, block, faces);
    solids.bounds.push_back(blockBounds(block));
}

void addSolidBox(Solids& solids, Material material, const Box& box, unsigned faces) {
    addSolidBlock(solids, material, {0.5f * (box.min + box.max), 0.5f * (box.max - box.min)},
                  faces);
}

void addSolidArch(Solids& solids, const Arch& arch) {
    addArch(solids.mesh, Material::wall, arch);
    const int depthAxis = arch.spanAxis == 0 ? 2 : 0;
    const float width = (arch.spanMax - arch.spanMin) / static_cast<float>(archBoundSlices);
    for (int i = 0; i < archBoundSlices; ++i) {
        const float from = arch.spanMin + width * static_cast<float>(i);
        const float to = from + width;
        Box box;
        box.min[arch.spanAxis] = from;
        box.max[arch.spanAxis] = to;
        box.min[depthAxis] = arch.depthMin;
        box.max[depthAxis] = arch.depthMax;
        box.min.y = archUndersideLow(arch, from, to);
        box.max.y = arch.topY;
        solids.bounds.push_back(box);
    }
}

void addPillar(Solids& solids, glm::vec3 base, float height) {
    addSolidBlock(solids, Material::wall,
                  {base + up(0.5f * plinthHeight), {plinthHalf, 0.5f * plinthHeight, plinthHalf}},
                  allFaces & ~faceNegY);
    addSolidLathe(solids, Material::wall, base,
                  {{shaftRadius, plinthHeight},
                   {shaftRadius, height - abacusHeight - flareHeight},
                   {capitalRadius, height - abacusHeight}},
                  pillarSegments);
    addSolidBlock(
        solids, Material::wall,
        {base + up(height - 0.5f * abacusHeight), {abacusHalf, 0.5f * abacusHeight, abacusHalf}},
        allFaces & ~facePosY);
}

void addStump(Solids& solids, glm::vec3 base, float height) {
    addSolidBlock(solids, Material::wall,
                  {base + up(0.5f * plinthHeight), {plinthHalf, 0.5f * plinthHeight, plinthHalf}},
                  allFaces & ~faceNegY);
    addSolidLathe(solids, Material::wall, base,
                  {{shaftRadius, plinthHeight},
                   {shaftRadius, height},
                   {stumpTipRadius, height + stumpTipHeight},
                   {0.0f, height + stumpTipHeight}},
                  pillarSegments);
}

void addBarrel(Solids& solids, glm::vec3 base) {
    addSolidLathe(solids, Material::wood, base, profileOf(barrelProfile), barrelSegments);
    for (const Hoop& hoop : barrelHoops) {
        const float inner = hoop.radius - hoopThickness;
        addLathe(solids.mesh, Material::metal, base,
                 {{inner, hoop.height},
                  {hoop.radius, hoop.height},
                  {hoop.radius, hoop.height + hoopHeight},
                  {inner, hoop.height + hoopHeight}},
                 barrelSegments);
    }
}

void addBrazier(Solids& solids, glm::vec3 base) {
    const glm::vec3 bowl = base + up(bowlHeight);
    addSolidLathe(solids, Material::metal, bowl, profileOf(bowlProfile), bowlSegments);
    for (int leg = 0; leg < brazierLegs; ++leg) {
        const glm::vec3 out = around(twoPi * static_cast<float>(leg) / brazierLegs + legTurn);
        addSolidStrut(solids, Material::metal, base + out * footSpread + up(legHalfWidth),
                      bowl + out * legTopRadius + up(legTopRise), legHalfWidth);
    }
    for (int stick = 0; stick < brazierSticks; ++stick) {
        const glm::vec3 along = around(stickTurn * static_cast<float>(stick) + legTurn);
        const glm::vec3 middle =
            bowl + up(stickBottom + 2.0f * stickHalfWidth * static_cast<float>(stick));
        addStrut(solids.mesh, Material::wood, middle - along * stickHalfLength,
                 middle + along * stickHalfLength, stickHalfWidth);
    }
}

void addBracket(Solids& solids, glm::vec3 wall, glm::vec3 normal) {
    const float yaw = std::atan2(-normal.z, normal.x);
    addSolidBlock(solids, Material::metal,
                  {wall + normal * bracketPlateHalf.x, bracketPlateHalf, yaw});
    addSolidBlock(solids, Material::metal,
                  {wall + normal * bracketArmOut - up(bracketArmDrop), bracketArmHalf, yaw});
    const glm::vec3 cup = wall + normal * bracketCupOut - up(bracketCupDrop);
    addSolidLathe(solids, Material::metal, cup, profileOf(bracketCupProfile), cupSegments);
    addSolidLathe(solids, Material::wood, cup + up(torchSeat), profileOf(torchProfile),
                  torchSegments);
}

void addTableWithBenches(Solids& solids, glm::vec3 base, float yaw) {
    const glm::vec3 across(std::cos(yaw), 0.0f, -std::sin(yaw));
    const glm::vec3 along(std::sin(yaw), 0.0f, std::cos(yaw));
    addSolidBlock(solids, Material::wood,
                  {base + up(tableHeight - tableTopHalf.y), tableTopHalf, yaw});
    const float legHeight = tableHeight - 2.0f * tableTopHalf.y;
    for (int corner = 0; corner < 4; ++corner) {
        const float sx = (corner & 1) ? 1.0f : -1.0f;
        const float sz = (corner & 2) ? 1.0f : -1.0f;
        const glm::vec3 at = base + across * sx * (tableTopHalf.x - legInsetAcross) +
                             along * sz * (tableTopHalf.z - legInsetAlong);
        addBlock(solids.mesh, Material::wood,
                 {at + up(0.5f * legHeight), {legHalf, 0.5f * legHeight, legHalf}, yaw},
                 allFaces & ~faceNegY & ~facePosY);
    }
    const float benchLegHeight = benchHeight - 2.0f * benchTopHalf.y;
    for (int side = -1; side <= 1; side += 2) {
        const glm::vec3 bench = base + across * (benchOffset * static_cast<float>(side));
        addSolidBlock(solids, Material::wood,
                      {bench + up(benchHeight - benchTopHalf.y), benchTopHalf, yaw});
        for (int end = -1; end <= 1; end += 2) {
            addBlock(solids.mesh, Material::wood,
                     {bench + along * (benchLegAlong * static_cast<float>(end)) +
                          up(0.5f * benchLegHeight),
                      benchLegHalf + up(0.5f * benchLegHeight), yaw},
                     allFaces & ~faceNegY & ~facePosY);
        }
    }
}

void addPlankDoor(Solids& solids, const Box& recess) {
    const float front = recess.min.z + doorThickness;
    const float middle = 0.5f * (recess.min.x + recess.max.x);
    const float halfWidth = 0.5f * (recess.max.x - recess.min.x);
    addSolidBox(solids, Material::wood, {recess.min, {recess.max.x, recess.max.y, front}},
                facePosZ);
    for (float height : bandHeights) {
        addSolidBlock(solids, Material::metal,
                      {{middle, recess.min.y + height, front + bandHalfThickness},
                       {halfWidth - bandInset, bandHalfHeight, bandHalfThickness}},
                      allFaces & ~faceNegZ);
    }
    const glm::vec3 ring(middle + ringOffset.x, recess.min.y + ringOffset.y, front);
    addSolidStrut(solids, Material::metal, ring, ring + glm::vec3(0.0f, 0.0f, ringDepth), ringHalf);
}

void addUrn(Solids& solids, glm::vec3 base) {
    addSolidLathe(solids, Material::metal, base, profileOf(urnProfile), urnSegments);
}

void addBarredGate(Solids& solids, const Arch& arch, float floorY, float depth) {
    const int depthAxis = arch.spanAxis == 0 ? 2 : 0;
    auto bar = [&](float spanFrom, float spanTo, float low, float high, float halfDepth,
                   unsigned faces) {
        Box box;
        box.min[arch.spanAxis] = spanFrom;
        box.max[arch.spanAxis] = spanTo;
        box.min[depthAxis] = depth - halfDepth;
        box.max[depthAxis] = depth + halfDepth;
        box.min.y = low;
        box.max.y = high;
        addSolidBox(solids, Material::metal, box, faces);
    };
    const unsigned spanEnds = arch.spanAxis == 0 ? facePosX | faceNegX : facePosZ | faceNegZ;
    for (float s = arch.spanMin + barSpacing; s < arch.spanMax - 0.5f * barSpacing;
         s += barSpacing) {
        bar(s - barHalf, s + barHalf, floorY, archUndersideLow(arch, s - barHalf, s + barHalf),
            barHalf, allFaces & ~faceNegY & ~facePosY);
    }
    const float radius = 0.5f * (arch.spanMax - arch.spanMin);
    const float middle = 0.5f * (arch.spanMax + arch.spanMin);
    for (float rail : gateRails) {
        const float y = floorY + rail;
        const float rise = std::max(0.0f, y + barHalf - arch.springY);
        const float halfWidth = std::sqrt(std::max(0.0f, radius * radius - rise * rise));
        bar(middle - halfWidth, middle + halfWidth, y - barHalf, y + barHalf, 2.0f * barHalf,
            allFaces & ~spanEnds);
    }
}

void addChandelier(Solids& solids, glm::vec3 ringCentre, float ceilingY) {
    const float inner = chandelierRadius - chandelierRingHalf;
    const float outer = chandelierRadius + chandelierRingHalf;
    const float thickness = 2.0f * chandelierRingHalf;
    addSolidLathe(
        solids, Material::metal, ringCentre,
        {{inner, 0.0f}, {outer, 0.0f}, {outer, thickness}, {inner, thickness}, {inner, 0.0f}},
        chandelierSegments);
    const glm::vec3 hook(ringCentre.x, ceilingY - hookDrop, ringCentre.z);
    addSolidStrut(solids, Material::metal, hook, {hook.x, ceilingY, hook.z}, 2.0f * chainHalf);
    for (int chain = 0; chain < chains; ++chain) {
        addSolidStrut(solids, Material::metal,
                      ringCentre +
                          around(twoPi * static_cast<float>(chain) / chains) * chandelierRadius,
                      hook, chainHalf);
    }
    for (int cup = 0; cup < chandelierCups; ++cup) {
        const float angle = twoPi * (static_cast<float>(cup) + 0.5f) / chandelierCups;
        addLathe(solids.mesh, Material::metal,
                 ringCentre + around(angle) * chandelierRadius + up(thickness),
                 profileOf(candleCupProfile), cupSegments);
    }
}

void addFloorRose(Solids& solids, glm::vec3 centre) {
    Pcg32 random = makePcg32(roseSeed);
    // The grate is a closed drum of its own, set into the stone as deep as the stone.
    addSolidLathe(solids, Material::metal, centre,
                  {{0.0f, -roseSink},
                   {grateRadius, -roseSink},
                   {grateRadius, grateHeight},
                   {0.0f, grateHeight}},
                  grateSegments);

    // The stone is one closed solid: each ring a grid over its stones (the columns, with a
    // joint column between stones) and four radii (its mortar edges and the stones' bevels);
    // bands of mortar join the rings, so no edge ends in the middle of another.
    const glm::vec3 upwards(0.0f, 1.0f, 0.0f);
    RoseLoop previous = roseCircle(grateSegments, grateRadius, mortarHeight);
    const RoseLoop innermost = previous;
    for (const RoseRing& ring : roseRings) {
        const float step = twoPi / static_cast<float>(ring.count);
        const float twist = nextRange(random, 0.0f, step);
        const float gap = wedgeGap / ring.outer;
        const float radii[4] = {ring.inner, ring.inner + 0.5f * wedgeGap,
                                ring.outer - 0.5f * wedgeGap, ring.outer};
        std::vector<float> angles;
        std::vector<float> heights;
        for (int i = 0; i < ring.count; ++i) {
            const float from = twist + step * static_cast<float>(i);
            const float height = nextRange(random, wedgeLow, wedgeHigh);
            angles.push_back(from);
            heights.push_back(mortarHeight);
            for (int k = 0; k <= wedgeArcSteps; ++k) {
                angles.push_back(from + 0.5f * gap +
                                 (step - gap) * static_cast<float>(k) / wedgeArcSteps);
                heights.push_back(height);
            }
        }
        const float arcRadius = roseArcRadius(0.5f * (ring.inner + ring.outer));
        auto point = [&](size_t column, int row) {
            const size_t c = column % angles.size();
            const bool edge = row == 0 || row == 3;
            return RosePoint{angles[c], radii[row], edge ? mortarHeight : heights[c], arcRadius};
        };
        for (size_t column = 0; column < angles.size(); ++column) {
            for (int row = 0; row < 3; ++row) {
                addRoseTriangle(solids.mesh, centre, point(column, row), point(column + 1, row),
                                point(column + 1, row + 1), upwards);
                addRoseTriangle(solids.mesh, centre, point(column, row), point(column + 1, row + 1),
                                point(column, row + 1), upwards);
            }
        }
        RoseLoop inside;
        RoseLoop outside;
        for (size_t column = 0; column < angles.size(); ++column) {
            inside.push_back(point(column, 0));
            outside.push_back(point(column, 3));
        }
        addRoseBand(solids.mesh, centre, previous, inside, upwards);
        previous = outside;
    }
    const float outermost = previous.front().radius;
    const RoseLoop innerFoot = addRoseWall(solids.mesh, centre, innermost, -roseSink, -1.0f);
    const RoseLoop outerFoot = addRoseWall(solids.mesh, centre, previous, -roseSink, 1.0f);
    addRoseBand(solids.mesh, centre, innerFoot, outerFoot, -upwards);
    solids.bounds.push_back({centre - glm::vec3(outermost, roseSink, outermost),
                             centre + glm::vec3(outermost, wedgeHigh, outermost)});
}

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
                solids, Material::wall,
                {from + along * middle + sideways * shift + up(courseBottom + 0.5f * blockHeight),
                 {0.5f * blockLength - blockJoint, 0.5f * blockHeight - blockJoint,
                  0.5f * ruinThickness - inset},
                 yaw + nextRange(random, -blockTwist, blockTwist)},
                allFaces & ~faceNegY);
        }
    }
}

void addRubble(Solids& solids, glm::vec3 base, float size, float yaw) {
    const glm::vec3 half = 0.5f * size * rubbleShape;
    addSolidBlock(solids, Material::wall, {base + up(half.y - rubbleSink), half, yaw},
                  allFaces & ~faceNegY);
}

void addMound(Solids& solids, glm::vec3 base, glm::vec2 radii, float height, float yaw,
              Pcg32& random) {
    const float c = std::cos(yaw);
    const float s = std::sin(yaw);
    // The grid's points: the top, then ring by ring outwards, the last one the sunk rim.
    std::vector<glm::vec3> points = {base + up(height)};
    for (int ring = 1; ring <= moundRings + 1; ++ring) {
        const float reach = ring > moundRings ? moundRim : static_cast<float>(ring) / moundRings;
        const float profile = 0.5f * (1.0f + std::cos(std::min(reach, 1.0f) * pi));
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
