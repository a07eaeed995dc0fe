#include "support/test_files.h"

#include <png.h>
#include <stdlib.h>

#include <filesystem>

bool writePng(const std::string& path, int width, int height, int channels,
              const std::vector<unsigned char>& pixels) {
    static const png_uint_32 formats[] = {PNG_FORMAT_GRAY, PNG_FORMAT_GA, PNG_FORMAT_RGB,
                                          PNG_FORMAT_RGBA};
    if (channels < 1 || channels > 4 ||
        pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height) *
                             static_cast<size_t>(channels)) {
        return false;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = formats[channels - 1];
    return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

std::string makeTemporaryDirectory(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    const char* made = mkdtemp(pattern.data());
    return made != nullptr ? std::string(made) : std::string();
}
