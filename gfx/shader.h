#pragma once

#include <glad/gl.h>

#include <string>

// A linked GPU program. Copies share the same program; nothing deletes it.
struct Shader {
    GLuint ID = 0;

    // Compiles the stages (geometrySource may be null), links the program and
    // prints a framed block for every stage or link that fails.
    void compile(const char* vertexSource, const char* fragmentSource,
                 const char* geometrySource = nullptr);
    void checkCompileErrors(GLuint object, const std::string& type);
};

// Reads the source files (a missing file reads as empty text) and compiles them.
Shader loadShaderFromFile(const char* vertexPath, const char* fragmentPath,
                          const char* geometryPath = nullptr);
