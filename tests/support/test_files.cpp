#include "support/test_files.h"

#include <png.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <system_error>

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

TemporaryFolder::TemporaryFolder()
    : path((std::filesystem::temp_directory_path() / "lanternfall-test-XXXXXX").string()) {
    if (mkdtemp(path.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder from " + path);
    }
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TemporaryFolder::file(const std::string& name) const {
    return path + "/" + name;
}

bool readRgbPng(const std::string& path, int& width, int& height, std::vector<unsigned char>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

double psnr(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    double squares = 0.0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        squares += d * d;
    }
    const double mse = squares / static_cast<double>(a.size());
    return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}
