#pragma once

#include <string>
#include <vector>

// Writes 8-bit pixels (rows top first) as a PNG with 1 to 4 channels.
bool writePng(const std::string& path, int width, int height, int channels,
              const std::vector<unsigned char>& pixels);

// A fresh empty directory under the system's temporary folder, removed by the caller.
std::string makeTemporaryDirectory(const std::string& prefix);
