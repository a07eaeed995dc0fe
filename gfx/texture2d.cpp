#include "gfx/texture2d.h"

Texture2D::Texture2D() {
    glGenTextures(1, &ID);
}

void Texture2D::generate(GLint width, GLint height, const unsigned char* pixels) {
    this->width = width;
    this->height = height;
    glBindTexture(GL_TEXTURE_2D, ID);
    // Rows arrive tightly packed, whatever the format.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat), width, height, 0,
                 imageFormat, GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(wrapS));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(wrapT));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(filterMin));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(filterMax));
    glBindTexture(GL_TEXTURE_2D, 0);
}
