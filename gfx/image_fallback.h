#pragma once

#include <array>
#include <string>
#include <vector>

// Stand-in pixels for an image file that is missing or cannot be decoded, so the
// texture stays complete and samples a value that is neutral for its role.
using Rgba = std::array<unsigned char, 4>;

constexpr Rgba neutralDiffuse{255, 255, 255, 255};
constexpr Rgba neutralSpecular{0, 0, 0, 255};
constexpr Rgba flatNormal{128, 128, 255, 255};
constexpr Rgba neutralSky{0, 0, 0, 255};

// The neutral colour for a mesh texture's sampler role ("texture_normal", ...).
Rgba neutralColourFor(const std::string& role);

// width x height pixels of one colour, with the first `channels` components.
std::vector<unsigned char> solidImage(int width, int height, int channels, Rgba colour);

// One line on standard output naming the file that could not be used.
void reportUnreadableImage(const std::string& what, const std::string& file);
