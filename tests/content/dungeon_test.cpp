// The generated dungeon as the build left it under resources/: the camera path
// and the light's route run through open space, the stars get open sky at the
// end, and the model leaves no gap through which the camera sees the void.
#include "app/camera_path.h"
#include "effects/light_path.h"

#include <glm/geometric.hpp>
#include <glm/glm.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* openSpacePath = "resources/Dungeon50/open_space.txt";
constexpr const char* objPath = "resources/Dungeon50/Dungeon.obj";
constexpr float modelScale = 0.1f;

constexpr float cameraClearance = 0.35f;
constexpr float lightClearance = 0.3f;
constexpr float lightFloorMargin = 0.35f;

constexpr int framesPerSecond = 60;
constexpr int routeFrames = 146 * framesPerSecond;

// Stars are born within about starSpread of the emitter, this far from the eye.
constexpr glm::vec3 starEmitter{0.0f, 1.5f, -2.5f};
constexpr float starSpread = 5.0f;
constexpr float starSampleStep = 0.7f;
constexpr float starGroundMargin = 0.5f;
constexpr float skyAboveEye = 8.0f;

// Rays cast from the eye through a grid over the demo's field of view; a surface
// nearer than the camera's near plane would be cut open.
constexpr float tanHalfFieldOfView = 0.41421356f; // tan(22.5 degrees)
constexpr float aspectRatio = 1280.0f / 768.0f;
constexpr int raysAcross = 5;
constexpr int viewCheckStride = 20;
constexpr float nearPlane = 0.1f;
constexpr float mouthProbe = 0.01f;

// The floor rose in the entrance hall: its centre, the outer edge of its stone and of its
// grate, and how far above its lowest point it reaches.
constexpr glm::vec2 roseCentre{-5.2f, 8.2f};
constexpr float roseRadius = 1.85f;
constexpr float grateRadius = 0.36f;
constexpr float roseDepth = 0.1f;
constexpr float roseMargin = 0.01f;
// No face of the rose spans more than this along the arc, in texture tiles.
constexpr float roseFaceArcSpan = 0.25f;

// Fires: a flame's foot rests on what burns within this distance below it; every heap of
// embers carries a flame within this distance of it.
constexpr float flameFootReach = 0.15f;
constexpr float flameOnEmbersReach = 0.3f;
constexpr float flameFootProbe = 1e-3f;
// A solid thing's middle is looked at this far above it: stones half sunk into the ground
// have it on the ground's level.
constexpr float liftProbe = 1e-3f;
// Things this close touch: the ruined walls' courses lie a joint of two centimetres apart.
constexpr float touchProbe = 0.025f;

// Outside, mounds rise at least this high over the flat ground; nothing of the ground lies
// deeper below it than the mounds' sunk rims.
constexpr float groundRelief = 1.0f;
constexpr float groundSink = 0.06f;

// A corner this near an edge, and this far from its ends, lies on it (world units, the
// precision of the model's file); corners are looked up in cubic cells this wide.
constexpr float onEdgeDistance = 2e-4f;
constexpr float junctionCell = 0.5f;

struct Box {
    glm::vec3 min;
    glm::vec3 max;
};

struct OpenSpace {
    std::vector<Box> air;
    std::vector<Box> solids;
    std::vector<Box> skylights; // air boxes open at the top
};

using Triangle = std::array<glm::vec3, 3>;

std::string text(glm::vec3 p) {
    std::ostringstream out;
    out << "(" << p.x << ", " << p.y << ", " << p.z << ")";
    return out.str();
}

bool contains(const Box& box, glm::vec3 p) {
    return glm::all(glm::greaterThanEqual(p, box.min)) && glm::all(glm::lessThanEqual(p, box.max));
}

bool inAir(const OpenSpace& space, glm::vec3 p) {
    return std::any_of(space.air.begin(), space.air.end(),
                       [&](const Box& box) { return contains(box, p); });
}

// The point and the points `clearance` away from it in 26 directions lie in the
// air, and no solid comes within `clearance`.
bool isOpen(const OpenSpace& space, glm::vec3 p, float clearance) {
    for (const Box& solid : space.solids) {
        const glm::vec3 outside = glm::max(glm::max(solid.min - p, p - solid.max), glm::vec3(0.0f));
        if (glm::length(outside) < clearance) {
            return false;
        }
    }
    // The 3 x 3 x 3 neighbourhood; cell 13 is the point itself.
    for (int i = 0; i < 27; ++i) {
        glm::vec3 offset(i % 3 - 1, i / 3 % 3 - 1, i / 9 - 1);
        if (i != 13) {
            offset = glm::normalize(offset) * clearance;
        }
        if (!inAir(space, p + offset)) {
            return false;
        }
    }
    return true;
}

const OpenSpace& openSpace() {
    static const OpenSpace space = [] {
        OpenSpace read;
        std::ifstream file(openSpacePath);
        for (std::string line; std::getline(file, line);) {
            std::istringstream in(line);
            std::string kind;
            Box box;
            if (!(in >> kind) || kind[0] == '#') {
                continue;
            }
            in >> box.min.x >> box.min.y >> box.min.z >> box.max.x >> box.max.y >> box.max.z;
            EXPECT_TRUE(in && (kind == "air" || kind == "solid" || kind == "sky"))
                << "bad line: " << line;
            (kind == "air"     ? read.air
             : kind == "solid" ? read.solids
                               : read.skylights)
                .push_back(box);
        }
        return read;
    }();
    return space;
}

// The model's faces as position and texture coordinate indices, by object; the positions
// in world units. Every face must be a v/vt/vn triangle.
struct IndexedFace {
    std::array<size_t, 3> corner;
    std::array<size_t, 3> uv;
};

struct IndexedModel {
    std::vector<glm::vec3> positions;
    std::vector<glm::vec2> uvs;
    std::map<std::string, std::vector<IndexedFace>> faces;
};

IndexedModel readIndexedModel() {
    IndexedModel model;
    std::ifstream file(objPath);
    std::string object;
    for (std::string line; std::getline(file, line);) {
        std::istringstream in(line);
        std::string tag;
        in >> tag;
        if (tag == "v") {
            glm::vec3 p;
            in >> p.x >> p.y >> p.z;
            model.positions.push_back(p * modelScale);
        } else if (tag == "vt") {
            glm::vec2 uv;
            in >> uv.x >> uv.y;
            model.uvs.push_back(uv);
        } else if (tag == "o") {
            in >> object;
        } else if (tag == "f") {
            IndexedFace face{};
            std::array<size_t, 3>& v = face.corner;
            std::array<size_t, 3>& t = face.uv;
            char more = 0;
            const bool known =
                std::sscanf(line.c_str(), "f %zu/%zu/%*u %zu/%zu/%*u %zu/%zu/%*u %c", &v[0], &t[0],
                            &v[1], &t[1], &v[2], &t[2], &more) == 6 &&
                std::all_of(v.begin(), v.end(),
                            [&](size_t k) { return k >= 1 && k <= model.positions.size(); }) &&
                std::all_of(t.begin(), t.end(),
                            [&](size_t k) { return k >= 1 && k <= model.uvs.size(); });
            EXPECT_TRUE(known) << "bad face: " << line;
            if (known) {
                for (size_t k = 0; k < 3; ++k) {
                    v[k] -= 1;
                    t[k] -= 1;
                }
                model.faces[object].push_back(face);
            }
        }
    }
    return model;
}

// The model's triangles in world units.
std::vector<Triangle> readTriangles() {
    const IndexedModel model = readIndexedModel();
    std::vector<Triangle> triangles;
    for (const auto& [object, faces] : model.faces) {
        for (const IndexedFace& face : faces) {
            triangles.push_back({model.positions[face.corner[0]], model.positions[face.corner[1]],
                                 model.positions[face.corner[2]]});
        }
    }
    return triangles;
}

// The faces of one object that lie wholly within `radius` of the rose's centre and no
// higher than roseDepth above the lowest of them.
std::vector<IndexedFace> roseFaces(const IndexedModel& model, const std::string& object,
                                   float radius) {
    auto near = [&](size_t k) {
        const glm::vec3& p = model.positions[k];
        return glm::distance(glm::vec2(p.x, p.z), roseCentre) <= radius + roseMargin;
    };
    std::vector<IndexedFace> inside;
    float lowest = std::numeric_limits<float>::max();
    for (const IndexedFace& face : model.faces.at(object)) {
        const auto& c = face.corner;
        if (near(c[0]) && near(c[1]) && near(c[2])) {
            inside.push_back(face);
            for (size_t k : c) {
                lowest = std::min(lowest, model.positions[k].y);
            }
        }
    }
    std::vector<IndexedFace> rose;
    for (const IndexedFace& face : inside) {
        if (std::all_of(face.corner.begin(), face.corner.end(),
                        [&](size_t k) { return model.positions[k].y <= lowest + roseDepth; })) {
            rose.push_back(face);
        }
    }
    return rose;
}

// Each edge borders exactly two faces, once in each direction: a closed, consistently
// turned surface, with no gap and no vertex in the middle of another face's edge.
void expectClosed(const IndexedModel& model, const std::vector<IndexedFace>& faces) {
    std::map<std::pair<size_t, size_t>, int> directed;
    for (const IndexedFace& indexed : faces) {
        const auto& face = indexed.corner;
        ASSERT_TRUE(face[0] != face[1] && face[1] != face[2] && face[2] != face[0])
            << "degenerate face at " << text(model.positions[face[0]]);
        for (int k = 0; k < 3; ++k) {
            directed[{face[static_cast<size_t>(k)], face[static_cast<size_t>((k + 1) % 3)]}] += 1;
        }
    }
    for (const auto& [edge, count] : directed) {
        const auto back = directed.find({edge.second, edge.first});
        ASSERT_TRUE(count == 1 && back != directed.end() && back->second == 1)
            << "open or doubled edge from " << text(model.positions[edge.first]) << " to "
            << text(model.positions[edge.second]);
    }
}

// Distance along the ray to the nearest triangle, or a negative value.
float nearestHit(const std::vector<Triangle>& triangles, glm::vec3 origin, glm::vec3 direction) {
    float nearest = -1.0f;
    for (const Triangle& t : triangles) {
        const glm::vec3 e1 = t[1] - t[0];
        const glm::vec3 e2 = t[2] - t[0];
        const glm::vec3 p = glm::cross(direction, e2);
        const float determinant = glm::dot(e1, p);
        if (std::abs(determinant) < 1e-12f) {
            continue;
        }
        const glm::vec3 s = (origin - t[0]) / determinant;
        const glm::vec3 q = glm::cross(s, e1);
        const float u = glm::dot(s, p);
        const float v = glm::dot(direction, q);
        const float distance = glm::dot(e2, q);
        if (u >= 0.0f && v >= 0.0f && u + v <= 1.0f && distance > 0.0f &&
            (nearest < 0.0f || distance < nearest)) {
            nearest = distance;
        }
    }
    return nearest;
}

// The faces of one object grouped into pieces that share corners, each as its corners.
std::vector<std::vector<glm::vec3>> piecesOf(const IndexedModel& model, const std::string& object) {
    std::map<size_t, size_t> parent;
    auto root = [&](size_t k) {
        while (parent[k] != k) {
            k = parent[k] = parent[parent[k]];
        }
        return k;
    };
    const std::vector<IndexedFace>& faces = model.faces.at(object);
    for (const IndexedFace& face : faces) {
        for (size_t k : face.corner) {
            parent.emplace(k, k);
        }
        parent[root(face.corner[1])] = root(face.corner[0]);
        parent[root(face.corner[2])] = root(face.corner[0]);
    }
    std::map<size_t, std::vector<glm::vec3>> pieces;
    for (const auto& [corner, up] : parent) {
        pieces[root(corner)].push_back(model.positions[corner]);
    }
    std::vector<std::vector<glm::vec3>> list;
    for (auto& [key, corners] : pieces) {
        list.push_back(std::move(corners));
    }
    return list;
}

glm::vec3 lowest(const std::vector<glm::vec3>& corners) {
    return *std::min_element(corners.begin(), corners.end(),
                             [](glm::vec3 a, glm::vec3 b) { return a.y < b.y; });
}

// Nothing floats: each solid thing touches stone (a floor, a wall, a ceiling it hangs
// from) or another solid thing it rests on or hangs from.
bool restsOnSomething(const OpenSpace& space, const Box& solid) {
    const glm::vec3 middle = 0.5f * (solid.min + solid.max);
    for (int axis = 0; axis < 3; ++axis) {
        for (float side : {solid.min[axis] - touchProbe, solid.max[axis] + touchProbe}) {
            glm::vec3 probe = middle;
            probe[axis] = side;
            if (!inAir(space, probe)) {
                return true;
            }
        }
    }
    return std::any_of(space.solids.begin(), space.solids.end(), [&](const Box& other) {
        return &other != &solid &&
               glm::all(glm::lessThanEqual(other.min, solid.max + glm::vec3(touchProbe))) &&
               glm::all(glm::lessThanEqual(solid.min, other.max + glm::vec3(touchProbe)));
    });
}

TEST(DungeonSpace, EverySolidThingStandsInTheAirOnSomething) {
    const OpenSpace& space = openSpace();
    ASSERT_FALSE(space.solids.empty()) << openSpacePath << " is missing or empty";
    for (const Box& solid : space.solids) {
        ASSERT_TRUE(glm::all(glm::lessThanEqual(solid.min, solid.max)))
            << "a solid thing turned inside out at " << text(solid.min);
        EXPECT_TRUE(restsOnSomething(space, solid))
            << "a solid thing floating at " << text(0.5f * (solid.min + solid.max));
        const glm::vec3 middle = 0.5f * (solid.min + solid.max) + glm::vec3(0.0f, liftProbe, 0.0f);
        ASSERT_TRUE(inAir(space, middle)) << "a solid thing inside stone at " << text(middle);
    }
}

// A fire is whole: each flame rises from the coals, wick or torch head right under its
// foot and burns in the open, and no heap of embers glows without a flame on it.
TEST(DungeonModel, EveryFlameRisesFromWhatBurns) {
    const IndexedModel model = readIndexedModel();
    ASSERT_EQ(model.faces.count("flame"), 1u) << objPath << " has no flames";
    ASSERT_EQ(model.faces.count("embers"), 1u) << objPath << " has no embers";
    std::vector<Triangle> beneath;
    for (const auto& [object, faces] : model.faces) {
        for (const IndexedFace& face : object == "flame" ? std::vector<IndexedFace>() : faces) {
            beneath.push_back({model.positions[face.corner[0]], model.positions[face.corner[1]],
                               model.positions[face.corner[2]]});
        }
    }
    const auto flames = piecesOf(model, "flame");
    std::vector<glm::vec3> feet;
    for (const std::vector<glm::vec3>& flame : flames) {
        const glm::vec3 foot = lowest(flame);
        feet.push_back(foot);
        const float below =
            nearestHit(beneath, foot - glm::vec3(0.0f, flameFootProbe, 0.0f), {0.0f, -1.0f, 0.0f});
        EXPECT_TRUE(below >= 0.0f && below < flameFootReach) << "a flame hangs at " << text(foot);
        for (glm::vec3 p : flame) {
            ASSERT_TRUE(inAir(openSpace(), p)) << "a flame burns in stone at " << text(p);
        }
    }
    for (const std::vector<glm::vec3>& heap : piecesOf(model, "embers")) {
        const bool lit = std::any_of(feet.begin(), feet.end(), [&](glm::vec3 foot) {
            return std::any_of(heap.begin(), heap.end(), [&](glm::vec3 p) {
                return glm::distance(p, foot) < flameOnEmbersReach;
            });
        });
        EXPECT_TRUE(lit) << "embers without a flame at " << text(lowest(heap));
    }
}

TEST(DungeonSpace, CameraPathKeepsClearOfEveryWall) {
    ASSERT_FALSE(openSpace().air.empty()) << openSpacePath << " is missing or empty";
    ASSERT_FLOAT_EQ(pathTimeScale, 1.0f) << "the committed path.txt is not the one checked";
    ASSERT_FALSE(cameraPath.empty());
    for (size_t i = 0; i < cameraPath.size(); ++i) {
        ASSERT_TRUE(isOpen(openSpace(), cameraPath[i].position, cameraClearance))
            << "path entry " << i << " at " << text(cameraPath[i].position);
    }
}

TEST(DungeonSpace, LightStaysInsideAndAboveTheFloor) {
    ASSERT_FALSE(openSpace().air.empty());
    const std::vector<glm::vec3> route =
        pointLightRoute(routeFrames, static_cast<float>(framesPerSecond));
    for (size_t frame = 0; frame < route.size(); ++frame) {
        const glm::vec3 p = route[frame];
        ASSERT_TRUE(isOpen(openSpace(), p, lightClearance) &&
                    isOpen(openSpace(), p - glm::vec3(0.0f, lightFloorMargin, 0.0f), 0.0f))
            << "light at " << static_cast<float>(frame) / framesPerSecond << " s, " << text(p);
    }
}

TEST(DungeonSpace, StarsHaveOpenSkyAtTheEnd) {
    const OpenSpace& space = openSpace();
    ASSERT_FALSE(space.air.empty());
    const glm::vec3 eye = cameraPath.back().position;
    float ground = eye.y;
    for (const Box& box : space.air) {
        if (contains(box, eye)) {
            ground = std::min(ground, box.min.y);
        }
    }
    for (float up = 0.0f; up <= skyAboveEye; up += starSampleStep) {
        EXPECT_TRUE(isOpen(space, eye + glm::vec3(0.0f, up, 0.0f), 0.0f))
            << "something overhead at " << up << " above the last eye position";
    }
    const glm::vec3 emitter = eye + starEmitter;
    for (float x = -starSpread; x <= starSpread; x += starSampleStep) {
        for (float y = -starSpread; y <= starSpread; y += starSampleStep) {
            for (float z = -starSpread; z <= starSpread; z += starSampleStep) {
                const glm::vec3 p = emitter + glm::vec3(x, y, z);
                ASSERT_TRUE(p.y < ground + starGroundMargin || isOpen(space, p, 0.0f))
                    << "star region blocked at " << text(p);
            }
        }
    }
}

// The open space says where the air is, not that the model encloses it: inside,
// every ray of the view must end on a surface beyond the near plane, and the only
// ways out are the stair mouth onto the open ground outside and the open tops of the
// skylights.
TEST(DungeonModel, NothingInsideLooksIntoTheVoid) {
    const OpenSpace& space = openSpace();
    const std::vector<Triangle> triangles = readTriangles();
    ASSERT_FALSE(triangles.empty()) << objPath << " is missing or empty";
    ASSERT_FALSE(space.air.empty());
    const Box outside =
        *std::max_element(space.air.begin(), space.air.end(), [](const Box& a, const Box& b) {
            return glm::length(a.max - a.min) < glm::length(b.max - b.min);
        });
    for (size_t i = 0; i < cameraPath.size(); i += viewCheckStride) {
        const glm::vec3 eye = cameraPath[i].position;
        if (eye.z <= outside.max.z) {
            continue;
        }
        const glm::vec3 front = glm::normalize(cameraPath[i].front);
        const glm::vec3 right = glm::normalize(glm::cross(front, glm::vec3(0.0f, 1.0f, 0.0f)));
        const glm::vec3 up = glm::cross(right, front);
        for (int k = 0; k < raysAcross * raysAcross; ++k) {
            const float x = 2.0f * static_cast<float>(k % raysAcross) / (raysAcross - 1) - 1.0f;
            const float y = 2.0f * static_cast<float>(k / raysAcross) / (raysAcross - 1) - 1.0f;
            const glm::vec3 ray =
                glm::normalize(front + right * (x * tanHalfFieldOfView * aspectRatio) +
                               up * (y * tanHalfFieldOfView));
            const float hit = nearestHit(triangles, eye, ray);
            const float toMouth = ray.z < 0.0f ? (outside.max.z - eye.z) / ray.z : -1.0f;
            const glm::vec3 crossing = eye + ray * toMouth + glm::vec3(0.0f, 0.0f, mouthProbe);
            const bool throughSkylight =
                ray.y > 0.0f &&
                std::any_of(space.skylights.begin(), space.skylights.end(), [&](const Box& sky) {
                    const glm::vec3 top = eye + ray * ((sky.max.y - eye.y) / ray.y);
                    return top.x > sky.min.x && top.x < sky.max.x && top.z > sky.min.z &&
                           top.z < sky.max.z;
                });
            ASSERT_TRUE(
                hit > nearPlane ||
                (hit < 0.0f && ((toMouth > 0.0f && inAir(space, crossing)) || throughSkylight)))
                << "path entry " << i << " looking along " << text(ray)
                << (hit < 0.0f ? " sees the void" : " has a surface within the near plane");
        }
    }
}

// The rose's stone and its grate are each one closed solid, so no light line can show
// between its stones, its rings or where it meets the floor.
TEST(DungeonModel, FloorRoseIsWatertight) {
    const IndexedModel model = readIndexedModel();
    ASSERT_FALSE(model.positions.empty()) << objPath << " is missing or empty";
    const auto stone = roseFaces(model, "wall", roseRadius);
    const auto grate = roseFaces(model, "metal", grateRadius);
    // Three rings of bevelled stones, joints and mortar bands, walls and a bottom.
    EXPECT_GT(stone.size(), 1000u);
    EXPECT_GT(grate.size(), 40u);
    expectClosed(model, stone);
    expectClosed(model, grate);
    // The stone texture runs on along the arc across every face, also where the angle
    // wraps round.
    for (const IndexedFace& face : stone) {
        glm::vec2 low(std::numeric_limits<float>::max());
        glm::vec2 high(std::numeric_limits<float>::lowest());
        for (size_t t : face.uv) {
            low = glm::min(low, model.uvs[t]);
            high = glm::max(high, model.uvs[t]);
        }
        ASSERT_LT(high.x - low.x, roseFaceArcSpan)
            << "texture torn at " << text(model.positions[face.corner[0]]);
    }
}

// The ground outside has relief: mounds rising from it, none dug into it, and no face
// folded over another (each edge is crossed in each direction by at most one face).
TEST(DungeonModel, GroundOutsideRisesInMoundsWithoutPitsOrFolds) {
    const IndexedModel model = readIndexedModel();
    ASSERT_FALSE(model.positions.empty()) << objPath << " is missing or empty";
    const std::vector<IndexedFace>& ground = model.faces.at("ground");
    std::map<float, int> heights;
    std::map<std::pair<size_t, size_t>, int> directed;
    for (const IndexedFace& face : ground) {
        for (size_t k = 0; k < 3; ++k) {
            heights[model.positions[face.corner[k]].y] += 1;
            directed[{face.corner[k], face.corner[(k + 1) % 3]}] += 1;
        }
    }
    // The flat ground is the height most corners share.
    const float level = std::max_element(heights.begin(), heights.end(), [](auto& a, auto& b) {
                            return a.second < b.second;
                        })->first;
    EXPECT_GE(heights.begin()->first, level - groundSink);
    EXPECT_GE(heights.rbegin()->first, level + groundRelief);
    for (const auto& [edge, count] : directed) {
        ASSERT_EQ(count, 1) << "faces folded over the edge from "
                            << text(model.positions[edge.first]) << " to "
                            << text(model.positions[edge.second]);
    }
}

// Where a face's edge borders no other face, no other face's corner may lie on it: such a
// T-junction rasterises with hairline cracks along the edge.
TEST(DungeonModel, NoCornerEndsInTheMiddleOfAnEdge) {
    const IndexedModel model = readIndexedModel();
    ASSERT_FALSE(model.positions.empty()) << objPath << " is missing or empty";
    std::map<std::pair<size_t, size_t>, int> edges;
    for (const auto& [object, faces] : model.faces) {
        for (const IndexedFace& face : faces) {
            for (size_t k = 0; k < 3; ++k) {
                edges[std::minmax(face.corner[k], face.corner[(k + 1) % 3])] += 1;
            }
        }
    }
    auto cellOf = [](glm::vec3 p) { return glm::ivec3(glm::floor(p / junctionCell)); };
    std::map<std::array<int, 3>, std::vector<size_t>> cells;
    for (size_t k = 0; k < model.positions.size(); ++k) {
        const glm::ivec3 c = cellOf(model.positions[k]);
        cells[{c.x, c.y, c.z}].push_back(k);
    }
    for (const auto& [edge, count] : edges) {
        if (count != 1) {
            continue;
        }
        const glm::vec3 a = model.positions[edge.first];
        const glm::vec3 d = model.positions[edge.second] - a;
        const float length = glm::length(d);
        const glm::ivec3 low = cellOf(glm::min(a, a + d) - onEdgeDistance);
        const glm::ivec3 high = cellOf(glm::max(a, a + d) + onEdgeDistance);
        for (int x = low.x; x <= high.x; ++x) {
            for (int y = low.y; y <= high.y; ++y) {
                for (int z = low.z; z <= high.z; ++z) {
                    const auto cell = cells.find({x, y, z});
                    for (size_t k : cell == cells.end() ? std::vector<size_t>() : cell->second) {
                        const glm::vec3 p = model.positions[k];
                        const float along = glm::dot(p - a, d) / length;
                        ASSERT_FALSE(along > onEdgeDistance && along < length - onEdgeDistance &&
                                     glm::length(a + d * (along / length) - p) < onEdgeDistance)
                            << "corner " << text(p) << " in the middle of the edge from " << text(a)
                            << " to " << text(a + d);
                    }
                }
            }
        }
    }
}

} // namespace
