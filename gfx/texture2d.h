#pragma once

#include <glad/gl.h>

// A stand-alone 2D texture and the parameters it is uploaded with. Copies share
// the same texture name.
struct Texture2D {
    GLuint ID = 0;
    GLint width = 0;
    GLint height = 0;
    GLuint internalFormat = GL_RGB;
    GLuint imageFormat = GL_RGB;
    GLuint wrapS = GL_REPEAT;
    GLuint wrapT = GL_REPEAT;
    GLuint filterMin = GL_LINEAR;
    GLuint filterMax = GL_LINEAR;

    // Obtains a fresh texture name: a GL context must be current.
    Texture2D();
    // Uploads level 0 (no mipmaps) with this record's formats and parameters.
    void generate(GLint width, GLint height, const unsigned char* pixels);
};
