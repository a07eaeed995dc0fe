#include "gfx/soil.h"

#include <gtest/gtest.h>
#include <png.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

// Odd width, so RGB rows are not a multiple of four bytes.
constexpr int smallWidth = 3;
constexpr int smallHeight = 2;
constexpr int smallPixels = smallWidth * smallHeight;
constexpr int allForces[] = {SOIL_LOAD_AUTO, SOIL_LOAD_L, SOIL_LOAD_LA, SOIL_LOAD_RGB,
                             SOIL_LOAD_RGBA};
constexpr int greyFromColourTolerance = 1;
constexpr int jpegQuality = 100;
constexpr int jpegTolerance = 4;
constexpr int jpegSide = 16;
constexpr int noiseSide = 160; // incompressible and larger than one read chunk
constexpr unsigned noiseMultiplier = 1103515245u;
constexpr unsigned noiseIncrement = 12345u;
constexpr int lowByteScramble = 0x5a;
// Byte offsets in a PNG whose IDAT follows IHDR directly.
constexpr std::size_t pngSignatureEnd = 8;
constexpr std::size_t inIhdr = 20;
constexpr std::size_t ihdrEnd = 33;
constexpr std::size_t idatTypeStart = 37;
constexpr std::size_t idatDataStart = 41;
constexpr std::size_t inIdatData = 46; // the cut that broke an older decoder
constexpr std::size_t idatCrcAndIend = 16;
constexpr std::size_t jpegMarkerEnd = 4;
constexpr std::size_t jpegInHeaders = 20;
constexpr std::size_t jpegEoi = 2;
constexpr std::size_t garbageSize = 64;
constexpr unsigned char garbage = 0xab;
constexpr int capSide = 16384;
constexpr int capRowsForRgba = 4097; // 16384 x 4097 x 4 bytes is just over 256 MiB

struct Rgba {
    int r, g, b, a;
};

// Top and bottom rows differ in every pixel, so a flipped image shows.
constexpr Rgba colours[smallPixels] = {{10, 20, 30, 255}, {200, 100, 50, 128}, {255, 0, 128, 0},
                                       {0, 0, 0, 1},      {64, 128, 192, 254}, {255, 255, 255, 77}};
constexpr int greys[smallPixels] = {0, 85, 170, 255, 17, 34};

struct PngImage {
    int width, height, colourType, bitDepth;
    std::vector<unsigned> samples; // row after row, top first; empty means all zero
    std::vector<png_color> palette = {};
    Bytes paletteAlpha = {};
    png_color_16 transparent = {};
    bool hasTransparent = false;
    bool interlaced = false;
};

void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// The classic write API, because palettes, 16 bits and tRNS are beyond the simplified one.
Bytes encodePng(const PngImage& image) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendToBytes, nullptr);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colourType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!image.palette.empty()) {
        png_set_PLTE(png, info, image.palette.data(), int(image.palette.size()));
    }
    if (!image.paletteAlpha.empty() || image.hasTransparent) {
        png_set_tRNS(png, info, image.paletteAlpha.data(), int(image.paletteAlpha.size()),
                     &image.transparent);
    }
    png_write_info(png, info);
    const std::size_t rowSamples = std::size_t(image.width) * png_get_channels(png, info);
    const int sampleBytes = image.bitDepth / 8;
    for (int pass = png_set_interlace_handling(png); pass > 0; --pass) {
        for (int y = 0; y < image.height; ++y) {
            Bytes row(rowSamples * sampleBytes, 0);
            for (std::size_t i = 0; !image.samples.empty() && i < rowSamples; ++i) {
                const unsigned value = image.samples[y * rowSamples + i];
                for (int b = 0; b < sampleBytes; ++b) {
                    row[i * sampleBytes + b] = png_byte(value >> (8 * (sampleBytes - 1 - b)));
                }
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// 16-bit samples have a low byte unlike the high one, which holds the 8-bit value.
PngImage smallPng(int colourType, int bitDepth) {
    PngImage image{smallWidth, smallHeight, colourType, bitDepth, {}};
    const auto add = [&](int value) {
        image.samples.push_back(bitDepth == 16 ? unsigned(value) * 256 + (value ^ lowByteScramble)
                                               : unsigned(value));
    };
    for (int i = 0; i < smallPixels; ++i) {
        const Rgba& c = colours[i];
        if (colourType & PNG_COLOR_MASK_COLOR) {
            add(c.r);
            add(c.g);
            add(c.b);
        } else {
            add(greys[i]);
        }
        if (colourType & PNG_COLOR_MASK_ALPHA) {
            add(c.a);
        }
    }
    return image;
}

std::vector<Rgba> smallExpected(bool colour, bool alpha, int transparentIndex = -1) {
    std::vector<Rgba> pixels;
    for (int i = 0; i < smallPixels; ++i) {
        const Rgba& c = colours[i];
        const int a = i == transparentIndex ? 0 : alpha ? c.a : 255;
        pixels.push_back(colour ? Rgba{c.r, c.g, c.b, a} : Rgba{greys[i], greys[i], greys[i], a});
    }
    return pixels;
}

// Top half one colour and bottom half another, in whole 8 x 8 blocks so they stay flat.
Bytes twoBlockJpeg(const Rgba& top, const Rgba& bottom, bool grey) {
    Bytes pixels;
    for (int y = 0; y < jpegSide; ++y) {
        const Rgba& c = y < jpegSide / 2 ? top : bottom;
        for (int x = 0; x < jpegSide; ++x) {
            pixels.push_back(png_byte(c.r));
            if (!grey) {
                pixels.push_back(png_byte(c.g));
                pixels.push_back(png_byte(c.b));
            }
        }
    }
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int result =
        tjCompress2(compressor, pixels.data(), jpegSide, 0, jpegSide, grey ? TJPF_GRAY : TJPF_RGB,
                    &jpeg, &size, grey ? TJSAMP_GRAY : TJSAMP_444, jpegQuality, 0);
    Bytes out = result == 0 ? Bytes(jpeg, jpeg + size) : Bytes();
    tjFree(jpeg);
    tjDestroy(compressor);
    return out;
}

struct Loaded {
    bool ok = false;
    int width = -1, height = -1, channels = -1, outChannels = 0;
    Bytes pixels;

    // Grey made from colour must be BT.601 luma.
    void expectPixel(int x, int y, const Rgba& c, int tolerance) const {
        SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
        const int grey = int(std::lround(0.299 * c.r + 0.587 * c.g + 0.114 * c.b));
        const std::vector<std::vector<int>> byChannels = {
            {grey}, {grey, c.a}, {c.r, c.g, c.b}, {c.r, c.g, c.b, c.a}};
        const std::vector<int>& want = byChannels[outChannels - 1];
        for (int i = 0; i < outChannels; ++i) {
            EXPECT_NEAR(pixels[(std::size_t(y) * width + x) * outChannels + i], want[i], tolerance)
                << "channel " << i;
        }
    }
};

// Files are written without an extension: only their content can choose the decoder.
class ImageLayer : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "image_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return (dir / name).string();
    }

    static Loaded load(const std::string& path, int force) {
        Loaded got;
        unsigned char* pixels =
            SOIL_load_image(path.c_str(), &got.width, &got.height, &got.channels, force);
        got.ok = pixels != nullptr;
        got.outChannels = force == SOIL_LOAD_AUTO ? got.channels : force;
        if (got.ok) {
            got.pixels.assign(pixels, pixels + std::size_t(got.width) * got.height *
                                                   std::size_t(got.outChannels));
        }
        SOIL_free_image_data(pixels);
        return got;
    }

    static void expectNothing(const std::string& path) {
        for (int force : allForces) {
            const Loaded got = load(path, force);
            EXPECT_FALSE(got.ok) << "force " << force;
            EXPECT_EQ(got.width, 0);
            EXPECT_EQ(got.height, 0);
        }
    }

    fs::path dir;
};

TEST_F(ImageLayer, EveryPngKindConvertsToEveryChannelCount) {
    PngImage palette{smallWidth, smallHeight, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2, 3, 4, 5}};
    PngImage paletteWithAlpha = palette;
    for (const Rgba& c : colours) {
        palette.palette.push_back({png_byte(c.r), png_byte(c.g), png_byte(c.b)});
        paletteWithAlpha.paletteAlpha.push_back(png_byte(c.a));
    }
    paletteWithAlpha.palette = palette.palette;
    PngImage keyedGrey = smallPng(PNG_COLOR_TYPE_GRAY, 8);
    keyedGrey.transparent.gray = png_uint_16(greys[1]);
    PngImage keyedColour = smallPng(PNG_COLOR_TYPE_RGB, 8);
    keyedColour.transparent.red = png_uint_16(colours[1].r);
    keyedColour.transparent.green = png_uint_16(colours[1].g);
    keyedColour.transparent.blue = png_uint_16(colours[1].b);
    keyedGrey.hasTransparent = keyedColour.hasTransparent = true;
    PngImage interlaced = smallPng(PNG_COLOR_TYPE_RGBA, 8);
    interlaced.interlaced = true;

    const struct Case {
        const char* name;
        PngImage image;
        int fileChannels;
        std::vector<Rgba> expected;
    } cases[] = {
        {"grey", smallPng(PNG_COLOR_TYPE_GRAY, 8), 1, smallExpected(false, false)},
        {"grey+alpha", smallPng(PNG_COLOR_TYPE_GRAY_ALPHA, 8), 2, smallExpected(false, true)},
        {"RGB", smallPng(PNG_COLOR_TYPE_RGB, 8), 3, smallExpected(true, false)},
        {"RGBA", smallPng(PNG_COLOR_TYPE_RGBA, 8), 4, smallExpected(true, true)},
        {"grey 16-bit", smallPng(PNG_COLOR_TYPE_GRAY, 16), 1, smallExpected(false, false)},
        {"grey+alpha 16-bit", smallPng(PNG_COLOR_TYPE_GRAY_ALPHA, 16), 2,
         smallExpected(false, true)},
        {"RGB 16-bit", smallPng(PNG_COLOR_TYPE_RGB, 16), 3, smallExpected(true, false)},
        {"RGBA 16-bit", smallPng(PNG_COLOR_TYPE_RGBA, 16), 4, smallExpected(true, true)},
        {"palette", palette, 3, smallExpected(true, false)},
        {"palette with tRNS", paletteWithAlpha, 4, smallExpected(true, true)},
        {"grey with tRNS", keyedGrey, 2, smallExpected(false, false, 1)},
        {"RGB with tRNS", keyedColour, 4, smallExpected(true, false, 1)},
        {"RGBA interlaced", interlaced, 4, smallExpected(true, true)},
    };
    for (const Case& c : cases) {
        const std::string path = write("image", encodePng(c.image));
        for (int force : allForces) {
            SCOPED_TRACE(testing::Message() << c.name << ", force " << force);
            const Loaded got = load(path, force);
            ASSERT_TRUE(got.ok);
            EXPECT_EQ(got.width, smallWidth);
            EXPECT_EQ(got.height, smallHeight);
            EXPECT_EQ(got.channels, c.fileChannels);
            const bool greyFromColour = got.outChannels <= 2 && c.fileChannels >= 3;
            for (int i = 0; i < smallPixels; ++i) {
                got.expectPixel(i % smallWidth, i / smallWidth, c.expected[i],
                                greyFromColour ? greyFromColourTolerance : 0);
            }
        }
    }
}

TEST_F(ImageLayer, GreyAndColourJpegsConvertToEveryChannelCount) {
    const Rgba top = {200, 40, 90, 255};
    const Rgba bottom = {30, 160, 220, 255};
    const Rgba greyTop = {60, 60, 60, 255};
    const Rgba greyBottom = {210, 210, 210, 255};
    const struct Case {
        const char* name;
        Bytes file;
        int fileChannels;
        Rgba top, bottom;
    } cases[] = {
        {"colour", twoBlockJpeg(top, bottom, false), 3, top, bottom},
        {"grey", twoBlockJpeg(greyTop, greyBottom, true), 1, greyTop, greyBottom},
    };
    for (const Case& c : cases) {
        const std::string path = write("image", c.file);
        for (int force : allForces) {
            SCOPED_TRACE(testing::Message() << c.name << ", force " << force);
            const Loaded got = load(path, force);
            ASSERT_TRUE(got.ok);
            EXPECT_EQ(got.width, jpegSide);
            EXPECT_EQ(got.height, jpegSide);
            EXPECT_EQ(got.channels, c.fileChannels);
            for (int x : {0, jpegSide - 1}) {
                for (int y : {0, jpegSide / 2 - 1}) {
                    got.expectPixel(x, y, c.top, jpegTolerance);
                    got.expectPixel(x, y + jpegSide / 2, c.bottom, jpegTolerance);
                }
            }
        }
    }
}

TEST_F(ImageLayer, BrokenMissingAndForeignFilesGiveNothing) {
    PngImage noise{noiseSide, noiseSide, PNG_COLOR_TYPE_RGB, 8, {}};
    unsigned state = 1;
    for (int i = 0; i < noiseSide * noiseSide * 3; ++i) {
        state = state * noiseMultiplier + noiseIncrement;
        noise.samples.push_back((state >> 16) & 0xff);
    }
    const Bytes png = encodePng(noise);
    const Bytes jpeg = twoBlockJpeg(colours[0], colours[4], false);
    ASSERT_TRUE(load(write("png", png), SOIL_LOAD_RGB).ok);
    ASSERT_TRUE(load(write("jpeg", jpeg), SOIL_LOAD_RGB).ok);
    ASSERT_EQ(std::string(png.begin() + idatTypeStart, png.begin() + idatDataStart), "IDAT");

    Bytes pngThenGarbage(png.begin(), png.begin() + pngSignatureEnd);
    Bytes jpegThenGarbage(jpeg.begin(), jpeg.begin() + jpegMarkerEnd);
    pngThenGarbage.resize(garbageSize, garbage);
    jpegThenGarbage.resize(garbageSize, garbage);
    std::vector<std::pair<std::string, Bytes>> cases = {
        {"empty", {}},
        {"text", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}},
        {"PNG signature then garbage", pngThenGarbage},
        {"JPEG marker then garbage", jpegThenGarbage},
    };
    for (std::size_t cut : {pngSignatureEnd, inIhdr, ihdrEnd, idatDataStart, inIdatData,
                            png.size() / 2, png.size() - idatCrcAndIend}) {
        cases.push_back(
            {"PNG cut at " + std::to_string(cut), Bytes(png.begin(), png.begin() + cut)});
    }
    for (std::size_t cut : {jpegMarkerEnd, jpegInHeaders, jpeg.size() / 2, jpeg.size() - jpegEoi}) {
        cases.push_back(
            {"JPEG cut at " + std::to_string(cut), Bytes(jpeg.begin(), jpeg.begin() + cut)});
    }
    for (const auto& [name, file] : cases) {
        SCOPED_TRACE(name);
        expectNothing(write("broken", file));
    }
    SCOPED_TRACE("missing file or a directory");
    expectNothing((dir / "missing.png").string());
    expectNothing(dir.string());
}

TEST_F(ImageLayer, RefusesOversizedImagesAndUnknownChannelCounts) {
    const std::string widest = write("widest", encodePng({capSide, 1, PNG_COLOR_TYPE_GRAY, 8, {}}));
    EXPECT_TRUE(load(widest, SOIL_LOAD_RGBA).ok);
    expectNothing(write("too_wide", encodePng({capSide + 1, 1, PNG_COLOR_TYPE_GRAY, 8, {}})));

    const std::string large =
        write("large", encodePng({capSide, capRowsForRgba, PNG_COLOR_TYPE_GRAY, 8, {}}));
    // Not through load(): no copy of 200 MB of pixels.
    int width = 0;
    int height = 0;
    unsigned char* asRgb = SOIL_load_image(large.c_str(), &width, &height, nullptr, SOIL_LOAD_RGB);
    EXPECT_NE(asRgb, nullptr);
    EXPECT_EQ(height, capRowsForRgba);
    SOIL_free_image_data(asRgb);
    const Loaded asRgba = load(large, SOIL_LOAD_RGBA);
    EXPECT_FALSE(asRgba.ok);
    EXPECT_EQ(asRgba.width, 0);

    for (int force : {-1, SOIL_LOAD_RGBA + 1}) {
        EXPECT_EQ(SOIL_load_image(widest.c_str(), &width, &height, nullptr, force), nullptr);
        EXPECT_EQ(width, 0);
        EXPECT_EQ(height, 0);
    }
    SOIL_free_image_data(nullptr);
}

} // namespace
