// Writes a starting corpus for the image fuzzer: one tiny image of each kind the layer
// reads.
#include <png.h>
#include <turbojpeg.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int seedSide = 8;
constexpr int paletteEntries = 4;
constexpr int patternStep = 37;
constexpr int jpegQuality = 75;

std::vector<unsigned char> pattern(std::size_t size, int modulo) {
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>(i * patternStep % modulo);
    }
    return bytes;
}

bool writePng(const std::filesystem::path& path, png_uint_32 format) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = seedSide;
    image.height = seedSide;
    image.format = format;
    const bool mapped = (format & PNG_FORMAT_FLAG_COLORMAP) != 0;
    image.colormap_entries = mapped ? paletteEntries : 0;
    const std::vector<unsigned char> pixels =
        pattern(PNG_IMAGE_SIZE(image), mapped ? paletteEntries : 256);
    const std::vector<unsigned char> colourMap = pattern(PNG_IMAGE_COLORMAP_SIZE(image), 256);
    const bool written = png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0,
                                                 mapped ? colourMap.data() : nullptr) != 0;
    png_image_free(&image);
    return written;
}

bool writeJpeg(const std::filesystem::path& path, int pixelFormat, int subsampling, int flags) {
    const std::vector<unsigned char> pixels =
        pattern(std::size_t(seedSide) * seedSide * tjPixelSize[pixelFormat], 256);
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    bool written = compressor != nullptr &&
                   tjCompress2(compressor, pixels.data(), seedSide, 0, seedSide, pixelFormat, &jpeg,
                               &size, subsampling, jpegQuality, flags) == 0;
    if (written) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        written = file != nullptr && std::fwrite(jpeg, 1, size, file) == size;
        written = file != nullptr && std::fclose(file) == 0 && written;
    }
    tjFree(jpeg);
    if (compressor != nullptr) {
        tjDestroy(compressor);
    }
    return written;
}

// TGA (with or without run-length coding) and BMP, through stb's writer.
bool writeStb(const std::filesystem::path& path, int channels, bool runLength) {
    const std::vector<unsigned char> pixels = pattern(seedSide * seedSide * channels, 256);
    stbi_write_tga_with_rle = runLength ? 1 : 0;
    return path.extension() == ".bmp"
               ? stbi_write_bmp(path.c_str(), seedSide, seedSide, channels, pixels.data()) != 0
               : stbi_write_tga(path.c_str(), seedSide, seedSide, channels, pixels.data()) != 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    const bool written =
        !error && writePng(dir / "grey.png", PNG_FORMAT_GRAY) &&
        writePng(dir / "grey_alpha.png", PNG_FORMAT_GA) &&
        writePng(dir / "rgb.png", PNG_FORMAT_RGB) && writePng(dir / "rgba.png", PNG_FORMAT_RGBA) &&
        writePng(dir / "palette_alpha.png", PNG_FORMAT_RGBA_COLORMAP) &&
        writePng(dir / "rgba16.png", PNG_FORMAT_LINEAR_RGB_ALPHA) &&
        writeJpeg(dir / "grey.jpg", TJPF_GRAY, TJSAMP_GRAY, 0) &&
        writeJpeg(dir / "colour420.jpg", TJPF_RGB, TJSAMP_420, 0) &&
        writeJpeg(dir / "progressive.jpg", TJPF_RGB, TJSAMP_444, TJFLAG_PROGRESSIVE) &&
        writeStb(dir / "grey.tga", 1, false) && writeStb(dir / "rgba_rle.tga", 4, true) &&
        writeStb(dir / "rgb.bmp", 3, false) && writeStb(dir / "rgba.bmp", 4, false);
    if (!written) {
        std::fprintf(stderr, "could not write the seeds into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
