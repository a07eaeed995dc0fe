#include "gfx/shader.h"

#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

constexpr int infoLogLength = 1024;
constexpr const char* blockSeparator =
    "\n| -- --------------------------------------------------- -- |";

std::string readWholeFile(const char* path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    file.close();
    return text.str();
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
    try {
        vertexCode = readWholeFile(vertexPath);
        fragmentCode = readWholeFile(fragmentPath);
        if (geometryPath != nullptr) {
            geometryCode = readWholeFile(geometryPath);
        }
    } catch (const std::exception&) {
        std::cout << "ERROR::SHADER: Failed to read shader files" << std::endl;
    }
    Shader shader;
    shader.compile(vertexCode.c_str(), fragmentCode.c_str(),
                   geometryPath != nullptr ? geometryCode.c_str() : nullptr);
    return shader;
}
