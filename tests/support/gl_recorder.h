#pragma once

#include <string>
#include <vector>

// Records GL calls made through the test build's debug loader, with the arguments
// of the calls the tests look at decoded.
struct GlCall {
    std::string name;
    std::vector<long long> ints;
    std::vector<double> floats;
    std::string text;
    long long result = 0;
};

// A uniform set through glUniform1i, 1f, 3f, 3fv or Matrix4fv, resolved to its name in
// the program in use (by the program's own list of uniforms, so locations cached before
// the recording resolve too).
struct UniformSet {
    std::string name;
    std::vector<double> values;
    unsigned program = 0;
};

void startRecording();
// Makes the loader report the context's KHR_debug extension as missing, as on a driver
// without it, until called again with false.
void hideDebugExtension(bool hidden);
std::vector<GlCall> stopRecording();

std::vector<GlCall> callsNamed(const std::vector<GlCall>& calls, const std::string& name);
std::vector<UniformSet> uniformSets(const std::vector<GlCall>& calls);
