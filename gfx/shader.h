#pragma once

#include <glad/gl.h>

#include <string>

// A linked GPU program. Copies share the same program; nothing deletes it.
struct Shader {
    GLuint ID = 0;

    // Compiles the stages (geometrySource may be null), links the program and
    // prints a framed block for every stage or link that fails; a program that did not
    // link is replaced by one that draws nothing.
    void compile(const char* vertexSource, const char* fragmentSource,
                 const char* geometrySource = nullptr);
    void checkCompileErrors(GLuint object, const std::string& type);
};

// Reads the source files and compiles them. A file that is missing, not a regular file
// or unreadable gets one line naming it, and the program becomes one that draws
// nothing, as does one that fails to compile or link.
Shader loadShaderFromFile(const char* vertexPath, const char* fragmentPath,
                          const char* geometryPath = nullptr);
