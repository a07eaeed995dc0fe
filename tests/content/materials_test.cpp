// The generated textures, sky faces and star sprite under resources/, read back
// with libpng: maps that tile, normal maps in GL's sense, sky faces that meet.
#include <glm/geometric.hpp>
#include <glm/vec3.hpp>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The materials are those the model's MTL file defines, their maps the files it names
// beside it.
constexpr const char* modelFolder = "resources/Dungeon50/";
constexpr const char* mtlFile = "Dungeon.mtl";
constexpr const char* skyFolder = "resources/skybox3/";
constexpr const char* starPath = "resources/textures/star.png";
// What burns; its diffuse map's alpha is 1 - glow. Embers glow in their cracks, not over
// their crust; a flame glows throughout.
constexpr const char* burning[] = {"embers", "flame"};
constexpr int glowingAlpha = 128;
constexpr double embersGlowingLeast = 0.1;
constexpr double embersGlowingMost = 0.6;
constexpr int flameAlphaMost = 16;
// In GL's face order: +X, -X, +Y, -Y, +Z, -Z.
enum Face { PositiveX, NegativeX, PositiveY, NegativeY, PositiveZ, NegativeZ, FaceCount };
constexpr const char* faceFiles[FaceCount] = {"right.png",  "left.png", "up.png",
                                              "bottom.png", "back.png", "front.png"};
// A seam may differ by this factor more than neighbouring lines, plus a level.
constexpr double seamFactor = 1.5;
constexpr double seamSlack = 1.0;
// Nearly every texel of a normal map decodes to a unit normal facing out.
constexpr double unitTolerance = 0.05;
constexpr double normalShare = 0.99;
// The slopes' curl in GL's sense of green stays well below the opposite sense's.
constexpr double greenUpRatio = 0.8;
constexpr int opaqueAlpha = 240; // at the star sprite's centre
constexpr int brightLevel = 200;

struct MaterialMaps {
    std::string name;
    std::string diffuse;
    std::string specular;
    std::string normal;
};

std::vector<MaterialMaps> readMaterials() {
    std::ifstream in(std::string(modelFolder) + mtlFile);
    std::vector<MaterialMaps> materials;
    std::string key;
    std::string value;
    while (in >> key && std::getline(in >> std::ws, value)) {
        if (key == "newmtl") {
            materials.push_back({value, "", "", ""});
        } else if (!materials.empty()) {
            MaterialMaps& maps = materials.back();
            std::string* file = key == "map_Kd"     ? &maps.diffuse
                                : key == "map_Ks"   ? &maps.specular
                                : key == "map_bump" ? &maps.normal
                                                    : nullptr;
            if (file != nullptr) {
                *file = modelFolder + value;
            }
        }
    }
    return materials;
}

struct Picture {
    int width = 0, height = 0, channels = 0;
    std::vector<unsigned char> pixels;

    // Wraps around, as the texture does when it tiles.
    int at(int x, int y, int c) const {
        const size_t texel =
            static_cast<size_t>((y + height) % height) * width + (x + width) % width;
        return pixels[texel * channels + c];
    }
};

// 8-bit samples in the file's own channels; an empty picture when unreadable.
Picture readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return {};
    }
    image.format &= PNG_FORMAT_FLAG_COLOR | PNG_FORMAT_FLAG_ALPHA;
    Picture p{static_cast<int>(image.width), static_cast<int>(image.height),
              static_cast<int>(PNG_IMAGE_SAMPLE_CHANNELS(image.format)),
              std::vector<unsigned char>(PNG_IMAGE_SIZE(image))};
    return png_image_finish_read(&image, nullptr, p.pixels.data(), 0, nullptr) != 0 ? p : Picture{};
}

// A column or row of a picture (negative indices count from the far side),
// walked from its start or, reversed, from its end.
struct Line {
    int index;
    bool column;
    bool reversed = false;

    int texel(const Picture& p, int i, int c) const {
        const int along = reversed ? (column ? p.height : p.width) - 1 - i : i;
        return column ? p.at(index, along, c) : p.at(along, index, c);
    }
};

// Median along two lines of the texels' mean absolute difference over channels.
// It ignores a joint or a star near the lines, but not a seam along all of them.
double lineDifference(const Picture& p, Line a, const Picture& q, Line b) {
    const int length = a.column ? p.height : p.width;
    std::vector<double> differences;
    for (int i = 0; i < length; ++i) {
        double sum = 0.0;
        for (int c = 0; c < p.channels; ++c) {
            sum += std::abs(a.texel(p, i, c) - b.texel(q, i, c));
        }
        differences.push_back(sum / p.channels);
    }
    std::nth_element(differences.begin(), differences.begin() + length / 2, differences.end());
    return differences[static_cast<size_t>(length / 2)];
}

// What a seam may differ by: about what neighbouring lines inside p differ by.
double seamAllowance(const Picture& p, bool columns) {
    const int count = columns ? p.width : p.height;
    double sum = 0.0;
    for (int i = 0; i + 1 < count; ++i) {
        sum += lineDifference(p, {i, columns}, p, {i + 1, columns});
    }
    return seamFactor * sum / (count - 1) + seamSlack;
}

} // namespace

TEST(Materials, EveryMapIsAPowerOfTwoImageThatTiles) {
    const std::vector<MaterialMaps> materials = readMaterials();
    ASSERT_FALSE(materials.empty()) << "no materials in " << modelFolder << mtlFile;
    for (const MaterialMaps& maps : materials) {
        for (const std::string& file : {maps.diffuse, maps.specular, maps.normal}) {
            SCOPED_TRACE(maps.name + ": " + file);
            ASSERT_FALSE(file.empty()) << "a map is missing from the MTL file";
            const Picture p = readPng(file);
            ASSERT_FALSE(p.pixels.empty());
            EXPECT_TRUE((p.width & (p.width - 1)) == 0 && (p.height & (p.height - 1)) == 0);
            EXPECT_LE(lineDifference(p, {-1, true}, p, {0, true}), seamAllowance(p, true));
            EXPECT_LE(lineDifference(p, {-1, false}, p, {0, false}), seamAllowance(p, false));
        }
    }
}

// Normals from a height field h have slopes s = (-dh/du, -dh/dv). With rows
// running down the image (v up), dsx/dy + dsy/dx = 0; a green channel of the
// opposite sense obeys dsx/dy - dsy/dx = 0 instead.
TEST(Materials, NormalMapsHoldUnitNormalsFacingOutWithGreenUp) {
    for (const MaterialMaps& maps : readMaterials()) {
        SCOPED_TRACE(maps.name);
        const Picture p = readPng(maps.normal);
        ASSERT_GE(p.channels, 3);
        auto normal = [&](int x, int y) {
            return glm::dvec3(p.at(x, y, 0), p.at(x, y, 1), p.at(x, y, 2)) / 127.5 - 1.0;
        };
        auto slope = [&](int x, int y, int axis) { return normal(x, y)[axis] / normal(x, y).z; };
        int good = 0;
        double upward = 0.0;
        double downward = 0.0;
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                const glm::dvec3 n = normal(x, y);
                good += std::fabs(glm::length(n) - 1.0) < unitTolerance && n.z > 0.0 ? 1 : 0;
                const double sxAlongY = slope(x, y + 1, 0) - slope(x, y - 1, 0);
                const double syAlongX = slope(x + 1, y, 1) - slope(x - 1, y, 1);
                upward += std::fabs(sxAlongY + syAlongX);
                downward += std::fabs(sxAlongY - syAlongX);
            }
        }
        EXPECT_GT(good, normalShare * p.width * p.height);
        EXPECT_LE(upward, greenUpRatio * downward);
    }
}

// A texel glows by 1 - alpha, so every map but those of what burns is opaque, and what
// glows is warm: red over green over blue.
TEST(Materials, OnlyWhatBurnsGlowsThroughItsDiffuseAlpha) {
    for (const MaterialMaps& maps : readMaterials()) {
        SCOPED_TRACE(maps.name);
        const Picture p = readPng(maps.diffuse);
        ASSERT_FALSE(p.pixels.empty());
        const bool burns = std::any_of(std::begin(burning), std::end(burning),
                                       [&](const char* b) { return maps.name == b; });
        if (!burns) {
            for (int y = 0; y < p.height && p.channels == 4; ++y) {
                for (int x = 0; x < p.width; ++x) {
                    ASSERT_EQ(p.at(x, y, 3), 255) << "glows at " << x << ", " << y;
                }
            }
            continue;
        }
        ASSERT_EQ(p.channels, 4);
        int glowing = 0;
        int mostAlpha = 0;
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                mostAlpha = std::max(mostAlpha, p.at(x, y, 3));
                if (p.at(x, y, 3) < glowingAlpha) {
                    ++glowing;
                    ASSERT_TRUE(p.at(x, y, 0) > p.at(x, y, 1) && p.at(x, y, 1) > p.at(x, y, 2))
                        << "cold glow at " << x << ", " << y;
                }
            }
        }
        const double share = static_cast<double>(glowing) / (p.width * p.height);
        if (maps.name == "flame") {
            EXPECT_LE(mostAlpha, flameAlphaMost);
        } else {
            EXPECT_GT(share, embersGlowingLeast);
            EXPECT_LT(share, embersGlowingMost);
        }
    }
}

TEST(Sky, FacesAreSquareOfOneSizeAndMeetAlongTheirEdges) {
    std::vector<Picture> faces;
    for (const char* file : faceFiles) {
        const Picture& face = faces.emplace_back(readPng(std::string(skyFolder) + file));
        ASSERT_TRUE(face.width > 0 && face.width == faces[0].height && face.height == face.width)
            << file << " is missing, not square or not of the others' size";
    }
    // Lines of faces a and b that GL's cube-map orientation puts side by side.
    auto meet = [&](Face a, Line lineA, Face b, Line lineB) {
        SCOPED_TRACE(std::string(faceFiles[a]) + " against " + faceFiles[b]);
        EXPECT_LE(lineDifference(faces[a], lineA, faces[b], lineB),
                  seamAllowance(faces[a], lineA.column));
    };
    meet(PositiveX, {-1, true}, NegativeZ, {0, true});
    meet(NegativeX, {-1, true}, PositiveZ, {0, true});
    meet(PositiveY, {-1, false}, PositiveZ, {0, false});
    meet(PositiveY, {0, false}, NegativeZ, {0, false, true});
    meet(PositiveY, {0, true}, NegativeX, {0, false});
    meet(NegativeY, {0, false}, PositiveZ, {-1, false});
}

TEST(Star, GlowsInTheMiddleOfATransparentSprite) {
    const Picture star = readPng(starPath);
    ASSERT_EQ(star.channels, 4);
    ASSERT_EQ(star.width, star.height);
    int borderAlpha = 0;
    for (int i = 0; i < star.width; ++i) {
        borderAlpha += star.at(i, 0, 3) + star.at(i, -1, 3) + star.at(0, i, 3) + star.at(-1, i, 3);
    }
    EXPECT_EQ(borderAlpha, 0);
    const int middle = star.width / 2;
    for (int c = 0; c < 4; ++c) {
        EXPECT_GT(star.at(middle, middle, c), c == 3 ? opaqueAlpha : brightLevel);
    }
}
