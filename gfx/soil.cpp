#include "gfx/soil.h"

#include "gfx/regular_file.h"

#include <png.h>
#include <turbojpeg.h>

// stb_image for the two formats model packs ship besides PNG and JPEG, and nothing else;
// its buffers come from malloc, so they are freed and resized like the others.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_TGA
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#define STBI_MAX_DIMENSIONS 16384
#define STBI_MALLOC(size) std::malloc(size)
#define STBI_REALLOC(block, size) std::realloc(block, size)
#define STBI_FREE(block) std::free(block)
#include <stb/stb_image.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace soil {
// Not in soil.h because the renderer only loads files; the fuzz target declares it itself.
unsigned char* loadImageFromMemory(const unsigned char* bytes, std::size_t size, int* width,
                                   int* height, int* channels, int forceChannels);
} // namespace soil

namespace {

constexpr unsigned maxSide = 16384;
static_assert(maxSide == STBI_MAX_DIMENSIONS, "stb_image's own cap must match");
constexpr std::size_t maxDecodedBytes = std::size_t{256} << 20;
// No sensible texture file is larger than the largest image it may decode to.
constexpr std::size_t maxFileBytes = maxDecodedBytes;
constexpr std::size_t readChunkBytes = std::size_t{64} << 10;

constexpr unsigned char pngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr unsigned char jpegSignature[] = {0xff, 0xd8, 0xff};

constexpr int greyChannels = 1;
constexpr int greyAlphaChannels = 2;
constexpr int rgbChannels = 3;
constexpr unsigned char opaque = 255;

// BT.601 luma in 1/256ths: the weighting JPEG uses for its Y channel, so grey output matches
// between formats. The weights sum to 256, which keeps grey input exact.
constexpr unsigned lumaRed = 77;
constexpr unsigned lumaGreen = 150;
constexpr unsigned lumaBlue = 29;
constexpr unsigned lumaShift = 8;
constexpr unsigned lumaRounding = 1u << (lumaShift - 1);

// tjDecompress2 fails on warnings too, which is what refuses a JPEG cut short; stopping at the
// first one spares decoding the rest of a broken file. The scan limit stops progressive-scan bombs.
constexpr int jpegDecodeFlags = TJFLAG_ACCURATEDCT | TJFLAG_LIMITSCANS;
// No TGA or BMP packs more pixels into a byte than a run-length coded grey TGA: 128 in
// a two-byte packet. A file too short for its size is cut off, and is refused before
// stb_image would decode the missing rest as zeros, which takes long for a large one.
constexpr std::size_t maxPixelsPerFileByte = 64;
// libjpeg's warning for data that ends early: the one warning that means a broken file.
constexpr const char* jpegTruncated = "Premature end of JPEG file";

struct Decoded {
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    int fileChannels = 0;
};

struct Rgba {
    unsigned char r, g, b, a;
};

template <std::size_t N>
bool startsWith(const unsigned char* bytes, std::size_t size, const unsigned char (&prefix)[N]) {
    return size >= N && std::memcmp(bytes, prefix, N) == 0;
}

int outputChannels(int fileChannels, int forceChannels) {
    return forceChannels == SOIL_LOAD_AUTO ? fileChannels : forceChannels;
}

// The buffer holds the file's pixels first and the converted ones afterwards, so it is sized for
// the wider of the two. Null when the image is empty, too large or memory runs out.
bool withinCaps(unsigned width, unsigned height, int fileChannels, int forceChannels) {
    if (width == 0 || height == 0 || width > maxSide || height > maxSide) {
        return false;
    }
    const int widest = std::max(fileChannels, outputChannels(fileChannels, forceChannels));
    return std::size_t{width} * height * static_cast<std::size_t>(widest) <= maxDecodedBytes;
}

unsigned char* allocatePixels(unsigned width, unsigned height, int fileChannels,
                              int forceChannels) {
    if (!withinCaps(width, height, fileChannels, forceChannels)) {
        return nullptr;
    }
    const int widest = std::max(fileChannels, outputChannels(fileChannels, forceChannels));
    return static_cast<unsigned char*>(
        std::malloc(std::size_t{width} * height * static_cast<std::size_t>(widest)));
}

Rgba readPixel(const unsigned char* p, int channels) {
    switch (channels) {
    case greyChannels:
        return {p[0], p[0], p[0], opaque};
    case greyAlphaChannels:
        return {p[0], p[0], p[0], p[1]};
    case rgbChannels:
        return {p[0], p[1], p[2], opaque};
    default:
        return {p[0], p[1], p[2], p[3]};
    }
}

unsigned char luma(const Rgba& c) {
    return static_cast<unsigned char>(
        (lumaRed * c.r + lumaGreen * c.g + lumaBlue * c.b + lumaRounding) >> lumaShift);
}

void writePixel(unsigned char* p, int channels, const Rgba& c) {
    switch (channels) {
    case greyChannels:
        p[0] = luma(c);
        break;
    case greyAlphaChannels:
        p[0] = luma(c);
        p[1] = c.a;
        break;
    case rgbChannels:
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
        break;
    default:
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
        p[3] = c.a;
        break;
    }
}

// Narrowing walks forward and widening backward, so no pixel is overwritten before it is read.
// Alpha is dropped rather than composited: a texture keeps its colours where it is transparent.
void convertInPlace(unsigned char* pixels, std::size_t count, int from, int to) {
    if (from == to) {
        return;
    }
    const auto convert = [&](std::size_t i) {
        writePixel(pixels + i * to, to, readPixel(pixels + i * from, from));
    };
    if (to < from) {
        for (std::size_t i = 0; i < count; ++i) {
            convert(i);
        }
    } else {
        for (std::size_t i = count; i-- > 0;) {
            convert(i);
        }
    }
}

struct PngReader {
    png_image image{};
    PngReader() { image.version = PNG_IMAGE_VERSION; }
    ~PngReader() { png_image_free(&image); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
};

bool decodePng(const unsigned char* bytes, std::size_t size, int forceChannels, Decoded& out) {
    PngReader reader;
    png_image& image = reader.image;
    if (!png_image_begin_read_from_memory(&image, bytes, size)) {
        return false;
    }
    // Without gAMA or sRGB chunks libpng would take 16-bit samples as linear light and brighten
    // them on the way to 8 bits; texture files are sRGB at every depth.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    // 8-bit sRGB samples with the file's own channels; palettes expand, tRNS becomes alpha.
    image.format &= PNG_FORMAT_FLAG_COLOR | PNG_FORMAT_FLAG_ALPHA;
    const int fileChannels = static_cast<int>(PNG_IMAGE_SAMPLE_CHANNELS(image.format));
    unsigned char* pixels = allocatePixels(image.width, image.height, fileChannels, forceChannels);
    if (pixels == nullptr || !png_image_finish_read(&image, nullptr, pixels, 0, nullptr)) {
        std::free(pixels);
        return false;
    }
    out = {pixels, static_cast<int>(image.width), static_cast<int>(image.height), fileChannels};
    return true;
}

struct JpegHandle {
    tjhandle handle = tjInitDecompress();
    JpegHandle() = default;
    ~JpegHandle() {
        if (handle != nullptr) {
            tjDestroy(handle);
        }
    }
    JpegHandle(const JpegHandle&) = delete;
    JpegHandle& operator=(const JpegHandle&) = delete;
};

bool decodeJpeg(const unsigned char* bytes, std::size_t size, int forceChannels, Decoded& out) {
    JpegHandle jpeg;
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourSpace = 0;
    // TurboJPEG reports a warning as a failure even where it read on.
    const auto readOn = [&](int result) {
        return result == 0 || (tjGetErrorCode(jpeg.handle) == TJERR_WARNING &&
                               std::strstr(tjGetErrorStr2(jpeg.handle), jpegTruncated) == nullptr);
    };
    if (jpeg.handle == nullptr ||
        !readOn(tjDecompressHeader3(jpeg.handle, bytes, size, &width, &height, &subsampling,
                                    &colourSpace))) {
        return false;
    }
    // CMYK needs a colour profile to become RGB; TurboJPEG cannot convert it.
    if (colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK || width <= 0 || height <= 0) {
        return false;
    }
    const bool grey = colourSpace == TJCS_GRAY;
    const int fileChannels = grey ? greyChannels : rgbChannels;
    unsigned char* pixels = allocatePixels(
        static_cast<unsigned>(width), static_cast<unsigned>(height), fileChannels, forceChannels);
    if (pixels == nullptr) {
        return false;
    }
    const auto decompress = [&](int flags) {
        return tjDecompress2(jpeg.handle, bytes, size, pixels, width, 0, height,
                             grey ? TJPF_GRAY : TJPF_RGB, flags);
    };
    // A warning other than a cut-off file (stray bytes between segments, say) leaves a
    // usable picture, as every viewer shows it. The first pass stops at the first
    // warning, which for a cut-off file is that one; the second reads on past others.
    bool decoded = decompress(jpegDecodeFlags | TJFLAG_STOPONWARNING) == 0;
    if (!decoded && readOn(-1)) {
        decoded = readOn(decompress(jpegDecodeFlags));
    }
    if (!decoded) {
        std::free(pixels);
        return false;
    }
    out = {pixels, width, height, fileChannels};
    return true;
}

// stb_image reads through these so that a file which ends before its pixels do is
// noticed: stb_image itself would fill the rest with zeros.
struct StbReader {
    const unsigned char* bytes;
    std::size_t size;
    std::size_t at = 0;
    bool overran = false;
};

int stbRead(void* user, char* data, int wanted) {
    auto& reader = *static_cast<StbReader*>(user);
    const std::size_t count = std::min(reader.size - reader.at, static_cast<std::size_t>(wanted));
    reader.overran = reader.overran || count == 0;
    std::memcpy(data, reader.bytes + reader.at, count);
    reader.at += count;
    return static_cast<int>(count);
}

void stbSkip(void* user, int count) {
    auto& reader = *static_cast<StbReader*>(user);
    if (count < 0) {
        reader.at -= std::min(reader.at, static_cast<std::size_t>(-static_cast<long>(count)));
        return;
    }
    reader.overran = reader.overran || static_cast<std::size_t>(count) > reader.size - reader.at;
    reader.at = std::min(reader.size, reader.at + static_cast<std::size_t>(count));
}

int stbAtEnd(void* user) {
    const auto& reader = *static_cast<StbReader*>(user);
    return reader.at >= reader.size ? 1 : 0;
}

// TGA and BMP. The header is checked against the caps before any pixel is decoded.
bool decodeTgaOrBmp(const unsigned char* bytes, std::size_t size, int forceChannels, Decoded& out) {
    int width = 0;
    int height = 0;
    int fileChannels = 0;
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
        !stbi_info_from_memory(bytes, static_cast<int>(size), &width, &height, &fileChannels) ||
        fileChannels < greyChannels || fileChannels > SOIL_LOAD_RGBA ||
        !withinCaps(static_cast<unsigned>(width), static_cast<unsigned>(height), fileChannels,
                    forceChannels) ||
        std::size_t(width) * std::size_t(height) > size * maxPixelsPerFileByte) {
        return false;
    }
    StbReader reader{bytes, size};
    const stbi_io_callbacks callbacks{stbRead, stbSkip, stbAtEnd};
    int decodedChannels = 0;
    unsigned char* pixels =
        stbi_load_from_callbacks(&callbacks, &reader, &width, &height, &decodedChannels, 0);
    if (pixels == nullptr || reader.overran || decodedChannels != fileChannels) {
        std::free(pixels);
        return false;
    }
    // The conversion to more channels works in place, in a block large enough for them.
    const int wanted = outputChannels(fileChannels, forceChannels);
    if (wanted > fileChannels) {
        void* larger = std::realloc(pixels, std::size_t(width) * std::size_t(height) * wanted);
        if (larger == nullptr) {
            std::free(pixels);
            return false;
        }
        pixels = static_cast<unsigned char*>(larger);
    }
    out = {pixels, width, height, fileChannels};
    return true;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads in chunks rather than trusting a size from seek and tell. Only a regular file is
// read: a FIFO would block.
bool readFile(const char* filename, std::vector<unsigned char>& bytes) {
    std::string problem;
    const std::unique_ptr<std::FILE, FileCloser> file(openRegularFile(filename, problem));
    if (!file) {
        return false;
    }
    for (;;) {
        const std::size_t used = bytes.size();
        bytes.resize(used + readChunkBytes);
        const std::size_t got = std::fread(bytes.data() + used, 1, readChunkBytes, file.get());
        bytes.resize(used + got);
        if (bytes.size() > maxFileBytes) {
            return false;
        }
        if (got < readChunkBytes) {
            return std::ferror(file.get()) == 0;
        }
    }
}

void setIfWanted(int* target, int value) {
    if (target != nullptr) {
        *target = value;
    }
}

} // namespace

namespace soil {

unsigned char* loadImageFromMemory(const unsigned char* bytes, std::size_t size, int* width,
                                   int* height, int* channels, int forceChannels) {
    setIfWanted(width, 0);
    setIfWanted(height, 0);
    setIfWanted(channels, 0);
    if (bytes == nullptr || forceChannels < SOIL_LOAD_AUTO || forceChannels > SOIL_LOAD_RGBA) {
        return nullptr;
    }
    Decoded image;
    bool decoded = false;
    if (startsWith(bytes, size, pngSignature)) {
        decoded = decodePng(bytes, size, forceChannels, image);
    } else if (startsWith(bytes, size, jpegSignature)) {
        decoded = decodeJpeg(bytes, size, forceChannels, image);
    } else {
        decoded = decodeTgaOrBmp(bytes, size, forceChannels, image);
    }
    if (!decoded) {
        return nullptr;
    }
    const int wanted = outputChannels(image.fileChannels, forceChannels);
    const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
    convertInPlace(image.pixels, count, image.fileChannels, wanted);
    if (wanted < image.fileChannels) {
        // A failed shrink leaves the larger block, which still holds the pixels.
        if (void* smaller = std::realloc(image.pixels, count * wanted)) {
            image.pixels = static_cast<unsigned char*>(smaller);
        }
    }
    setIfWanted(width, image.width);
    setIfWanted(height, image.height);
    setIfWanted(channels, image.fileChannels);
    return image.pixels;
}

} // namespace soil

unsigned char* SOIL_load_image(const char* filename, int* width, int* height, int* channels,
                               int force_channels) {
    setIfWanted(width, 0);
    setIfWanted(height, 0);
    setIfWanted(channels, 0);
    if (filename == nullptr) {
        return nullptr;
    }
    try {
        std::vector<unsigned char> bytes;
        if (!readFile(filename, bytes)) {
            return nullptr;
        }
        return soil::loadImageFromMemory(bytes.data(), bytes.size(), width, height, channels,
                                         force_channels);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void SOIL_free_image_data(unsigned char* img_data) {
    std::free(img_data);
}
