#pragma once

#include <string>
#include <vector>

struct Scene;

// The show's data for the tools: found as the demo finds it, and checked once the Scene is
// built, so a tool stops before its work instead of rendering without it.

// Moves to the folder with shader/ and resources/ as the demo does (app/run_directory.h).
// False, with a line on standard error naming where it looked, when no folder has them.
bool enterToolRunDirectory(const std::string& tool);

// A file named on the command line is taken from the folder the tool was started in: call
// this before enterToolRunDirectory. The default stays relative to the run directory, where
// the tools' defaults (build/...) are meant.
std::string fromStartFolder(const std::string& path, const std::string& defaultPath);

// What the Scene could not build from its data, a line each: a program that did not build,
// the dungeon without meshes, no face of the sky, the star sprite. Model textures and single
// sky faces have stand-ins and are not counted. Empty when nothing is missing.
std::vector<std::string> missingSceneData(const Scene& scene);

// Prints each missing part on standard error, then that the tool stops; false when any.
bool dataComplete(const std::vector<std::string>& missing, const std::string& tool);
