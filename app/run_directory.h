#pragma once

#include <string>
#include <vector>

// The demo and its tools read shader/ and resources/ relative to their working directory.

// Whether directory holds both shader/ and resources/.
bool isRunDirectory(const std::string& directory);

// Where an installed demo keeps them: PREFIX/share/lanternfall beside PREFIX/bin, found from
// the executable's own path, so a prefix moved elsewhere still works. Empty for an empty
// path.
std::string installedDataDirectory(const std::string& executable);

// The first candidate that is a run directory (the working directory, the installed data,
// the project root the build wrote down), else empty.
std::string chooseRunDirectory(const std::vector<std::string>& candidates);

// Where the search looked, in order, and what it chose (empty: none holds the data).
struct RunDirectorySearch {
    std::string current;
    // Empty when the executable's own path cannot be read.
    std::string installed;
    // Empty for a build that wrote none down.
    std::string projectRoot;
    std::string chosen;
};

// Moves to where the demo's programs find their data: the working directory, else the data
// installed beside the running executable, else projectRoot. After a move the camera path is
// read again, since it was read before main from the old directory. Without a choice the
// working directory stays as it was.
RunDirectorySearch enterRunDirectory(const std::string& projectRoot);

// The line for a search that chose nothing, naming each folder it looked in and telling how
// to run `program` ("the demo", "the recorder"); only what the package installs (the demo)
// is told it may be installed.
std::string noRunDirectoryMessage(const RunDirectorySearch& search, const std::string& program,
                                  bool installable);
