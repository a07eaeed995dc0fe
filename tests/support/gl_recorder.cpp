#include "support/gl_recorder.h"

#include <glad/gl.h>

#include <cstdarg>
#include <map>

namespace {

// Argument kinds per call: i integer (enums, names, sizes), f float, s string,
// v pointer to three floats and m pointer to as many 4 x 4 matrices as the count
// before it says (both read at the call), p pointer (skipped). Calls not
// listed are recorded by name only.
const std::map<std::string, std::string> signatures = {
    {"glActiveTexture", "i"},
    {"glBindTexture", "ii"},
    {"glBindVertexArray", "i"},
    {"glUseProgram", "i"},
    {"glCreateShader", "i"},
    {"glAttachShader", "ii"},
    {"glDeleteShader", "i"},
    {"glGetUniformLocation", "is"},
    {"glUniform1i", "ii"},
    {"glUniform1f", "if"},
    {"glUniform3f", "ifff"},
    {"glDrawElements", "iiip"},
    {"glTexImage2D", "iiiiiiiip"},
    {"glTexParameteri", "iii"},
    {"glGenerateMipmap", "i"},
    {"glViewport", "iiii"},
    {"glBindFramebuffer", "ii"},
    {"glDepthFunc", "i"},
    {"glEnable", "i"},
    {"glDisable", "i"},
    {"glBlendFunc", "ii"},
    {"glDrawArrays", "iii"},
    {"glClear", "i"},
    {"glClearColor", "ffff"},
    {"glUniformMatrix4fv", "iiim"},
    {"glUniform4f", "iffff"},
    {"glUniform3fv", "iiv"},
    {"glPushDebugGroup", "iiis"},
    {"glObjectLabel", "iiis"},
};

bool recording = false;
std::vector<GlCall> recorded;

void recordCall(void* ret, const char* name, GLADapiproc, int argumentCount, ...) {
    if (!recording) {
        return;
    }
    GlCall call;
    call.name = name;
    const auto signature = signatures.find(call.name);
    if (signature != signatures.end() &&
        signature->second.size() == static_cast<size_t>(argumentCount)) {
        va_list args;
        va_start(args, argumentCount);
        for (char kind : signature->second) {
            switch (kind) {
            case 'i':
                call.ints.push_back(va_arg(args, int));
                break;
            case 'f':
                call.floats.push_back(va_arg(args, double));
                break;
            case 's':
                call.text = va_arg(args, const char*);
                break;
            case 'v': {
                const float* values = va_arg(args, const float*);
                call.floats.insert(call.floats.end(), values, values + 3);
                break;
            }
            case 'm': {
                const float* values = va_arg(args, const float*);
                const long long count = call.ints.size() > 1 ? call.ints[1] : 1;
                call.floats.insert(call.floats.end(), values, values + 16 * count);
                break;
            }
            default:
                va_arg(args, const void*);
                break;
            }
        }
        va_end(args);
    }
    if (call.name == "glGetUniformLocation" && ret != nullptr) {
        call.result = *static_cast<GLint*>(ret);
    }
    recorded.push_back(call);
}

} // namespace

void hideDebugExtension(bool hidden) {
    static int offered = GLAD_GL_KHR_debug;
    GLAD_GL_KHR_debug = hidden ? 0 : offered;
}

void startRecording() {
    recorded.clear();
    gladSetGLPostCallback(recordCall);
    recording = true;
}

std::vector<GlCall> stopRecording() {
    recording = false;
    return recorded;
}

std::vector<GlCall> callsNamed(const std::vector<GlCall>& calls, const std::string& name) {
    std::vector<GlCall> matching;
    for (const GlCall& call : calls) {
        if (call.name == name) {
            matching.push_back(call);
        }
    }
    return matching;
}

namespace {

// The name of the uniform at this location in the program, "" if it has none there.
std::string uniformName(GLuint program, GLint location) {
    if (program == 0 || glIsProgram(program) == GL_FALSE) {
        return "";
    }
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    for (GLint i = 0; i < count; ++i) {
        char name[256] = {};
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(i), sizeof name, &length, &size, &type,
                           name);
        std::string base(name, static_cast<size_t>(length));
        if (size == 1) {
            if (glGetUniformLocation(program, base.c_str()) == location) {
                return base;
            }
            continue;
        }
        base = base.substr(0, base.find('['));
        for (GLint k = 0; k < size; ++k) {
            const std::string element = base + "[" + std::to_string(k) + "]";
            if (glGetUniformLocation(program, element.c_str()) == location) {
                return element;
            }
        }
    }
    return "";
}

} // namespace

std::vector<UniformSet> uniformSets(const std::vector<GlCall>& calls) {
    std::map<std::pair<GLuint, long long>, std::string> names;
    // Without a glUseProgram in the recording, the names looked up during it.
    std::map<long long, std::string> lookedUp;
    GLuint program = 0;
    std::vector<UniformSet> sets;
    for (const GlCall& call : calls) {
        if (call.name == "glUseProgram" && !call.ints.empty()) {
            program = static_cast<GLuint>(call.ints[0]);
            continue;
        }
        if (call.name == "glGetUniformLocation") {
            lookedUp[call.result] = call.text;
            continue;
        }
        const bool oneInt = call.name == "glUniform1i" && call.ints.size() == 2;
        const bool floats = (call.name == "glUniform1f" || call.name == "glUniform3f" ||
                             call.name == "glUniform3fv" || call.name == "glUniformMatrix4fv") &&
                            !call.ints.empty() && !call.floats.empty();
        if (!oneInt && !floats) {
            continue;
        }
        const auto key = std::make_pair(program, call.ints[0]);
        if (names.count(key) == 0) {
            names[key] = uniformName(program, static_cast<GLint>(call.ints[0]));
        }
        sets.push_back(
            {names[key].empty() ? lookedUp[call.ints[0]] : names[key],
             oneInt ? std::vector<double>{static_cast<double>(call.ints[1])} : call.floats,
             program});
    }
    return sets;
}
