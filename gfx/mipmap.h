#pragma once

#include <vector>

// The mipmap chain of an RGBA8 texture, made on the CPU: the same box filter a driver
// applies, without the driver's round trip through its rasteriser for every level.
struct RgbaLevel {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

// The level below a width x height RGBA image: each side halved (rounded down, at
// least 1), each pixel the rounded mean of the 2 x 2 pixels it covers (2 x 1 or 1 x 2
// where a side is 1 already; an odd side's last row or column is left out).
RgbaLevel halveRgba(const unsigned char* pixels, int width, int height);

// Defines levels 1 and up of the bound GL_TEXTURE_2D from its level 0 pixels, down to
// 1 x 1, as GL_RGBA / GL_UNSIGNED_BYTE.
void uploadMipmapChain(const unsigned char* pixels, int width, int height);
