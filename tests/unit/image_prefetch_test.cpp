#include "gfx/image_prefetch.h"
#include "gfx/mipmap.h"
#include "gfx/soil.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr int fileCount = 9;
constexpr int side = 5;

struct Loaded {
    Bytes pixels;
    int width = -1;
    int height = -1;
    bool null = true;
};

Loaded take(unsigned char* pixels, int width, int height, int channels) {
    Loaded loaded;
    loaded.width = width;
    loaded.height = height;
    loaded.null = pixels == nullptr;
    if (pixels != nullptr) {
        loaded.pixels.assign(pixels, pixels + static_cast<size_t>(width) * height * channels);
    }
    SOIL_free_image_data(pixels);
    return loaded;
}

Loaded direct(const std::string& path, int channels) {
    int width = -1;
    int height = -1;
    unsigned char* pixels = SOIL_load_image(path.c_str(), &width, &height, nullptr, channels);
    return take(pixels, width, height, channels);
}

Loaded viaPrefetch(const std::string& path, int channels) {
    int width = -1;
    int height = -1;
    unsigned char* pixels = loadImage(path.c_str(), &width, &height, channels);
    return take(pixels, width, height, channels);
}

void expectSame(const Loaded& got, const Loaded& wanted, const std::string& path) {
    EXPECT_EQ(got.null, wanted.null) << path;
    EXPECT_EQ(got.width, wanted.width) << path;
    EXPECT_EQ(got.height, wanted.height) << path;
    EXPECT_EQ(got.pixels, wanted.pixels) << path;
}

class ImagePrefetch : public testing::Test {
  protected:
    void SetUp() override {
        // Each file its own size and content, so a mix-up shows.
        for (int i = 0; i < fileCount; ++i) {
            const int width = side + i;
            Bytes pixels(static_cast<size_t>(width) * side * 3);
            for (size_t k = 0; k < pixels.size(); ++k) {
                pixels[k] = static_cast<unsigned char>(k * 7 + static_cast<size_t>(i) * 31);
            }
            paths.push_back(folder.file("image" + std::to_string(i) + ".png"));
            ASSERT_TRUE(writePng(paths.back(), width, side, 3, pixels));
        }
    }

    TemporaryFolder folder;
    std::vector<std::string> paths;
};

TEST_F(ImagePrefetch, HandsOutWhatDecodingGivesInAnyOrder) {
    std::vector<ImageRequest> requests;
    for (const std::string& path : paths) {
        requests.push_back({path, SOIL_LOAD_RGBA});
    }
    const std::string missing = folder.file("missing.png");
    requests.push_back({missing, SOIL_LOAD_RGBA});
    prefetchImages(requests);

    // Taken backwards, so some are still queued and decode on this thread.
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        expectSame(viaPrefetch(*path, SOIL_LOAD_RGBA), direct(*path, SOIL_LOAD_RGBA), *path);
    }
    // A failed decoding keeps SOIL_load_image's contract: null and 0 x 0.
    const Loaded gone = viaPrefetch(missing, SOIL_LOAD_RGBA);
    EXPECT_TRUE(gone.null);
    EXPECT_EQ(gone.width, 0);
    EXPECT_EQ(gone.height, 0);
}

TEST_F(ImagePrefetch, OtherChannelsRepeatsAndLaterQueuesStillDecode) {
    prefetchImages({{paths[0], SOIL_LOAD_RGB}, {paths[1], SOIL_LOAD_RGBA}});
    // Asked with other channels than queued: decoded afresh, the queued one stays.
    expectSame(viaPrefetch(paths[0], SOIL_LOAD_RGBA), direct(paths[0], SOIL_LOAD_RGBA), paths[0]);
    expectSame(viaPrefetch(paths[0], SOIL_LOAD_RGB), direct(paths[0], SOIL_LOAD_RGB), paths[0]);
    // Taken once, a second load decodes the file again.
    expectSame(viaPrefetch(paths[1], SOIL_LOAD_RGBA), direct(paths[1], SOIL_LOAD_RGBA), paths[1]);
    expectSame(viaPrefetch(paths[1], SOIL_LOAD_RGBA), direct(paths[1], SOIL_LOAD_RGBA), paths[1]);

    // The workers of the first queue have stopped; a new queue gets its own. Queued
    // twice, a file is decoded once; the second load decodes it again.
    prefetchImages({{paths[2], SOIL_LOAD_RGB}, {paths[2], SOIL_LOAD_RGB}});
    expectSame(viaPrefetch(paths[2], SOIL_LOAD_RGB), direct(paths[2], SOIL_LOAD_RGB), paths[2]);
    expectSame(viaPrefetch(paths[2], SOIL_LOAD_RGB), direct(paths[2], SOIL_LOAD_RGB), paths[2]);
}

TEST(Mipmap, EachLevelIsTheRoundedMeanOfTheBlockBelow) {
    // 4 x 2: two 2 x 2 blocks; the alpha channel is averaged like the others.
    const Bytes wide = {0, 0, 0, 0, 10, 20, 30, 40, 100, 0, 0, 255, 101, 0, 0, 255,
                        1, 1, 1, 1, 3,  4,  5,  6,  100, 0, 0, 255, 100, 0, 0, 255};
    RgbaLevel level = halveRgba(wide.data(), 4, 2);
    EXPECT_EQ(level.width, 2);
    EXPECT_EQ(level.height, 1);
    EXPECT_EQ(level.pixels, (Bytes{4, 6, 9, 12, 100, 0, 0, 255}));

    // 3 x 3: the last row and column are left out.
    Bytes odd(3 * 3 * 4, 200);
    for (int k : {0, 1, 3, 4}) {
        std::fill_n(odd.begin() + k * 4, 4, static_cast<unsigned char>(k * 10));
    }
    level = halveRgba(odd.data(), 3, 3);
    EXPECT_EQ(level.width, 1);
    EXPECT_EQ(level.height, 1);
    EXPECT_EQ(level.pixels, (Bytes{20, 20, 20, 20}));

    // 1 x 4: a side of 1 stays 1; pairs along the other side are averaged.
    const Bytes column = {0, 0, 0, 0, 9, 9, 9, 9, 50, 50, 50, 50, 60, 60, 60, 60};
    level = halveRgba(column.data(), 1, 4);
    EXPECT_EQ(level.width, 1);
    EXPECT_EQ(level.height, 2);
    EXPECT_EQ(level.pixels, (Bytes{5, 5, 5, 5, 55, 55, 55, 55}));
}

} // namespace
