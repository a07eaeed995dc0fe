#include "floor_rose.h"

#include "toolkit/noise.h"

#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

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
