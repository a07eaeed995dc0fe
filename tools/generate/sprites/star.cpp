#include "parts.h"
#include "toolkit/image_io.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/vec3.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* starPath = "textures/star.png";
constexpr int spriteSize = 128;
// Radii and widths are fractions of the sprite's half width.
constexpr float coreRadius = 0.05f;
constexpr float haloRadius = 0.1f;
constexpr float haloStrength = 0.45f;
constexpr float spikeWidth = 0.012f;
constexpr float spikeStrength = 0.8f;
constexpr float spikeFalloff = 3.0f;
// Everything fades out between these radii, so the border stays transparent.
constexpr float fadeStart = 0.7f;
constexpr float fadeEnd = 0.97f;
constexpr glm::vec3 coreColour{0.92f, 0.96f, 1.0f};
constexpr glm::vec3 glowColour{0.72f, 0.84f, 1.0f};
constexpr int rgbaChannels = 4;

// A thin ray along one axis that fades towards the sprite's edge.
float spike(float along, float across) {
    const float length = std::pow(std::max(0.0f, 1.0f - std::fabs(along)), spikeFalloff);
    return spikeStrength * length * std::exp(-(across * across) / (spikeWidth * spikeWidth));
}

} // namespace

bool generateStar(const std::string& root) {
    Image image = makeImage(spriteSize, spriteSize, rgbaChannels);
    const float half = 0.5f * static_cast<float>(spriteSize);
    for (int y = 0; y < spriteSize; ++y) {
        for (int x = 0; x < spriteSize; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - half) / half;
            const float dy = (static_cast<float>(y) + 0.5f - half) / half;
            const float r = std::sqrt(dx * dx + dy * dy);
            const float core = std::exp(-(r * r) / (coreRadius * coreRadius));
            const float halo = haloStrength / (1.0f + (r * r) / (haloRadius * haloRadius));
            const float rays = spike(dx, dy) + spike(dy, dx);
            const float window = 1.0f - glm::smoothstep(fadeStart, fadeEnd, r);
            const float alpha = glm::clamp((core + halo + rays) * window, 0.0f, 1.0f);
            // Colour stays bright where alpha fades, so blending by alpha (or
            // premultiplying) gives the same soft edge.
            const glm::vec3 colour = glm::mix(glowColour, coreColour, glm::min(1.0f, core + rays));
            for (int c = 0; c < 3; ++c) {
                setPixel(image, x, y, c, colour[c]);
            }
            setPixel(image, x, y, 3, alpha);
        }
    }
    return savePng(root + "/" + starPath, image);
}
