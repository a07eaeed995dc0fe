#include "gfx/debug_names.h"

#include <algorithm>

namespace {

// Ids tell groups apart in a debugger's message log only; the names carry the meaning.
constexpr GLuint passGroupId = 0;

// The longest label the context takes, read once (it is at least 256).
GLsizei maxLabelLength() {
    static GLint length = 0;
    if (length == 0) {
        glGetIntegerv(GL_MAX_LABEL_LENGTH, &length);
    }
    return length;
}

// Longer labels are an error in GL; cut them to fit instead.
GLsizei fittingLength(const std::string& text) {
    return static_cast<GLsizei>(
        std::min<size_t>(text.size(), static_cast<size_t>(maxLabelLength() - 1)));
}

} // namespace

bool debugNamesAvailable() {
    return GLAD_GL_KHR_debug != 0;
}

void beginPass(const std::string& name) {
    if (!debugNamesAvailable()) {
        return;
    }
    glPushDebugGroup(GL_DEBUG_SOURCE_APPLICATION, passGroupId, fittingLength(name), name.c_str());
}

void endPass() {
    if (!debugNamesAvailable()) {
        return;
    }
    glPopDebugGroup();
}

void labelObject(GLenum identifier, GLuint object, const std::string& label) {
    if (!debugNamesAvailable() || object == 0) {
        return;
    }
    glObjectLabel(identifier, object, fittingLength(label), label.c_str());
}
