#pragma once

// The dungeon's model as a Wavefront OBJ file and its materials as the MTL file beside it.

#include "dungeon_geometry.h"

#include <string>

// Writes the OBJ (one object per material, scaled by modelScale) and the MTL.
bool writeObj(const std::string& path, const MeshSet& mesh, const std::string& mtlFileName,
              float modelScale);
bool writeMtl(const std::string& path);
