// The generated textures, sky faces and star sprite under resources/, read
// back with libpng alone.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* textureFolder = "resources/Dungeon50/textures/";
constexpr const char* skyFolder = "resources/skybox3/";
constexpr const char* starPath = "resources/textures/star.png";
constexpr const char* materialNames[] = {"wall", "floor", "ceiling", "wood", "metal", "ground"};
constexpr const char* mapSuffixes[] = {"_diffuse.png", "_specular.png", "_normal.png"};
// In GL's face order: +X, -X, +Y, -Y, +Z, -Z.
enum Face { PositiveX, NegativeX, PositiveY, NegativeY, PositiveZ, NegativeZ, FaceCount };
constexpr const char* faceFiles[FaceCount] = {"right.png",  "left.png", "up.png",
                                              "bottom.png", "back.png", "front.png"};
// A wrap edge may differ from neighbouring interior columns by this factor,
// plus a level or so for rounding.
constexpr double seamFactor = 1.5;
constexpr double seamSlack = 1.0;

struct Picture {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<unsigned char> pixels;

    int at(int x, int y, int c) const {
        return pixels[(static_cast<size_t>(y) * static_cast<size_t>(width) +
                       static_cast<size_t>(x)) *
                          static_cast<size_t>(channels) +
                      static_cast<size_t>(c)];
    }
};

// 8-bit samples in the file's own channels; an empty picture when unreadable.
Picture readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return picture;
    }
    image.format &= PNG_FORMAT_FLAG_COLOR | PNG_FORMAT_FLAG_ALPHA;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.channels = static_cast<int>(PNG_IMAGE_SAMPLE_CHANNELS(image.format));
    picture.pixels.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr) == 0) {
        return Picture();
    }
    return picture;
}

bool isPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// Median over a line of texels of the mean absolute difference over channels
// between two lines: columns (x = a, b) or rows (y = a, b), optionally walking
// b backwards. The median ignores a joint or a star that happens to lie near
// the line, but not a seam along all of it.
double lineDifference(const Picture& p, int a, const Picture& q, int b, bool columns,
                      bool reversed = false) {
    const int length = columns ? p.height : p.width;
    std::vector<double> differences;
    for (int i = 0; i < length; ++i) {
        const int j = reversed ? length - 1 - i : i;
        double sum = 0.0;
        for (int c = 0; c < p.channels; ++c) {
            const int first = columns ? p.at(a, i, c) : p.at(i, a, c);
            const int second = columns ? q.at(b, j, c) : q.at(j, b, c);
            sum += std::abs(first - second);
        }
        differences.push_back(sum / p.channels);
    }
    std::nth_element(differences.begin(), differences.begin() + length / 2, differences.end());
    return differences[static_cast<size_t>(length / 2)];
}

double interiorDifference(const Picture& p, bool columns) {
    const int count = columns ? p.width : p.height;
    double sum = 0.0;
    for (int i = 0; i + 1 < count; ++i) {
        sum += lineDifference(p, i, p, i + 1, columns);
    }
    return sum / (count - 1);
}

std::vector<std::string> materialFiles() {
    std::vector<std::string> files;
    for (const char* name : materialNames) {
        for (const char* suffix : mapSuffixes) {
            files.push_back(std::string(textureFolder) + name + suffix);
        }
    }
    return files;
}

struct Normal {
    double x, y, z;
};

Normal normalAt(const Picture& p, int x, int y) {
    return {p.at(x, y, 0) / 127.5 - 1.0, p.at(x, y, 1) / 127.5 - 1.0, p.at(x, y, 2) / 127.5 - 1.0};
}

} // namespace

TEST(Materials, EveryMapIsAReadablePowerOfTwoImage) {
    for (const std::string& file : materialFiles()) {
        SCOPED_TRACE(file);
        const Picture picture = readPng(file);
        ASSERT_FALSE(picture.pixels.empty());
        EXPECT_TRUE(isPowerOfTwo(picture.width));
        EXPECT_TRUE(isPowerOfTwo(picture.height));
        if (file.find("_specular") == std::string::npos) {
            EXPECT_GE(picture.channels, 3);
        }
    }
}

TEST(Materials, NormalMapsHoldUnitNormalsFacingOut) {
    for (const char* name : materialNames) {
        SCOPED_TRACE(name);
        const Picture picture = readPng(std::string(textureFolder) + name + "_normal.png");
        ASSERT_GE(picture.channels, 3);
        int outward = 0;
        int unit = 0;
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                const Normal n = normalAt(picture, x, y);
                const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
                unit += std::fabs(length - 1.0) < 0.05 ? 1 : 0;
                outward += picture.at(x, y, 2) > 128 ? 1 : 0;
            }
        }
        const int texels = picture.width * picture.height;
        EXPECT_GT(unit, texels * 99 / 100);
        EXPECT_GT(outward, texels * 99 / 100);
    }
}

// Normals from a height field h have slopes (-dh/du, -dh/dv). With rows
// running down the image (v up), the slope field s = (sx, sy) then obeys
// dsx/dy + dsy/dx = 0; a green channel of the opposite sense obeys
// dsx/dy - dsy/dx = 0 instead.
TEST(Materials, NormalMapGreenPointsUpTheImage) {
    for (const char* name : materialNames) {
        SCOPED_TRACE(name);
        const Picture p = readPng(std::string(textureFolder) + name + "_normal.png");
        ASSERT_GE(p.channels, 3);
        auto slope = [&](int x, int y) {
            const Normal n = normalAt(p, (x + p.width) % p.width, (y + p.height) % p.height);
            return std::make_pair(n.x / n.z, n.y / n.z);
        };
        double upward = 0.0;
        double downward = 0.0;
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                const double sxAlongY = slope(x, y + 1).first - slope(x, y - 1).first;
                const double syAlongX = slope(x + 1, y).second - slope(x - 1, y).second;
                upward += std::fabs(sxAlongY + syAlongX);
                downward += std::fabs(sxAlongY - syAlongX);
            }
        }
        EXPECT_LT(upward, 0.8 * downward);
    }
}

// Average over all texels and the first three channels, 0 … 255.
double meanLevel(const Picture& p) {
    double sum = 0.0;
    const int channels = std::min(p.channels, 3);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            for (int c = 0; c < channels; ++c) {
                sum += p.at(x, y, c);
            }
        }
    }
    return sum / (static_cast<double>(p.width) * p.height * channels);
}

// The scene is lit brightly in HDR: colours stay mid-dark, and none is flat.
TEST(Materials, DiffuseColoursAreModestAndVaried) {
    for (const char* name : materialNames) {
        SCOPED_TRACE(name);
        const Picture p = readPng(std::string(textureFolder) + name + "_diffuse.png");
        ASSERT_FALSE(p.pixels.empty());
        const double mean = meanLevel(p);
        EXPECT_GT(mean, 0.12 * 255);
        EXPECT_LT(mean, 0.55 * 255);
        double spread = 0.0;
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                spread += std::fabs(p.at(x, y, 0) - mean);
            }
        }
        EXPECT_GT(spread / (p.width * p.height), 4.0);
    }
}

TEST(Materials, MetalShinesMoreThanStoneAndWood) {
    auto shine = [](const char* name) {
        return meanLevel(readPng(std::string(textureFolder) + name + "_specular.png"));
    };
    const double metal = shine("metal");
    for (const char* dull : {"wall", "ceiling", "wood", "ground"}) {
        SCOPED_TRACE(dull);
        EXPECT_GT(metal, 2.5 * shine(dull));
        EXPECT_LT(shine(dull), 0.25 * 255);
    }
}

TEST(Materials, MapsWrapWithoutSeams) {
    for (const std::string& file : materialFiles()) {
        SCOPED_TRACE(file);
        const Picture p = readPng(file);
        ASSERT_FALSE(p.pixels.empty());
        for (bool columns : {true, false}) {
            const int last = (columns ? p.width : p.height) - 1;
            EXPECT_LE(lineDifference(p, last, p, 0, columns),
                      seamFactor * interiorDifference(p, columns) + seamSlack)
                << (columns ? "left and right edges" : "top and bottom edges");
        }
    }
}

TEST(Sky, FacesAreSquareAndOfOneSize) {
    const Picture first = readPng(std::string(skyFolder) + faceFiles[0]);
    ASSERT_FALSE(first.pixels.empty());
    EXPECT_EQ(first.width, first.height);
    for (const char* file : faceFiles) {
        SCOPED_TRACE(file);
        const Picture face = readPng(std::string(skyFolder) + file);
        ASSERT_FALSE(face.pixels.empty());
        EXPECT_EQ(face.width, first.width);
        EXPECT_EQ(face.height, first.height);
        EXPECT_EQ(face.channels, 3);
    }
}

// With GL's cube-map orientation, these edges are the same line of directions
// seen from two faces.
TEST(Sky, NeighbouringFacesMeetAlongTheirEdges) {
    std::vector<Picture> faces;
    for (const char* file : faceFiles) {
        faces.push_back(readPng(std::string(skyFolder) + file));
        ASSERT_FALSE(faces.back().pixels.empty()) << file;
    }
    const int last = faces[PositiveX].width - 1;
    struct Edge {
        Face a;
        int lineA;
        Face b;
        int lineB;
        bool columns;
        bool reversed;
    };
    const Edge edges[] = {
        {PositiveX, last, NegativeZ, 0, true, false},  {NegativeZ, last, NegativeX, 0, true, false},
        {NegativeX, last, PositiveZ, 0, true, false},  {PositiveZ, last, PositiveX, 0, true, false},
        {PositiveY, last, PositiveZ, 0, false, false}, {PositiveY, 0, NegativeZ, 0, false, true},
        {NegativeY, 0, PositiveZ, last, false, false},
    };
    for (const Edge& edge : edges) {
        SCOPED_TRACE(std::string(faceFiles[edge.a]) + " against " + faceFiles[edge.b]);
        const Picture& a = faces[edge.a];
        const double across =
            lineDifference(a, edge.lineA, faces[edge.b], edge.lineB, edge.columns, edge.reversed);
        EXPECT_LE(across, seamFactor * interiorDifference(a, edge.columns) + seamSlack);
    }
}

TEST(Sky, StarsShineAboveAndNotBelowTheHorizon) {
    const Picture up = readPng(std::string(skyFolder) + faceFiles[PositiveY]);
    const Picture down = readPng(std::string(skyFolder) + faceFiles[NegativeY]);
    ASSERT_FALSE(up.pixels.empty());
    ASSERT_FALSE(down.pixels.empty());
    auto brightTexels = [](const Picture& p) {
        int count = 0;
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                count += p.at(x, y, 0) + p.at(x, y, 1) + p.at(x, y, 2) > 3 * 160 ? 1 : 0;
            }
        }
        return count;
    };
    EXPECT_GT(brightTexels(up), 50);
    EXPECT_EQ(brightTexels(down), 0);
}

TEST(Star, GlowsInTheMiddleOfATransparentSprite) {
    const Picture star = readPng(starPath);
    ASSERT_EQ(star.channels, 4);
    ASSERT_TRUE(isPowerOfTwo(star.width));
    ASSERT_EQ(star.width, star.height);
    const int last = star.width - 1;
    for (int i = 0; i <= last; ++i) {
        EXPECT_EQ(star.at(i, 0, 3), 0);
        EXPECT_EQ(star.at(i, last, 3), 0);
        EXPECT_EQ(star.at(0, i, 3), 0);
        EXPECT_EQ(star.at(last, i, 3), 0);
    }
    const int middle = star.width / 2;
    EXPECT_GT(star.at(middle, middle, 3), 240);
    for (int c = 0; c < 3; ++c) {
        EXPECT_GT(star.at(middle, middle, c), 200);
    }
}
