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

// A fresh empty folder under the system's temporary folder, removed with all it holds when
// the value goes. When none can be made it throws, which fails the test that wanted it.
struct TemporaryFolder {
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // The path of a name (or a relative path) inside the folder.
    std::string file(const std::string& name) const;

    std::string path;
};
