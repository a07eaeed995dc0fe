#include "gfx/image_fallback.h"
#include "gfx/soil.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <png.h>
#include <turbojpeg.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// Odd width, so RGB rows are not a multiple of four bytes.
constexpr int smallWidth = 3;
constexpr int smallHeight = 2;
constexpr unsigned char opaque = 255;
constexpr int greyFromColourTolerance = 1;
constexpr int jpegQuality = 100;
constexpr int jpegTolerance = 4;
constexpr int jpegSide = 16;
constexpr int noiseRows = 2;
constexpr int lowByteScramble = 0x5a;
// Byte offsets in a PNG whose IDAT follows IHDR directly.
constexpr std::size_t idatTypeStart = 37;
constexpr std::size_t inIdatData = 46; // valid signature and IHDR, then a cut-off IDAT
constexpr std::size_t idatCrcAndIend = 16;
constexpr std::size_t jpegInScan = 10; // before the end
constexpr std::size_t jpegEoi = 2;
constexpr std::size_t strayBytes = 3; // a warning, not an error
constexpr unsigned char strayByte = 0x5a;
constexpr std::size_t inPixelData = 5; // cut from the end of a TGA or BMP
constexpr std::size_t garbageSize = 64;
constexpr unsigned char garbageByte = 0xab;
constexpr int capSide = 16384;
constexpr int capRowsForRgba = 4097; // 16384 x 4097 x 4 bytes is just over 256 MiB

struct Rgba {
    unsigned char r, g, b, a;
};

// Top and bottom rows differ in every pixel, so a flipped image shows. Grey files take the reds.
constexpr Rgba colours[] = {{10, 20, 30, 255}, {200, 100, 50, 128}, {255, 0, 128, 0},
                            {0, 0, 0, 1},      {64, 128, 192, 254}, {170, 255, 255, 77}};

// The classic write API, for palettes, 16 bits and tRNS. A palette has one entry per pixel; 16-bit
// samples get a low byte unlike the 8-bit value above it; no pixels means all zero.
Bytes encodePng(int colourType, int bitDepth, int width, int height,
                const std::vector<Rgba>& pixels = {}) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const auto append = [](png_structp writer, png_bytep data, png_size_t length) {
        auto* bytes = static_cast<Bytes*>(png_get_io_ptr(writer));
        bytes->insert(bytes->end(), data, data + length);
    };
    png_set_write_fn(png, &out, append, nullptr);
    png_set_IHDR(png, info, width, height, bitDepth, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        std::vector<png_color> palette;
        Bytes alpha;
        for (const Rgba& c : pixels) {
            palette.push_back({c.r, c.g, c.b});
            alpha.push_back(c.a);
        }
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
        png_set_tRNS(png, info, alpha.data(), int(alpha.size()), nullptr);
    }
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        Bytes row(pixels.empty() ? png_get_rowbytes(png, info) : 0);
        for (int i = y * width; !pixels.empty() && i < (y + 1) * width; ++i) {
            const Rgba& c = pixels[i];
            std::vector<int> samples = {colourType == PNG_COLOR_TYPE_PALETTE ? i : c.r};
            if (colourType == PNG_COLOR_TYPE_RGB || colourType == PNG_COLOR_TYPE_RGBA) {
                samples.insert(samples.end(), {c.g, c.b});
            }
            if (colourType & PNG_COLOR_MASK_ALPHA) {
                samples.push_back(c.a);
            }
            for (int v : samples) {
                const png_byte bytes[] = {png_byte(v), png_byte(v ^ lowByteScramble)};
                row.insert(row.end(), bytes, bytes + bitDepth / 8);
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct Case {
    std::string name;
    Bytes file;
    int fileChannels, width;
    std::vector<Rgba> pixels;
    int tolerance = 0;
    std::vector<int> forces = {SOIL_LOAD_AUTO, SOIL_LOAD_RGB, SOIL_LOAD_RGBA};
};

Case pngCase(const char* name, int colourType, int bitDepth, int fileChannels,
             const std::vector<int>& moreForces = {}) {
    const bool colour = colourType & PNG_COLOR_MASK_COLOR;
    const bool alpha = colourType & PNG_COLOR_MASK_ALPHA || colourType == PNG_COLOR_TYPE_PALETTE;
    std::vector<Rgba> pixels(std::begin(colours), std::end(colours));
    for (Rgba& c : pixels) {
        c = {c.r, colour ? c.g : c.r, colour ? c.b : c.r, alpha ? c.a : opaque};
    }
    Case c{name, encodePng(colourType, bitDepth, smallWidth, smallHeight, pixels), fileChannels,
           smallWidth, pixels};
    c.forces.insert(c.forces.end(), moreForces.begin(), moreForces.end());
    return c;
}

// Top half one colour and bottom half another, in whole 8 x 8 blocks so they stay flat.
// Pixels given as CMYK make an ink-separation JPEG (stored as YCCK).
Case jpegCase(const char* name, const Rgba& top, const Rgba& bottom, bool grey,
              int pixelFormat = TJPF_RGBX) {
    std::vector<Rgba> pixels(jpegSide * jpegSide / 2, top);
    pixels.resize(jpegSide * jpegSide, bottom);
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int result = tjCompress2(
        compressor, reinterpret_cast<const unsigned char*>(pixels.data()), jpegSide, 0, jpegSide,
        pixelFormat, &jpeg, &size, grey ? TJSAMP_GRAY : TJSAMP_444, jpegQuality, 0);
    const Bytes file = result == 0 ? Bytes(jpeg, jpeg + size) : Bytes();
    tjFree(jpeg);
    tjDestroy(compressor);
    return {name, file, grey ? 1 : 3, jpegSide, pixels, jpegTolerance};
}

// Stray bytes between two header segments: libjpeg warns about them and reads on.
Case withStrayBytes(Case c) {
    c.name += " with stray bytes";
    const unsigned char startOfFrame[] = {0xff, 0xc0};
    const auto frame =
        std::search(c.file.begin(), c.file.end(), std::begin(startOfFrame), std::end(startOfFrame));
    c.file.insert(frame, strayBytes, strayByte);
    return c;
}

// TGA (grey, RGB, RGBA, run-length coded or not) and BMP (RGB, RGBA), as other tools
// write them; the odd width pads BMP rows.
Case stbCase(const char* name, bool bmp, int channels, bool runLength) {
    const bool colour = channels >= 3;
    const bool alpha = channels == 2 || channels == 4;
    std::vector<Rgba> pixels(std::begin(colours), std::end(colours));
    Bytes samples;
    for (Rgba& c : pixels) {
        c = {c.r, colour ? c.g : c.r, colour ? c.b : c.r, alpha ? c.a : opaque};
        const Bytes all = colour ? Bytes{c.r, c.g, c.b, c.a} : Bytes{c.r, c.a};
        samples.insert(samples.end(), all.begin(), all.begin() + channels);
    }
    Bytes file;
    const auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<Bytes*>(context);
        bytes->insert(bytes->end(), static_cast<unsigned char*>(data),
                      static_cast<unsigned char*>(data) + size);
    };
    stbi_write_tga_with_rle = runLength ? 1 : 0;
    const int written = bmp ? stbi_write_bmp_to_func(append, &file, smallWidth, smallHeight,
                                                     channels, samples.data())
                            : stbi_write_tga_to_func(append, &file, smallWidth, smallHeight,
                                                     channels, samples.data());
    return {name, written != 0 ? file : Bytes(), channels, smallWidth, pixels};
}

struct Loaded {
    int width = -1, height = -1, channels = -1; // before pixels, which fills them
    std::unique_ptr<unsigned char, void (*)(unsigned char*)> pixels;
    Loaded(const std::string& path, int force)
        : pixels(SOIL_load_image(path.c_str(), &width, &height, &channels, force),
                 SOIL_free_image_data) {}
};

// Files are written without an extension: only their content can choose the decoder.
class ImageLayer : public testing::Test {
  protected:
    std::string write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(folder.file(name), std::ios::binary)
            << std::string(bytes.begin(), bytes.end());
        return folder.file(name);
    }

    static void expectNothing(const std::string& path, int force = SOIL_LOAD_RGBA) {
        SCOPED_TRACE(path);
        const Loaded got(path, force);
        EXPECT_EQ(got.pixels, nullptr);
        EXPECT_EQ(got.width, 0);
        EXPECT_EQ(got.height, 0);
        EXPECT_EQ(got.channels, 0);
    }

    TemporaryFolder folder;
};

// Every kind is read as itself, as RGB and as RGBA; RGBA also to grey, which is BT.601 luma.
TEST_F(ImageLayer, EveryKindDecodesTopRowFirstToTheChannelsAskedFor) {
    const Case cases[] = {
        pngCase("grey", PNG_COLOR_TYPE_GRAY, 8, 1),
        pngCase("grey+alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2),
        pngCase("RGB", PNG_COLOR_TYPE_RGB, 8, 3),
        pngCase("RGBA", PNG_COLOR_TYPE_RGBA, 8, 4, {SOIL_LOAD_L, SOIL_LOAD_LA}),
        pngCase("palette with tRNS", PNG_COLOR_TYPE_PALETTE, 8, 4),
        pngCase("grey+alpha 16-bit", PNG_COLOR_TYPE_GRAY_ALPHA, 16, 2),
        pngCase("RGB 16-bit", PNG_COLOR_TYPE_RGB, 16, 3),
        jpegCase("JPEG", {200, 40, 90, 255}, {30, 160, 220, 255}, false),
        jpegCase("grey JPEG", {60, 60, 60, 255}, {210, 210, 210, 255}, true),
        withStrayBytes(jpegCase("JPEG", {200, 40, 90, 255}, {30, 160, 220, 255}, false)),
        stbCase("grey TGA", false, 1, false),
        stbCase("RGB TGA, run-length coded", false, 3, true),
        stbCase("RGBA TGA", false, 4, false),
        stbCase("RGB BMP", true, 3, false),
        stbCase("RGBA BMP", true, 4, false),
    };
    for (const Case& c : cases) {
        const std::string path = write("image", c.file);
        for (int force : c.forces) {
            SCOPED_TRACE(testing::Message() << c.name << ", force " << force);
            const Loaded got(path, force);
            ASSERT_NE(got.pixels, nullptr);
            EXPECT_EQ(got.width, c.width);
            EXPECT_EQ(got.height, int(c.pixels.size()) / c.width);
            EXPECT_EQ(got.channels, c.fileChannels);
            const int out = force == SOIL_LOAD_AUTO ? c.fileChannels : force;
            const int tolerance = std::max(
                c.tolerance, out <= 2 && c.fileChannels >= 3 ? greyFromColourTolerance : 0);
            for (std::size_t p = 0; p < c.pixels.size(); ++p) {
                const Rgba& e = c.pixels[p];
                const int grey = int(std::lround(0.299 * e.r + 0.587 * e.g + 0.114 * e.b));
                const int want[][4] = {{grey}, {grey, e.a}, {e.r, e.g, e.b}, {e.r, e.g, e.b, e.a}};
                for (int i = 0; i < out; ++i) {
                    EXPECT_NEAR(got.pixels.get()[p * out + i], want[out - 1][i], tolerance)
                        << "pixel " << p << ", channel " << i;
                }
            }
        }
    }
}

TEST_F(ImageLayer, BrokenMissingOrOversizedFilesAndUnknownChannelCountsGiveNothing) {
    // As wide as allowed, and noise, so that the file spans more than one read chunk.
    std::minstd_rand random;
    std::vector<Rgba> noise(capSide * noiseRows);
    for (Rgba& c : noise) {
        c = {png_byte(random()), png_byte(random()), png_byte(random()), opaque};
    }
    const Bytes png = encodePng(PNG_COLOR_TYPE_RGB, 8, capSide, noiseRows, noise);
    const std::string widest = write("widest", png);
    ASSERT_NE(Loaded(widest, SOIL_LOAD_RGBA).pixels, nullptr);
    ASSERT_EQ(std::string(png.begin() + idatTypeStart, png.begin() + idatTypeStart + 4), "IDAT");
    const Bytes jpeg = jpegCase("", colours[0], colours[4], false).file;
    const Bytes tga = stbCase("", false, 4, false).file;
    const Bytes bmp = stbCase("", true, 3, false).file;
    const Bytes inks = jpegCase("", colours[0], colours[4], false, TJPF_CMYK).file;
    ASSERT_FALSE(inks.empty());

    for (const std::string& path :
         {write("empty", {}), write("garbage", Bytes(garbageSize, garbageByte)),
          folder.file("missing.png"),
          write("png_in_idat", Bytes(png.begin(), png.begin() + inIdatData)),
          write("png_without_trailer", Bytes(png.begin(), png.end() - idatCrcAndIend)),
          write("jpeg_in_scan", Bytes(jpeg.begin(), jpeg.end() - jpegInScan)),
          write("jpeg_without_eoi", Bytes(jpeg.begin(), jpeg.end() - jpegEoi)),
          write("tga_in_pixels", Bytes(tga.begin(), tga.end() - inPixelData)),
          write("bmp_in_pixels", Bytes(bmp.begin(), bmp.end() - inPixelData)),
          write("cmyk_jpeg", inks)}) {
        expectNothing(path);
    }
    expectNothing(write("too_wide", encodePng(PNG_COLOR_TYPE_GRAY, 8, capSide + 1, 1)));
    // The byte cap counts the channels asked for: the same file fits as grey.
    const std::string large =
        write("large", encodePng(PNG_COLOR_TYPE_GRAY, 8, capSide, capRowsForRgba));
    EXPECT_NE(Loaded(large, SOIL_LOAD_L).pixels, nullptr);
    expectNothing(large, SOIL_LOAD_RGBA);
    expectNothing(widest, -1);
    expectNothing(widest, SOIL_LOAD_RGBA + 1);
}

// The plain stand-in for a file that cannot be read: every texel of it, in the channels
// asked for, so nothing of it is left to whatever memory held before.
TEST(ImageFallback, StandInsAreWhollyTheirColour) {
    const std::vector<unsigned char> pixels = solidImage(3, 2, 3, flatNormal);
    ASSERT_EQ(pixels.size(), 18u);
    for (size_t at = 0; at < pixels.size(); at += 3) {
        EXPECT_EQ(std::vector<unsigned char>(pixels.begin() + static_cast<long>(at),
                                             pixels.begin() + static_cast<long>(at) + 3),
                  (std::vector<unsigned char>{128, 128, 255}));
    }
}

} // namespace
