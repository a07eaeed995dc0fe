#include "gfx/shader.h"

#include "gfx/regular_file.h"

#include <cstdio>
#include <iostream>

namespace {

constexpr int infoLogLength = 1024;
constexpr size_t readChunkBytes = 4096;
constexpr const char* blockSeparator =
    "\n| -- --------------------------------------------------- -- |";

constexpr const char* readFailure = "ERROR::SHADER: Failed to read shader files";

// Stands in for a program that did not build: every vertex lands outside the clip
// volume and every fragment is discarded, so its draws leave the picture as it was
// instead of drawing whatever the driver makes of a broken program. It has no
// uniforms; setting one is ignored.
constexpr const char* drawNothingVertex =
    "#version 330 core\n"
    "void main() { gl_Position = vec4(0.0, 0.0, 2.0, 1.0); }\n";
constexpr const char* drawNothingFragment = "#version 330 core\n"
                                            "out vec4 colour;\n"
                                            "void main() { discard; }\n";

// The file's text, or false with one line on standard output naming the file and what
// is wrong with it. Only a regular file is opened: a FIFO would block the read.
bool readShaderFile(const char* path, std::string& text) {
    std::string problem;
    std::FILE* file = openRegularFile(path, problem);
    if (file == nullptr) {
        std::cout << readFailure << ": " << path << " (" << problem << ")" << std::endl;
        return false;
    }
    char chunk[readChunkBytes];
    for (size_t got = 0; (got = std::fread(chunk, 1, sizeof(chunk), file)) > 0;) {
        text.append(chunk, got);
    }
    std::fclose(file);
    return true;
}

GLuint drawNothingProgram() {
    const GLuint vertex = glCreateShader(GL_VERTEX_SHADER);
    glShaderSource(vertex, 1, &drawNothingVertex, nullptr);
    glCompileShader(vertex);
    const GLuint fragment = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(fragment, 1, &drawNothingFragment, nullptr);
    glCompileShader(fragment);
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    return program;
}

GLuint compileStage(GLenum stage, const char* source) {
    const GLuint object = glCreateShader(stage);
    glShaderSource(object, 1, &source, nullptr);
    glCompileShader(object);
    return object;
}

} // namespace

void Shader::compile(const char* vertexSource, const char* fragmentSource,
                     const char* geometrySource) {
    const GLuint vertex = compileStage(GL_VERTEX_SHADER, vertexSource);
    checkCompileErrors(vertex, "VERTEX");
    const GLuint fragment = compileStage(GL_FRAGMENT_SHADER, fragmentSource);
    checkCompileErrors(fragment, "FRAGMENT");
    GLuint geometry = 0;
    if (geometrySource != nullptr) {
        geometry = compileStage(GL_GEOMETRY_SHADER, geometrySource);
        checkCompileErrors(geometry, "GEOMETRY");
    }

    ID = glCreateProgram();
    glAttachShader(ID, vertex);
    glAttachShader(ID, fragment);
    if (geometrySource != nullptr) {
        glAttachShader(ID, geometry);
    }
    glLinkProgram(ID);
    checkCompileErrors(ID, "PROGRAM");
    GLint linked = GL_FALSE;
    glGetProgramiv(ID, GL_LINK_STATUS, &linked);
    if (linked == GL_FALSE) {
        glDeleteProgram(ID);
        ID = drawNothingProgram();
    }

    glDeleteShader(vertex);
    glDeleteShader(fragment);
    if (geometrySource != nullptr) {
        glDeleteShader(geometry);
    }
}

void Shader::checkCompileErrors(GLuint object, const std::string& type) {
    GLint status = 0;
    GLchar log[infoLogLength] = {};
    const char* heading = nullptr;
    if (type == "PROGRAM") {
        glGetProgramiv(object, GL_LINK_STATUS, &status);
        if (status == GL_FALSE) {
            glGetProgramInfoLog(object, infoLogLength, nullptr, log);
            heading = "| ERROR::::PROGRAM-LINKING-ERROR of type: ";
        }
    } else {
        glGetShaderiv(object, GL_COMPILE_STATUS, &status);
        if (status == GL_FALSE) {
            glGetShaderInfoLog(object, infoLogLength, nullptr, log);
            heading = "| ERROR::::SHADER-COMPILATION-ERROR of type: ";
        }
    }
    if (heading != nullptr) {
        std::cout << heading << type << "|\n" << log << blockSeparator << std::endl;
    }
}

Shader loadShaderFromFile(const char* vertexPath, const char* fragmentPath,
                          const char* geometryPath) {
    std::string vertexCode;
    std::string fragmentCode;
    std::string geometryCode;
    // Every file is tried, so that each unreadable one gets its line.
    bool read = readShaderFile(vertexPath, vertexCode);
    read = readShaderFile(fragmentPath, fragmentCode) && read;
    if (geometryPath != nullptr) {
        read = readShaderFile(geometryPath, geometryCode) && read;
    }
    Shader shader;
    if (!read) {
        shader.ID = drawNothingProgram();
        return shader;
    }
    shader.compile(vertexCode.c_str(), fragmentCode.c_str(),
                   geometryPath != nullptr ? geometryCode.c_str() : nullptr);
    return shader;
}
