#pragma once

#include <glad/gl.h>

#include <string>

// Names that frame debuggers (apitrace, RenderDoc) show: a group around each pass of a
// frame and a label on each long-lived object, through KHR_debug. Without the extension
// every call here returns at once and makes no GL call, so a frame's drawing calls are
// the same with or without it.
bool debugNamesAvailable();

// Opens a group named after a pass; each beginPass is closed by one endPass. Groups are
// not nested: every draw call lies in exactly one.
void beginPass(const std::string& name);
void endPass();

// identifier: GL_TEXTURE, GL_FRAMEBUFFER, GL_RENDERBUFFER, GL_PROGRAM, GL_VERTEX_ARRAY or
// GL_BUFFER. The object must exist already, that is, have been bound once.
void labelObject(GLenum identifier, GLuint object, const std::string& label);
