#pragma once

#include <string>

// The demo reads shader/ and resources/ relative to its working directory.

// Whether directory holds both shader/ and resources/.
bool isRunDirectory(const std::string& directory);

// The directory to run in: current when it is a run directory, else recorded (the
// project root the build wrote down) when that is one, else empty.
std::string chooseRunDirectory(const std::string& current, const std::string& recorded);
