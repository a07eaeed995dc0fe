#include "support/gl_recorder.h"

#include <glad/gl.h>

#include <cstdarg>
#include <map>

namespace {

// Argument kinds per call: i integer (enums, names, sizes), f float, s string,
// v pointer to three floats (read at the call), p pointer (skipped). Calls not
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
    {"glUniformMatrix4fv", "iiip"},
    {"glUniform4f", "iffff"},
    {"glUniform3fv", "iiv"},
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

std::vector<UniformSet> uniformSets(const std::vector<GlCall>& calls) {
    std::map<long long, std::string> namesByLocation;
    std::vector<UniformSet> sets;
    for (const GlCall& call : calls) {
        if (call.name == "glGetUniformLocation") {
            namesByLocation[call.result] = call.text;
        } else if (call.name == "glUniform1i" && call.ints.size() == 2) {
            sets.push_back({namesByLocation[call.ints[0]], static_cast<double>(call.ints[1])});
        } else if (call.name == "glUniform1f" && call.ints.size() == 1) {
            sets.push_back({namesByLocation[call.ints[0]], call.floats[0]});
        }
    }
    return sets;
}
