#pragma once

#include <string>
#include <vector>

// The demo reads shader/ and resources/ relative to its working directory.

// Whether directory holds both shader/ and resources/.
bool isRunDirectory(const std::string& directory);

// Where an installed demo keeps them: PREFIX/share/lanternfall beside PREFIX/bin, found from
// the executable's own path, so a prefix moved elsewhere still works. Empty for an empty
// path.
std::string installedDataDirectory(const std::string& executable);

// The first candidate that is a run directory (the working directory, the installed data,
// the project root the build wrote down), else empty.
std::string chooseRunDirectory(const std::vector<std::string>& candidates);
