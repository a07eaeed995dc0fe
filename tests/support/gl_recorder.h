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

// A uniform set through glUniform1i / glUniform1f, resolved to the name its
// location was looked up with.
struct UniformSet {
    std::string name;
    double value;
};

void startRecording();
std::vector<GlCall> stopRecording();

std::vector<GlCall> callsNamed(const std::vector<GlCall>& calls, const std::string& name);
std::vector<UniformSet> uniformSets(const std::vector<GlCall>& calls);
