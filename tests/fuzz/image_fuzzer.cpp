#include "gfx/soil.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace soil {
// Defined in gfx/soil.cpp, which keeps it out of the renderer's header.
unsigned char* loadImageFromMemory(const unsigned char* bytes, std::size_t size, int* width,
                                   int* height, int* channels, int forceChannels);
} // namespace soil

namespace {

constexpr int minChannels = 1;
constexpr int maxChannels = 4;
constexpr std::uint8_t pngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::size_t lengthBytes = 4;
constexpr std::size_t typeBytes = 4;
constexpr std::size_t crcBytes = 4;
constexpr std::size_t chunkOverhead = lengthBytes + typeBytes + crcBytes;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::uint32_t readBigEndian(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// libpng refuses a chunk whose CRC does not match, which would stop nearly every mutated PNG at
// its first changed chunk; a copy with recomputed CRCs lets the mutations reach the decoder.
std::vector<std::uint8_t> withRepairedCrcs(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> png(data, data + size);
    std::size_t at = sizeof pngSignature;
    while (at + chunkOverhead <= png.size()) {
        const std::uint32_t length = readBigEndian(&png[at]);
        if (length > png.size() - at - chunkOverhead) {
            break;
        }
        std::uint8_t* type = &png[at + lengthBytes];
        const uLong crc = crc32(crc32(0, nullptr, 0), type, uInt(typeBytes + length));
        for (std::size_t i = 0; i < crcBytes; ++i) {
            type[typeBytes + length + i] = std::uint8_t(crc >> (8 * (crcBytes - 1 - i)));
        }
        at += chunkOverhead + length;
    }
    return png;
}

void decodeEveryWay(const std::uint8_t* data, std::size_t size) {
    int firstChannels = 0;
    for (int force = SOIL_LOAD_AUTO; force <= SOIL_LOAD_RGBA; ++force) {
        int width = -1;
        int height = -1;
        int channels = -1;
        unsigned char* pixels =
            soil::loadImageFromMemory(data, size, &width, &height, &channels, force);
        if (pixels == nullptr) {
            require(width == 0 && height == 0);
            continue;
        }
        require(width > 0 && height > 0 && channels >= minChannels && channels <= maxChannels);
        require(firstChannels == 0 || channels == firstChannels);
        firstChannels = channels;
        // Reading the last promised byte lets AddressSanitizer catch a short buffer.
        const int outChannels = force == SOIL_LOAD_AUTO ? channels : force;
        const std::size_t bytes = std::size_t(width) * std::size_t(height) * outChannels;
        const volatile unsigned char last = pixels[bytes - 1];
        static_cast<void>(last);
        SOIL_free_image_data(pixels);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    decodeEveryWay(data, size);
    if (size >= sizeof pngSignature && std::memcmp(data, pngSignature, sizeof pngSignature) == 0) {
        const std::vector<std::uint8_t> repaired = withRepairedCrcs(data, size);
        if (std::memcmp(repaired.data(), data, size) != 0) {
            decodeEveryWay(repaired.data(), repaired.size());
        }
    }
    return 0;
}
