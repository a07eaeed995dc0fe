#pragma once

#include "gfx/shader.h"
#include "gfx/texture2d.h"

#include <map>
#include <string>

// Programs and stand-alone textures by name, registered once at set-up.
extern std::map<std::string, Shader> Shaders;
extern std::map<std::string, Texture2D> Textures;

// Builds a program from files (geometryPath may be null) and stores it under
// name, replacing an earlier entry.
Shader loadShader(const char* vertexPath, const char* fragmentPath, const char* geometryPath,
                  const std::string& name);
// An unregistered name yields program 0.
Shader getShader(const std::string& name);

// Decodes an image file as RGBA into a new texture stored under name. A file that
// cannot be decoded gets one line naming it and is uploaded as it came back from the
// decoder (empty).
Texture2D loadTexture(const char* file, const std::string& name);
// An unregistered name gets a new texture with the default parameters.
Texture2D getTexture(const std::string& name);
