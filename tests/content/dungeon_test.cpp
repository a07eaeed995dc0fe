// The generated dungeon as the build left it under resources/: the camera path
// and the light's route run through open space, the stars get open sky at the
// end, and the model file is complete and consistently oriented.
#include "app/camera_path.h"
#include "effects/light_path.h"

#include <glm/geometric.hpp>
#include <glm/glm.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* openSpacePath = "resources/Dungeon50/open_space.txt";
constexpr const char* objPath = "resources/Dungeon50/Dungeon.obj";
constexpr const char* mtlPath = "resources/Dungeon50/Dungeon.mtl";
constexpr const char* materialNames[] = {"wall", "floor", "ceiling", "wood", "metal", "ground"};
constexpr float modelScale = 0.1f;
constexpr float worldUnitsPerTile = 2.0f;

constexpr float cameraClearance = 0.35f;
// Exact distance to the triangles; the camera's near plane is 0.1.
constexpr float cameraSurfaceClearance = 0.3f;
constexpr float lightClearance = 0.3f;
constexpr float lightSurfaceClearance = 0.25f;
constexpr float lightFloorMargin = 0.35f;
constexpr int surfaceCheckStride = 4;

constexpr glm::vec3 lightStart{-10.5f, 0.2f, 7.5f};
constexpr int framesPerSecond = 60;
constexpr int routeFrames = 146 * framesPerSecond;

// Stars are born within about this far of the emitter, which sits at this
// offset from the eye.
constexpr glm::vec3 starEmitter{0.0f, 1.5f, -2.5f};
constexpr float starSpread = 5.0f;
constexpr float starSampleStep = 0.7f;
constexpr float starGroundMargin = 0.5f;
constexpr float skyAboveEye = 8.0f;

// Rays cast from the eye through a grid over the demo's field of view.
constexpr float tanHalfFieldOfView = 0.41421356f; // tan(22.5 degrees)
constexpr float aspectRatio = 1280.0f / 768.0f;
constexpr int raysAcross = 5;
constexpr int viewCheckStride = 20;
constexpr float rayStart = 0.01f;

constexpr size_t fewestTriangles = 2000;
constexpr size_t mostTriangles = 20000;
// World area per texture tile, relative to a steady mapping; lathed parts map
// their narrower rings more densely.
constexpr float densestMapping = 0.3f;
constexpr float sparsestMapping = 1.5f;
constexpr float mappedAreaThreshold = 0.01f;

struct Box {
    glm::vec3 min;
    glm::vec3 max;
};

struct OpenSpace {
    std::vector<Box> air;
    std::vector<Box> solids;
};

bool contains(const Box& box, glm::vec3 p) {
    return glm::all(glm::greaterThanEqual(p, box.min)) && glm::all(glm::lessThanEqual(p, box.max));
}

float distanceToBox(const Box& box, glm::vec3 p) {
    return glm::length(glm::max(glm::max(box.min - p, p - box.max), glm::vec3(0.0f)));
}

OpenSpace readOpenSpace() {
    OpenSpace space;
    std::ifstream file(openSpacePath);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream in(line);
        std::string kind;
        Box box;
        if (!(in >> kind) || kind[0] == '#') {
            continue;
        }
        in >> box.min.x >> box.min.y >> box.min.z >> box.max.x >> box.max.y >> box.max.z;
        EXPECT_TRUE(in && (kind == "air" || kind == "solid")) << "bad line: " << line;
        (kind == "air" ? space.air : space.solids).push_back(box);
    }
    return space;
}

bool inAir(const OpenSpace& space, glm::vec3 p) {
    return std::any_of(space.air.begin(), space.air.end(),
                       [&](const Box& box) { return contains(box, p); });
}

// The point and the points `clearance` away from it in 26 directions lie in the
// air, and no solid comes within `clearance`.
bool isOpen(const OpenSpace& space, glm::vec3 p, float clearance) {
    for (const Box& solid : space.solids) {
        if (distanceToBox(solid, p) < clearance) {
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

std::vector<glm::vec3> lightRoute() {
    Light light;
    light.isPointLight = true;
    light.position = lightStart;
    float angle = initialLightPathAngle;
    std::vector<glm::vec3> route = {light.position};
    for (int frame = 1; frame <= routeFrames; ++frame) {
        moveLight(light, angle, initialLightPathSpeed, 1.0f / framesPerSecond,
                  static_cast<float>(frame) / framesPerSecond);
        route.push_back(light.position);
    }
    return route;
}

struct Corner {
    glm::vec3 position; // world units
    glm::vec2 uv;
    glm::vec3 normal;
};

struct ObjModel {
    std::vector<std::array<Corner, 3>> triangles;
    std::vector<std::string> objects;
    std::vector<std::string> materials;
    std::vector<std::string> problems;
};

ObjModel readObj() {
    ObjModel model;
    std::vector<glm::vec3> positions;
    std::vector<glm::vec2> uvs;
    std::vector<glm::vec3> normals;
    std::ifstream file(objPath);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream in(line);
        std::string tag;
        in >> tag;
        if (tag == "v") {
            glm::vec3 p;
            in >> p.x >> p.y >> p.z;
            positions.push_back(p * modelScale);
        } else if (tag == "vt") {
            glm::vec2 t;
            in >> t.x >> t.y;
            uvs.push_back(t);
        } else if (tag == "vn") {
            glm::vec3 n;
            in >> n.x >> n.y >> n.z;
            normals.push_back(n);
        } else if (tag == "o") {
            model.objects.emplace_back();
            in >> model.objects.back();
        } else if (tag == "usemtl") {
            model.materials.emplace_back();
            in >> model.materials.back();
        } else if (tag == "f") {
            std::vector<std::string> corners;
            for (std::string corner; in >> corner;) {
                corners.push_back(corner);
            }
            std::array<Corner, 3> triangle{};
            bool complete = corners.size() == 3;
            for (size_t k = 0; complete && k < 3; ++k) {
                int v = 0;
                int t = 0;
                int n = 0;
                char slash1 = 0;
                char slash2 = 0;
                std::istringstream c(corners[k]);
                complete = static_cast<bool>(c >> v >> slash1 >> t >> slash2 >> n) &&
                           slash1 == '/' && slash2 == '/' && v >= 1 && t >= 1 && n >= 1 &&
                           v <= static_cast<int>(positions.size()) &&
                           t <= static_cast<int>(uvs.size()) &&
                           n <= static_cast<int>(normals.size());
                if (complete) {
                    triangle[k] = {positions[v - 1], uvs[t - 1], normals[n - 1]};
                }
            }
            if (complete) {
                model.triangles.push_back(triangle);
            } else {
                model.problems.push_back(line);
            }
        }
    }
    return model;
}

float distanceToTriangle(glm::vec3 p, const std::array<Corner, 3>& t) {
    const glm::vec3 a = t[0].position;
    const glm::vec3 b = t[1].position;
    const glm::vec3 c = t[2].position;
    const glm::vec3 ab = b - a;
    const glm::vec3 ac = c - a;
    const glm::vec3 normal = glm::cross(ab, ac);
    const float area2 = glm::dot(normal, normal);
    if (area2 > 0.0f) {
        // Inside the triangle's prism the distance is to its plane.
        const glm::vec3 q = p - normal * (glm::dot(p - a, normal) / area2);
        const float u = glm::dot(glm::cross(b - q, c - q), normal);
        const float v = glm::dot(glm::cross(c - q, a - q), normal);
        const float w = glm::dot(glm::cross(a - q, b - q), normal);
        if (u >= 0.0f && v >= 0.0f && w >= 0.0f) {
            return glm::length(p - q);
        }
    }
    auto toSegment = [&](glm::vec3 from, glm::vec3 to) {
        const glm::vec3 d = to - from;
        const float length2 = glm::dot(d, d);
        const float s =
            length2 > 0.0f ? glm::clamp(glm::dot(p - from, d) / length2, 0.0f, 1.0f) : 0.0f;
        return glm::length(p - (from + s * d));
    };
    return std::min({toSegment(a, b), toSegment(b, c), toSegment(c, a)});
}

// The first point of the list that comes closer than `clearance` to a triangle,
// or -1.
int firstPointNearSurface(const ObjModel& model, const std::vector<glm::vec3>& points,
                          float clearance, float* distance) {
    std::vector<Box> bounds;
    for (const auto& t : model.triangles) {
        bounds.push_back({glm::min(glm::min(t[0].position, t[1].position), t[2].position),
                          glm::max(glm::max(t[0].position, t[1].position), t[2].position)});
    }
    for (size_t i = 0; i < points.size(); ++i) {
        for (size_t k = 0; k < model.triangles.size(); ++k) {
            if (distanceToBox(bounds[k], points[i]) >= clearance) {
                continue;
            }
            *distance = distanceToTriangle(points[i], model.triangles[k]);
            if (*distance < clearance) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

// Distance along the ray to the nearest triangle, or a negative value.
float firstHit(const ObjModel& model, glm::vec3 origin, glm::vec3 direction) {
    float nearest = -1.0f;
    for (const auto& t : model.triangles) {
        const glm::vec3 e1 = t[1].position - t[0].position;
        const glm::vec3 e2 = t[2].position - t[0].position;
        const glm::vec3 p = glm::cross(direction, e2);
        const float determinant = glm::dot(e1, p);
        if (std::abs(determinant) < 1e-12f) {
            continue;
        }
        const glm::vec3 s = (origin - t[0].position) / determinant;
        const float u = glm::dot(s, p);
        const glm::vec3 q = glm::cross(s, e1);
        const float v = glm::dot(direction, q);
        const float distance = glm::dot(e2, q);
        if (u >= 0.0f && v >= 0.0f && u + v <= 1.0f && distance > rayStart &&
            (nearest < 0.0f || distance < nearest)) {
            nearest = distance;
        }
    }
    return nearest;
}

class DungeonSpace : public testing::Test {
  protected:
    static void SetUpTestSuite() { space = new OpenSpace(readOpenSpace()); }
    static void TearDownTestSuite() { delete space; }
    static OpenSpace* space;
};
OpenSpace* DungeonSpace::space = nullptr;

TEST_F(DungeonSpace, CameraPathKeepsClearOfEveryWall) {
    ASSERT_FALSE(space->air.empty()) << openSpacePath << " is missing or empty";
    ASSERT_FLOAT_EQ(pathTimeScale, 1.0f) << "the committed path.txt is not the one checked";
    ASSERT_FALSE(cameraPath.empty());
    for (size_t i = 0; i < cameraPath.size(); ++i) {
        const glm::vec3 p = cameraPath[i].position;
        ASSERT_TRUE(isOpen(*space, p, cameraClearance))
            << "path entry " << i << " at (" << p.x << ", " << p.y << ", " << p.z << ")";
    }
}

TEST_F(DungeonSpace, LightStaysInsideAndAboveTheFloor) {
    ASSERT_FALSE(space->air.empty());
    const std::vector<glm::vec3> route = lightRoute();
    for (size_t frame = 0; frame < route.size(); ++frame) {
        const glm::vec3 p = route[frame];
        ASSERT_TRUE(isOpen(*space, p, lightClearance) &&
                    isOpen(*space, p - glm::vec3(0.0f, lightFloorMargin, 0.0f), 0.0f))
            << "light at " << static_cast<float>(frame) / framesPerSecond << " s, (" << p.x << ", "
            << p.y << ", " << p.z << ")";
    }
}

TEST_F(DungeonSpace, StarsHaveOpenSkyAtTheEnd) {
    ASSERT_FALSE(space->air.empty());
    const glm::vec3 eye = cameraPath.back().position;
    float ground = eye.y;
    for (const Box& box : space->air) {
        if (contains(box, eye)) {
            ground = std::min(ground, box.min.y);
        }
    }
    for (float up = 0.0f; up <= skyAboveEye; up += starSampleStep) {
        EXPECT_TRUE(isOpen(*space, eye + glm::vec3(0.0f, up, 0.0f), 0.0f))
            << "something overhead at " << up << " above the last eye position";
    }
    const glm::vec3 emitter = eye + starEmitter;
    for (float x = -starSpread; x <= starSpread; x += starSampleStep) {
        for (float y = -starSpread; y <= starSpread; y += starSampleStep) {
            for (float z = -starSpread; z <= starSpread; z += starSampleStep) {
                const glm::vec3 p = emitter + glm::vec3(x, y, z);
                if (p.y >= ground + starGroundMargin) {
                    ASSERT_TRUE(isOpen(*space, p, 0.0f))
                        << "star region blocked at (" << p.x << ", " << p.y << ", " << p.z << ")";
                }
            }
        }
    }
}

class DungeonModel : public testing::Test {
  protected:
    static void SetUpTestSuite() { model = new ObjModel(readObj()); }
    static void TearDownTestSuite() { delete model; }
    static ObjModel* model;
};
ObjModel* DungeonModel::model = nullptr;

TEST_F(DungeonModel, OneObjectPerMaterialWithTexturesForEach) {
    EXPECT_TRUE(model->problems.empty()) << "face without v/vt/vn: " << model->problems.front();
    EXPECT_GE(model->triangles.size(), fewestTriangles);
    EXPECT_LE(model->triangles.size(), mostTriangles);

    std::ifstream file(mtlPath);
    std::map<std::string, std::map<std::string, std::string>> maps;
    std::string current;
    for (std::string line; std::getline(file, line);) {
        std::istringstream in(line);
        std::string tag;
        std::string value;
        in >> tag >> value;
        if (tag == "newmtl") {
            current = value;
            maps[current];
        } else if (tag.rfind("map_", 0) == 0) {
            maps[current][tag] = value;
        }
    }
    std::vector<std::string> expected(std::begin(materialNames), std::end(materialNames));
    std::vector<std::string> used = model->materials;
    std::sort(expected.begin(), expected.end());
    std::sort(used.begin(), used.end());
    EXPECT_EQ(used, expected);
    EXPECT_EQ(model->objects.size(), model->materials.size());
    for (const std::string& name : expected) {
        EXPECT_EQ(maps[name]["map_Kd"], "textures/" + name + "_diffuse.png");
        EXPECT_EQ(maps[name]["map_Ks"], "textures/" + name + "_specular.png");
        EXPECT_EQ(maps[name]["map_bump"], "textures/" + name + "_normal.png");
    }
}

TEST_F(DungeonModel, FacesAndTextureFramesAgreeWithTheirNormals) {
    ASSERT_FALSE(model->triangles.empty());
    for (size_t i = 0; i < model->triangles.size(); ++i) {
        const auto& t = model->triangles[i];
        const glm::vec3 e1 = t[1].position - t[0].position;
        const glm::vec3 e2 = t[2].position - t[0].position;
        const glm::vec2 d1 = t[1].uv - t[0].uv;
        const glm::vec2 d2 = t[2].uv - t[0].uv;
        const glm::vec3 facing = glm::cross(e1, e2);
        const glm::vec3 normal = t[0].normal + t[1].normal + t[2].normal;
        ASSERT_GT(glm::dot(facing, normal), 0.0f) << "triangle " << i << " winds clockwise";
        for (const Corner& c : t) {
            ASSERT_NEAR(glm::length(c.normal), 1.0f, 1e-3f) << "triangle " << i;
        }
        // Where u and v grow on the surface; u x v must point out of the face, or
        // the normal map would light it from the wrong side.
        const float uvArea = d1.x * d2.y - d2.x * d1.y;
        ASSERT_NE(uvArea, 0.0f) << "triangle " << i << " has no texture extent";
        const glm::vec3 dPdu = (e1 * d2.y - e2 * d1.y) / uvArea;
        const glm::vec3 dPdv = (e2 * d1.x - e1 * d2.x) / uvArea;
        ASSERT_GT(glm::dot(glm::cross(dPdu, dPdv), facing), 0.0f)
            << "triangle " << i << " has a mirrored texture frame";
        const float worldArea = 0.5f * glm::length(facing);
        if (worldArea > mappedAreaThreshold) {
            const float density =
                worldArea / (0.5f * std::abs(uvArea) * worldUnitsPerTile * worldUnitsPerTile);
            EXPECT_GT(density, densestMapping) << "triangle " << i;
            EXPECT_LT(density, sparsestMapping) << "triangle " << i;
        }
    }
}

TEST_F(DungeonModel, CameraAndLightNeverTouchASurface) {
    ASSERT_FALSE(model->triangles.empty());
    std::vector<glm::vec3> eyes;
    for (size_t i = 0; i < cameraPath.size(); i += surfaceCheckStride) {
        eyes.push_back(cameraPath[i].position);
    }
    float distance = 0.0f;
    int hit = firstPointNearSurface(*model, eyes, cameraSurfaceClearance, &distance);
    EXPECT_EQ(hit, -1) << "path entry " << hit * surfaceCheckStride << " is " << distance
                       << " from a surface";

    const std::vector<glm::vec3> route = lightRoute();
    std::vector<glm::vec3> lights;
    for (size_t i = 0; i < route.size(); i += surfaceCheckStride) {
        lights.push_back(route[i]);
    }
    hit = firstPointNearSurface(*model, lights, lightSurfaceClearance, &distance);
    EXPECT_EQ(hit, -1) << "the light at frame " << hit * surfaceCheckStride << " is " << distance
                       << " from a surface";
}

// Inside, every ray of the view ends on a surface; the only way out is the stair
// mouth, the open side of the ground outside.
TEST_F(DungeonModel, NothingInsideLooksIntoTheVoid) {
    const OpenSpace space = readOpenSpace();
    ASSERT_FALSE(model->triangles.empty());
    ASSERT_FALSE(space.air.empty());
    const Box outside =
        *std::max_element(space.air.begin(), space.air.end(), [](const Box& a, const Box& b) {
            return glm::length(a.max - a.min) < glm::length(b.max - b.min);
        });
    const float mouthZ = outside.max.z;
    for (size_t i = 0; i < cameraPath.size(); i += viewCheckStride) {
        const glm::vec3 eye = cameraPath[i].position;
        if (eye.z <= mouthZ) {
            continue;
        }
        const glm::vec3 front = glm::normalize(cameraPath[i].front);
        const glm::vec3 right = glm::normalize(glm::cross(front, glm::vec3(0.0f, 1.0f, 0.0f)));
        const glm::vec3 up = glm::cross(right, front);
        for (int row = 0; row < raysAcross; ++row) {
            for (int column = 0; column < raysAcross; ++column) {
                const float x = 2.0f * column / (raysAcross - 1) - 1.0f;
                const float y = 2.0f * row / (raysAcross - 1) - 1.0f;
                const glm::vec3 ray =
                    glm::normalize(front + right * (x * tanHalfFieldOfView * aspectRatio) +
                                   up * (y * tanHalfFieldOfView));
                if (firstHit(*model, eye, ray) > 0.0f) {
                    continue;
                }
                const float toMouth = ray.z < 0.0f ? (mouthZ - eye.z) / ray.z : -1.0f;
                const glm::vec3 crossing = eye + ray * toMouth + glm::vec3(0.0f, 0.0f, rayStart);
                ASSERT_TRUE(toMouth > 0.0f && inAir(space, crossing))
                    << "path entry " << i << " sees the void towards (" << ray.x << ", " << ray.y
                    << ", " << ray.z << ")";
            }
        }
    }
}

} // namespace
