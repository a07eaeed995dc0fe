#pragma once

#include <string>
#include <vector>

// Writes 8-bit pixels (rows top first) as a PNG with 1 to 4 channels.
bool writePng(const std::string& path, int width, int height, int channels,
              const std::vector<unsigned char>& pixels);

// Reads a PNG as 8-bit RGB, rows top first; false when it cannot be read.
bool readRgbPng(const std::string& path, int& width, int& height, std::vector<unsigned char>& rgb);

// Peak signal-to-noise ratio of two 8-bit pictures of one size, in dB; 99 when they are equal.
double psnr(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b);

// A fresh empty directory under the system's temporary folder, removed by the caller.
std::string makeTemporaryDirectory(const std::string& prefix);
