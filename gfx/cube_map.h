#pragma once

#include <glad/gl.h>

#include <vector>

// Builds a cube map from six image files in the face order +X, -X, +Y, -Y, +Z, -Z,
// each decoded as RGB. A face that cannot be decoded is filled with a plain colour
// at the size of the first readable face, so the cube map stays complete.
GLuint loadCubeMapTexture(std::vector<const char*> faces);
