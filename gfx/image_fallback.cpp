#include "gfx/image_fallback.h"

#include <iostream>

Rgba neutralColourFor(const std::string& role) {
    if (role == "texture_normal") {
        return flatNormal;
    }
    if (role == "texture_specular") {
        return neutralSpecular;
    }
    return neutralDiffuse;
}

std::vector<unsigned char> solidImage(int width, int height, int channels, Rgba colour) {
    std::vector<unsigned char> pixels;
    pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height) *
                   static_cast<size_t>(channels));
    for (int texel = 0; texel < width * height; ++texel) {
        pixels.insert(pixels.end(), colour.begin(), colour.begin() + channels);
    }
    return pixels;
}

void reportUnreadableImage(const std::string& what, const std::string& file) {
    std::cout << "ERROR::TEXTURE:: Failed to load " << what << " " << file
              << ", using a plain stand-in" << std::endl;
}
