#include "app/camera_path.h"

#include "gfx/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>

namespace {

struct Keyframe {
    float factor;
    glm::vec3 position;
    glm::vec3 front;
};

// Frame factor, position and viewing direction of each keyframe of the flight.
const Keyframe keyframeTable[] = {
    {0, {-5, 0.5f, 12}, {0, -5, -10}},     {50, {-5, 0.5f, 12}, {0, 0, -5}},
    {100, {-5, 0.5f, 12}, {-1, 0, -5}},    {150, {-5, 0.5f, 12}, {2, 0, -5}},
    {200, {-5, 0.5f, 12}, {-3, 1, -5}},    {250, {-5, 1, 12}, {-3, 0, -5}},
    {300, {-5, 1, 12}, {-9, 0, -5}},       {350, {-5, 1, 12}, {-3, 0, -5}},
    {400, {-5, 1, 12}, {-5, 0, -5}},       {450, {-5.25f, 0.9f, 11.75f}, {-5, 0, -5}},
    {500, {-5.5f, 1, 11.5f}, {-5, 0, -5}}, {550, {-5.75f, 0.9f, 11.25f}, {-4, 0, -5}},
    {600, {-6, 1, 11}, {-3, 0, -5}},       {650, {-6, 1, 11}, {0, 0, -5}},
    {700, {-6, 1, 11}, {0, 0, -5}},        {750, {-6, 0.9f, 10.75f}, {0, 0, -5}},
    {800, {-6, 1, 10.5f}, {0, 0, -5}},     {850, {-6, 0.9f, 10.25f}, {0, 0, -5}},
    {900, {-6, 1, 10}, {3, 0, -5}},        {950, {-5.5f, 0.9f, 9.5f}, {3, 0, -5}},
    {1000, {-5, 1, 9}, {3, 0, -5}},        {1050, {-4.5f, 0.9f, 8.5f}, {3, 0, -5}},
    {1100, {-4, 1, 8}, {12, 0, -5}},       {1150, {-3.5f, 0.9f, 8}, {15, 0, -5}},
    {1200, {-3, 1, 8}, {15, 2, -5}},       {1250, {-2.5f, 0.9f, 8}, {15, 4, -5}},
    {1300, {-2, 1, 8}, {15, 6, -5}},       {1350, {-1.5f, 0.9f, 8}, {15, 8, -5}},
    {1400, {-1, 1, 8}, {45, 10, -5}},      {1450, {-0.5f, 0.9f, 8}, {45, 10, -5}},
    {1500, {0, 1, 8}, {45, 10, -5}},       {1550, {0.5f, 0.9f, 8}, {45, 10, -5}},
    {1650, {1, 1, 8}, {25, 5, -5}},        {1700, {1, 1, 8}, {0, 0, -5}},
    {1750, {1, 1, 8}, {0, 0, -5}},         {1800, {1, 1, 8}, {-10, 0, -5}},
    {1900, {1, 1, 8}, {0, 0, -5}},         {1950, {1, 0.9f, 7.5f}, {0, 0, -5}},
    {2000, {1, 1, 7}, {0, 0, -5}},         {2050, {1, 0.9f, 6.5f}, {0, 0, -5}},
    {2100, {1, 1, 6}, {-1, 0, -5}},        {2150, {1, 0.9f, 5.5f}, {1, 0, -5}},
    {2200, {1, 1, 5}, {0, 0, -5}},         {2250, {1, 0.9f, 4.5f}, {0, 0, -5}},
    {2300, {1, 1, 4}, {-2, 0, -5}},        {2350, {1, 0.9f, 3.5f}, {2, 0, -5}},
    {2400, {1, 1, 3}, {0, 0, -5}},         {2450, {1, 0.9f, 2.5f}, {0, 0, -5}},
    {2500, {1, 1, 2}, {0, 0, -5}},         {2550, {1, 1, 2}, {-10, 0, -5}},
    {2600, {1, 1, 2}, {-5, 0, -5}},        {2700, {1, 1, 2}, {-5, 0, -5}},
    {2750, {1, 1, 2}, {0, 0, -5}},         {2800, {1, 0.9f, 1.5f}, {0, 0, -5}},
    {2850, {1, 1, 1}, {0, 0, -5}},         {2900, {1, 0.9f, 0.5f}, {0, 0, -5}},
    {2950, {1, 1, 0}, {0, 0, -5}},         {3000, {1, 0.9f, -0.5f}, {0, 0, -5}},
    {3050, {1, 1, -1}, {-10, 0, -5}},      {3100, {1, 1, -1}, {-20, 0, -5}},
    {3150, {1, 1, -1}, {-10, 0, -5}},      {3200, {1, 1, -1}, {0, 0, -5}},
    {3250, {1, 1, -1}, {0, 0, -5}},        {3300, {1, 0.9f, -1.5f}, {0, 0, -5}},
    {3350, {1, 1, -2}, {0, 0, -5}},        {3400, {1, 0.9f, -2.5f}, {0, 0, -5}},
    {3450, {1, 1, -3}, {0, 0, -5}},        {3500, {1, 0.9f, -3.5f}, {0, 0, -5}},
    {3550, {1, 1, -4}, {0, 0, -5}},        {3600, {1, 0.9f, -4.5f}, {0, 0, -5}},
    {3650, {1, 1, -5}, {0, 0, -5}},        {3700, {1, 0.9f, -5.5f}, {0, 0, -5}},
    {3750, {1, 1, -6}, {0, 0, -5}},        {3800, {1, 1.2f, -6.2f}, {0, -3, -5}},
    {3825, {1, 1.1f, -6.4f}, {0, -3, -5}}, {3850, {1, 1.4f, -6.6f}, {0, -3, -5}},
    {3875, {1, 1.3f, -6.8f}, {0, -3, -5}}, {3900, {1, 1.6f, -7}, {0, -3, -5}},
    {3925, {1, 1.5f, -7.2f}, {0, -3, -5}}, {3950, {1, 1.8f, -7.4f}, {0, -3, -5}},
    {3975, {1, 1.7f, -7.6f}, {0, -3, -5}}, {4000, {1, 2, -7.8f}, {0, -3, -5}},
    {4025, {1, 1.9f, -8}, {0, -3, -5}},    {4050, {1, 2.2f, -8.2f}, {0, 0, -5}},
    {4075, {1, 2.1f, -8.4f}, {0, 0, -5}},  {4100, {1, 2.4f, -8.6f}, {0, 0, -5}},
    {4125, {1, 2.2f, -8.8f}, {0, 0, -5}},  {4150, {1, 2.6f, -9}, {0, 0, -5}},
    {4175, {1, 2.4f, -9.2f}, {0, 0, -5}},  {4200, {1, 2.8f, -9.4f}, {0, 0, -5}},
    {4225, {1, 2.6f, -9.6f}, {0, 0, -5}},  {4250, {1, 3, -9.8f}, {0, 0, -5}},
    {4300, {1, 2.9f, -10}, {0, 0, -5}},    {4350, {1, 3, -10}, {0, 0, -5}},
};

constexpr float largestFactor = 4350.0f;
const glm::vec3 pathWorldUp(0.0f, 1.0f, 0.0f);
// Longer tokens than this cannot be a sensible scale; reading stops there.
constexpr int maxScaleTextLength = 256;
constexpr size_t scaleFileChunkBytes = 4096;
// The number is at the start; a larger file is read no further.
constexpr size_t maxScaleFileBytes = 1 << 20;

// A negative scale keeps only the keyframes, however large, so only a positive one can
// stretch the path too far.
bool scaleInRange(float scale) {
    if (!std::isfinite(scale)) {
        return false;
    }
    if (scale < 0.0f) {
        return true;
    }
    const float lastFrame = std::trunc(scale * largestFactor);
    return std::fabs(lastFrame) * 2.0f <= static_cast<float>(maxPathFrame);
}

// A token the formatted extraction rejects may still spell a number it cannot
// hold: "inf", "nan" or one beyond the float range. Only the whole token counts, so
// "info" or "nanoseconds" is just text.
bool spellsNonFiniteNumber(const std::string& token) {
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(token.c_str(), &end);
    return end != token.c_str() && *end == '\0' && (!std::isfinite(value) || errno == ERANGE);
}

void reportRejectedScale(const std::string& token) {
    std::cout << "ERROR::PATH:: Time scale " << token << " in " << pathScaleFile
              << " is out of range, using " << std::fixed << std::setprecision(1)
              << defaultPathTimeScale << std::defaultfloat << std::endl;
}

// The scale from pathScaleFile: the default when the file is missing, and the default
// with one line when it is there but not a regular file (a FIFO would block the read
// before the window even opens).
float readPathScaleFile() {
    std::string problem;
    std::FILE* file = openRegularFile(pathScaleFile, problem);
    if (file == nullptr) {
        if (problem != "no such file") {
            std::cout << "ERROR::PATH:: " << pathScaleFile << " is " << problem << ", using "
                      << std::fixed << std::setprecision(1) << defaultPathTimeScale
                      << std::defaultfloat << std::endl;
        }
        return defaultPathTimeScale;
    }
    std::string text;
    char chunk[scaleFileChunkBytes];
    for (size_t got = 0; text.size() < maxScaleFileBytes &&
                         (got = std::fread(chunk, 1, sizeof(chunk), file)) > 0;) {
        text.append(chunk, got);
    }
    std::fclose(file);
    std::istringstream in(text);
    return readPathTimeScale(in);
}

} // namespace

std::vector<Camera> pathKeyframes;
std::vector<Camera> cameraPath;
float pathTimeScale = defaultPathTimeScale;
bool pathPlayback = true;

float readPathTimeScale(std::istream& in) {
    std::string token;
    if (!(in >> std::setw(maxScaleTextLength) >> token)) {
        return defaultPathTimeScale;
    }
    std::istringstream number(token);
    float scale = 0.0f;
    const bool extracted = static_cast<bool>(number >> scale);
    if (!extracted && !spellsNonFiniteNumber(token)) {
        return defaultPathTimeScale;
    }
    if (!extracted || !scaleInRange(scale)) {
        reportRejectedScale(token);
        return defaultPathTimeScale;
    }
    return scale;
}

void expandCameraPath(float timeScale, std::vector<Camera>& keyframes,
                      std::vector<Camera>& entries) {
    keyframes.clear();
    entries.clear();
    for (const Keyframe& row : keyframeTable) {
        // Negative frame numbers only mark a keyframes-only path; the bound keeps any
        // negative scale within int.
        const int frame =
            static_cast<int>(std::max(timeScale * row.factor, -static_cast<float>(maxPathFrame)));
        keyframes.emplace_back(row.position, pathWorldUp, row.front, frame);
    }
    for (Camera& keyframe : keyframes) {
        keyframe.frameNumber *= 2;
    }

    for (size_t k = 0; k + 1 < keyframes.size(); ++k) {
        const Camera& from = keyframes[k];
        const Camera& to = keyframes[k + 1];
        entries.push_back(from);
        const int steps = to.frameNumber - from.frameNumber;
        for (int j = 0; j < steps; ++j) {
            const float t = static_cast<float>(j) / static_cast<float>(steps);
            const glm::vec3 position = from.position + t * (to.position - from.position);
            const glm::vec3 front = from.front + t * (to.front - from.front);
            const int index = static_cast<int>(entries.size());
            entries.emplace_back(position, glm::vec3(0.0f), front, index);
        }
    }
}

void buildCameraPath() {
    pathTimeScale = readPathScaleFile();
    expandCameraPath(pathTimeScale, pathKeyframes, cameraPath);
}

void playCameraPath(Camera& target, unsigned int frame) {
    if (cameraPath.empty()) {
        return;
    }
    const size_t count = cameraPath.size();
    const size_t index = frame < count ? frame : count - 1;
    target.position = cameraPath[index].position;
    target.front = cameraPath[index].front;
}

// The path is expanded before main, after the arrays above are constructed (same
// translation unit, so definition order is initialisation order).
namespace {
const bool cameraPathBuilt = (buildCameraPath(), true);
}
