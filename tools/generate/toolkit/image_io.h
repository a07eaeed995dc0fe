#pragma once

// File output for the content generator: PNG images and text files.

#include <cstdint>
#include <string>
#include <vector>

// An 8-bit image, rows top first, 1 (grey), 3 (RGB) or 4 (RGBA) channels.
struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<std::uint8_t> pixels;
};

Image makeImage(int width, int height, int channels);
// Clamps to [0, 1] and rounds to the nearest 8-bit level.
std::uint8_t toByte(float value);
void setPixel(Image& image, int x, int y, int channel, float value);

// Writes the image, creating its folder; prints one line to stderr and
// returns false when it cannot.
bool savePng(const std::string& path, const Image& image);

// Writes the text as the whole file; prints one line to stderr and returns false
// when it cannot.
bool writeTextFile(const std::string& path, const std::string& text);
