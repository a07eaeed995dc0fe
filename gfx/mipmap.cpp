#include "gfx/mipmap.h"

#include <glad/gl.h>

#include <algorithm>

namespace {

constexpr int rgbaChannels = 4;

} // namespace

RgbaLevel halveRgba(const unsigned char* pixels, int width, int height) {
    RgbaLevel level;
    level.width = std::max(1, width / 2);
    level.height = std::max(1, height / 2);
    level.pixels.resize(static_cast<size_t>(level.width) * level.height * rgbaChannels);
    // Where a side is 1, both taps along it read the same pixel.
    const int stepX = width > 1 ? 1 : 0;
    const int stepY = height > 1 ? 1 : 0;
    const auto at = [&](int x, int y, int c) {
        return static_cast<unsigned>(
            pixels[(static_cast<size_t>(y) * width + static_cast<size_t>(x)) * rgbaChannels +
                   static_cast<size_t>(c)]);
    };
    for (int y = 0; y < level.height; ++y) {
        const int y0 = y * 2 * stepY;
        for (int x = 0; x < level.width; ++x) {
            const int x0 = x * 2 * stepX;
            for (int c = 0; c < rgbaChannels; ++c) {
                const unsigned sum = at(x0, y0, c) + at(x0 + stepX, y0, c) + at(x0, y0 + stepY, c) +
                                     at(x0 + stepX, y0 + stepY, c);
                level.pixels[(static_cast<size_t>(y) * level.width + static_cast<size_t>(x)) *
                                 rgbaChannels +
                             static_cast<size_t>(c)] = static_cast<unsigned char>((sum + 2) / 4);
            }
        }
    }
    return level;
}

void uploadMipmapChain(const unsigned char* pixels, int width, int height) {
    RgbaLevel level{width, height, {}};
    const unsigned char* source = pixels;
    for (GLint index = 1; level.width > 1 || level.height > 1; ++index) {
        level = halveRgba(source, level.width, level.height);
        glTexImage2D(GL_TEXTURE_2D, index, GL_RGBA, level.width, level.height, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, level.pixels.data());
        source = level.pixels.data();
    }
}
