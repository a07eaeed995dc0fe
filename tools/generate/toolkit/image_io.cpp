#include "image_io.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

Image makeImage(int width, int height, int channels) {
    Image image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) *
                            static_cast<size_t>(channels),
                        0);
    return image;
}

std::uint8_t toByte(float value) {
    const float clamped = std::clamp(value, 0.0f, 1.0f);
    return static_cast<std::uint8_t>(std::lround(clamped * 255.0f));
}

void setPixel(Image& image, int x, int y, int channel, float value) {
    const size_t index =
        (static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) *
            static_cast<size_t>(image.channels) +
        static_cast<size_t>(channel);
    image.pixels[index] = toByte(value);
}

bool savePng(const std::string& path, const Image& image) {
    png_uint_32 format = 0;
    switch (image.channels) {
    case 1:
        format = PNG_FORMAT_GRAY;
        break;
    case 3:
        format = PNG_FORMAT_RGB;
        break;
    case 4:
        format = PNG_FORMAT_RGBA;
        break;
    default:
        std::fprintf(stderr, "%s: cannot write %d channels\n", path.c_str(), image.channels);
        return false;
    }

    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, error);
        if (error) {
            std::fprintf(stderr, "%s: %s\n", folder.string().c_str(), error.message().c_str());
            return false;
        }
    }

    png_image header{};
    header.version = PNG_IMAGE_VERSION;
    header.width = static_cast<png_uint_32>(image.width);
    header.height = static_cast<png_uint_32>(image.height);
    header.format = format;
    // Generated files are rewritten on every build; speed beats size here.
    header.flags = PNG_IMAGE_FLAG_FAST;
    if (png_image_write_to_file(&header, path.c_str(), 0, image.pixels.data(), 0, nullptr) == 0) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), header.message);
        png_image_free(&header);
        return false;
    }
    return true;
}

bool writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (!file) {
        std::fprintf(stderr, "generate_content: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
