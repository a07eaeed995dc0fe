// The demo's icon for menus and software centres: a torch flame glowing in a dark stone
// archway, as the show's corridor has them.
#include "parts.h"
#include "toolkit/image_io.h"

#include <glm/common.hpp>
#include <glm/vec3.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* iconPath = "icon/lanternfall.png";
constexpr int iconSize = 256;
constexpr int rgbaChannels = 4;
// In units of the icon's half width, y upwards from the middle.
constexpr float archHalfWidth = 0.62f;
constexpr float archSpring = 0.05f; // where the round top begins
constexpr float archFloor = -0.85f;
constexpr float archRim = 0.1f; // the dressed stone round the opening
constexpr float flameHeight = 0.5f;
constexpr float flameWidth = 0.17f;
constexpr float flameBase = -0.25f;
constexpr float glowRadius = 0.55f;
constexpr glm::vec3 stone{0.36f, 0.31f, 0.25f};
constexpr glm::vec3 darkness{0.03f, 0.025f, 0.03f};
constexpr glm::vec3 flameOuter{1.0f, 0.5f, 0.12f};
constexpr glm::vec3 flameCore{1.0f, 0.93f, 0.7f};
constexpr glm::vec3 glowColour{1.0f, 0.55f, 0.2f};

// Signed distance (negative inside) to the archway's opening.
float toOpening(float x, float y) {
    const float side = std::fabs(x) - archHalfWidth;
    const float below = archFloor - y;
    if (y > archSpring) {
        return std::hypot(x, y - archSpring) - archHalfWidth;
    }
    return std::max(side, below);
}

// 0 outside the flame, 1 in its core: a teardrop, round below and pointed above.
float flame(float x, float y) {
    const float t = (y - flameBase) / flameHeight;
    if (t < -0.35f || t > 1.0f) {
        return 0.0f;
    }
    const float width =
        t < 0.0f ? flameWidth * std::sqrt(std::max(0.0f, 1.0f - (t / 0.35f) * (t / 0.35f)))
                 : flameWidth * (1.0f - t) * (1.0f + 0.6f * t);
    const float inside = 1.0f - std::fabs(x) / std::max(width, 1e-4f);
    return glm::clamp(inside * 2.5f, 0.0f, 1.0f);
}

} // namespace

bool generateIcon(const std::string& root) {
    Image image = makeImage(iconSize, iconSize, rgbaChannels);
    const float half = 0.5f * static_cast<float>(iconSize);
    for (int row = 0; row < iconSize; ++row) {
        for (int column = 0; column < iconSize; ++column) {
            const float x = (static_cast<float>(column) + 0.5f - half) / half;
            const float y = (half - static_cast<float>(row) - 0.5f) / half;
            const float opening = toOpening(x, y);
            const float glow =
                std::exp(-(x * x + (y - flameBase - 0.15f) * (y - flameBase - 0.15f)) /
                         (glowRadius * glowRadius));
            // Stone round the opening, lit by the flame; nothing beyond the rim.
            const float rim = glm::smoothstep(archRim, archRim - 0.02f, opening);
            glm::vec3 colour = opening < 0.0f ? darkness + glowColour * (0.45f * glow)
                                              : stone * (0.35f + 0.9f * glow);
            const float f = flame(x, y);
            colour =
                glm::mix(colour, glm::mix(flameOuter, flameCore, f * f), glm::min(1.0f, 1.5f * f));
            for (int c = 0; c < 3; ++c) {
                setPixel(image, column, row, c, colour[c]);
            }
            setPixel(image, column, row, 3, rim);
        }
    }
    return savePng(root + "/" + iconPath, image);
}
