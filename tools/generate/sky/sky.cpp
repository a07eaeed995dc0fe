#include "parts.h"
#include "toolkit/image_io.h"
#include "toolkit/noise.h"

#include <glm/common.hpp>
#include <glm/exponential.hpp>
#include <glm/geometric.hpp>
#include <glm/vec3.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr const char* skyFolder = "skybox3";
constexpr int faceSize = 1024;
constexpr int faceCount = 6;
// In GL's face order: +X, -X, +Y, -Y, +Z, -Z.
constexpr const char* faceFiles[faceCount] = {"right.png",  "left.png", "up.png",
                                              "bottom.png", "back.png", "front.png"};
constexpr float displayGamma = 2.2f;
// Angle of one texel at a face's centre; stars and edges are sized by it.
constexpr float texelAngle = 2.0f / static_cast<float>(faceSize);

// Colours as they should appear (sRGB-encoded).
constexpr glm::vec3 zenithColour{0.012f, 0.016f, 0.045f};
constexpr glm::vec3 horizonColour{0.055f, 0.07f, 0.12f};
constexpr glm::vec3 glowColour{0.12f, 0.09f, 0.075f};
constexpr glm::vec3 farHillColour{0.035f, 0.042f, 0.065f};
constexpr glm::vec3 nearHillColour{0.016f, 0.018f, 0.026f};
constexpr glm::vec3 groundColour{0.01f, 0.011f, 0.014f};
// How fast the sky darkens above the horizon (exponent on the elevation).
constexpr float zenithFalloff = 0.4f;
constexpr float horizonGlowHeight = 0.07f;
// A faint glow from one side of the horizon, as if from a town far off.
constexpr glm::vec3 horizonGlowAzimuth{0.8f, 0.0f, 0.6f};
constexpr float groundFadeDepth = 0.35f;

// Hill ranges along the horizon, heights as the sine of their elevation.
constexpr float farHillBase = 0.025f;
constexpr float farHillRange = 0.09f;
constexpr float farHillScale = 4.0f;
constexpr float nearHillBase = 0.006f;
constexpr float nearHillRange = 0.06f;
constexpr float nearHillScale = 2.5f;
constexpr int hillOctaves = 6;
constexpr std::uint32_t farHillSeed = 0x51f15e1u;
constexpr std::uint32_t nearHillSeed = 0x7a11c0deu;

// The milky way: a band around the great circle with this normal.
constexpr glm::vec3 bandNormal{0.78f, 0.2f, 0.6f};
constexpr float bandWidth = 0.22f;
constexpr glm::vec3 bandCore{-0.6f, 0.3f, 0.68f};
constexpr float bandCoreSize = 0.45f;
constexpr float bandBrightness = 0.016f; // linear
constexpr glm::vec3 bandColour{0.82f, 0.87f, 1.0f};
constexpr glm::vec3 bandCoreColour{1.0f, 0.88f, 0.72f};
constexpr float bandCloudScale = 3.0f;
constexpr int bandCloudOctaves = 5;
constexpr float dustScale = 7.0f;
constexpr int dustOctaves = 4;
constexpr float dustWidth = 0.06f;
constexpr float dustDarkening = 0.8f;
// The dark rift runs a little off the band's centre line and wanders about it.
constexpr float dustOffset = 0.02f;
constexpr float dustWander = 0.05f;
constexpr std::uint32_t bandSeed = 0xba9du;
constexpr std::uint32_t dustSeed = 0xd057u;

// Stars: at most one per cell of a 3D grid, kept only when the cell's point
// lies in a thin shell around the unit sphere, so density is even over the
// sphere and every face sees the same stars.
struct StarLayer {
    int grid;
    std::uint32_t seed;
    float probability;     // per cell in the shell, away from the milky way
    float bandProbability; // added inside the milky way
    float faintest;        // linear peak brightness
    float brightest;
    float skew; // larger: fewer bright stars
};
constexpr StarLayer brightStars{64, 0x57a125u, 0.55f, 0.2f, 0.012f, 3.0f, 5.0f};
constexpr StarLayer dustStars{128, 0xd0575u, 0.0f, 0.75f, 0.006f, 0.05f, 2.0f};
constexpr float shellHalfThickness = 0.25f; // in cells
constexpr float starSigma = 0.55f * texelAngle;
constexpr float brightStarGrowth = 0.8f;
constexpr float starCutoffSigmas = 3.0f;
constexpr int starPaletteSize = 5;
constexpr glm::vec3 starPalette[starPaletteSize] = {{0.7f, 0.8f, 1.0f},
                                                    {0.85f, 0.9f, 1.0f},
                                                    {1.0f, 1.0f, 1.0f},
                                                    {1.0f, 0.92f, 0.75f},
                                                    {1.0f, 0.72f, 0.55f}};
// Faint stars look white; colour shows from this brightness (linear) up.
constexpr float tintStart = 0.15f;
constexpr float tintFull = 1.5f;
// Stars dim towards the horizon through more air.
constexpr float extinctionHeight = 0.25f;

constexpr glm::vec3 moonDirection{-0.42f, 0.36f, -0.83f};
constexpr float moonRadius = 0.017f;
constexpr float moonBrightness = 0.95f; // linear
constexpr glm::vec3 moonColour{0.92f, 0.94f, 1.0f};
constexpr glm::vec3 moonSunSide{0.65f, 0.25f, 0.72f}; // lights it gibbous
constexpr float moonMariaScale = 2.2f;
constexpr float moonEarthshine = 0.02f; // light on its dark side
constexpr std::uint32_t moonSeed = 0x300eu;
constexpr float moonGlowNear = 0.035f; // linear
constexpr float moonGlowNearSize = 0.05f;
constexpr float moonGlowFar = 0.008f;
constexpr float moonGlowFarSize = 0.3f;
constexpr glm::vec3 moonGlowColour{0.75f, 0.82f, 1.0f};

constexpr std::uint32_t ditherSeed = 0xd17e4u;

glm::vec3 toLinear(glm::vec3 c) {
    return glm::pow(c, glm::vec3(displayGamma));
}

// The standard GL cube-map orientation: s to the right, t down the image.
glm::vec3 faceDirection(int face, float s, float t) {
    switch (face) {
    case 0:
        return {1.0f, -t, -s};
    case 1:
        return {-1.0f, -t, s};
    case 2:
        return {s, 1.0f, t};
    case 3:
        return {s, -1.0f, -t};
    case 4:
        return {s, -t, 1.0f};
    default:
        return {-s, -t, -1.0f};
    }
}

// Elevation of a hill range's ridge in the direction's azimuth. The noise is
// read on a circle, so it closes around the horizon without a seam.
float ridgeHeight(glm::vec3 d, float scale, std::uint32_t seed, float base, float range) {
    const glm::vec2 around(d.x, d.z);
    const float length = glm::length(around);
    const glm::vec2 onCircle = length > 1e-6f ? around / length : glm::vec2(1.0f, 0.0f);
    const float n = fbm(onCircle * scale, glm::ivec2(0), hillOctaves, seed);
    return base + range * glm::clamp(0.5f + 0.8f * n, 0.0f, 1.0f);
}

float bandProfile(glm::vec3 d) {
    const float across = glm::dot(d, glm::normalize(bandNormal)) / bandWidth;
    return std::exp(-across * across);
}

glm::vec3 milkyWay(glm::vec3 d) {
    const float profile = bandProfile(d);
    if (profile < 0.01f) {
        return glm::vec3(0.0f);
    }
    const float clouds =
        glm::smoothstep(-0.35f, 0.55f, fbm(d * bandCloudScale, bandCloudOctaves, bandSeed));
    const float across = glm::dot(d, glm::normalize(bandNormal));
    const float wander = dustWander * fbm(d * 2.0f, 3, dustSeed + 1u);
    const float lane = (across - dustOffset - wander) / dustWidth;
    const float dust =
        std::fabs(lane) > 3.0f
            ? 0.0f
            : std::exp(-lane * lane) *
                  glm::smoothstep(-0.3f, 0.35f, fbm(d * dustScale, dustOctaves, dustSeed));
    const float toCore = glm::length(d - glm::normalize(bandCore));
    const float core = std::exp(-(toCore * toCore) / (bandCoreSize * bandCoreSize));
    const glm::vec3 colour = glm::mix(bandColour, bandCoreColour, core);
    return colour * (bandBrightness * profile * (0.25f + clouds) * (1.0f + 1.8f * core) *
                     (1.0f - dustDarkening * dust));
}

struct Star {
    glm::vec3 direction;
    glm::vec3 light; // linear colour at the peak
    float sigma;     // angular radius of the Gaussian
};

void addStars(const StarLayer& layer, std::vector<Star>& stars) {
    const float grid = static_cast<float>(layer.grid);
    const float shell = shellHalfThickness / grid;
    // Cells whose centre is farther from the shell than half a diagonal cannot
    // hold a point inside it.
    const float reach = shell + 0.87f / grid;
    for (int z = -layer.grid - 1; z <= layer.grid; ++z) {
        for (int y = -layer.grid - 1; y <= layer.grid; ++y) {
            for (int x = -layer.grid - 1; x <= layer.grid; ++x) {
                const glm::vec3 cell(x, y, z);
                if (std::fabs(glm::length((cell + 0.5f) / grid) - 1.0f) > reach) {
                    continue;
                }
                std::uint32_t h = hash3(x, y, z, layer.seed);
                glm::vec3 point;
                for (int axis = 0; axis < 3; ++axis) {
                    h = hashU32(h);
                    point[axis] = (cell[axis] + unitFloat(h)) / grid;
                }
                const float radius = glm::length(point);
                if (std::fabs(radius - 1.0f) > shell) {
                    continue;
                }
                Star star;
                star.direction = point / radius;
                h = hashU32(h);
                const float chance =
                    layer.probability + layer.bandProbability * bandProfile(star.direction);
                if (unitFloat(h) >= chance) {
                    continue;
                }
                h = hashU32(h);
                const float magnitude = std::pow(unitFloat(h), layer.skew);
                const float brightness =
                    layer.faintest * std::pow(layer.brightest / layer.faintest, magnitude);
                star.sigma =
                    starSigma *
                    (1.0f + brightStarGrowth * glm::smoothstep(0.2f, layer.brightest, brightness));
                h = hashU32(h);
                const glm::vec3 tint = starPalette[h % starPaletteSize];
                star.light =
                    brightness * glm::mix(glm::vec3(1.0f), tint,
                                          glm::smoothstep(tintStart, tintFull, brightness));
                stars.push_back(star);
            }
        }
    }
}

// Where a direction falls on a face, as (s, t) in [-1, 1] inside it; the
// inverse of faceDirection for directions on the face's side of the cube.
bool faceCoordinates(int face, glm::vec3 d, glm::vec2& st) {
    const int axis = face / 2;
    const float major = (face % 2 == 0) ? d[axis] : -d[axis];
    if (major <= 0.0f) {
        return false;
    }
    switch (face) {
    case 0:
        st = {-d.z, -d.y};
        break;
    case 1:
        st = {d.z, -d.y};
        break;
    case 2:
        st = {d.x, d.z};
        break;
    case 3:
        st = {d.x, -d.z};
        break;
    case 4:
        st = {d.x, -d.y};
        break;
    default:
        st = {-d.x, -d.y};
        break;
    }
    st /= major;
    return true;
}

struct Moon {
    glm::vec3 light{0.0f};
    float cover = 0.0f; // how much of the texel the disc hides
};

Moon moon(glm::vec3 d) {
    const glm::vec3 centre = glm::normalize(moonDirection);
    const float distance = glm::length(d - centre);
    Moon result;
    result.light = moonGlowColour * (moonGlowNear * std::exp(-distance / moonGlowNearSize) +
                                     moonGlowFar * std::exp(-distance / moonGlowFarSize));
    if (distance > 2.0f * moonRadius) {
        return result;
    }
    const glm::vec3 right = glm::normalize(glm::cross(centre, glm::vec3(0.0f, 1.0f, 0.0f)));
    const glm::vec3 up = glm::cross(right, centre);
    const glm::vec2 local(glm::dot(d - centre, right) / moonRadius,
                          glm::dot(d - centre, up) / moonRadius);
    const float r2 = glm::dot(local, local);
    result.cover = 1.0f - glm::smoothstep(1.0f - texelAngle / moonRadius, 1.0f, std::sqrt(r2));
    const glm::vec3 surface(local, std::sqrt(std::max(0.0f, 1.0f - r2)));
    const float lit =
        glm::smoothstep(-0.05f, 0.25f, glm::dot(surface, glm::normalize(moonSunSide)));
    const float maria =
        glm::smoothstep(0.0f, 0.4f, fbm(glm::vec3(local * moonMariaScale, 0.0f), 4, moonSeed));
    const float albedo = 1.0f - 0.35f * maria;
    result.light += moonColour * (moonBrightness * albedo * (moonEarthshine + lit)) * result.cover;
    return result;
}

struct SkySample {
    glm::vec3 colour;     // linear, without the stars
    float starVisibility; // how much of a star's light reaches this texel
};

SkySample skySample(glm::vec3 d) {
    const float elevation = d.y;
    const glm::vec3 ground = toLinear(
        glm::mix(nearHillColour, groundColour, glm::smoothstep(0.0f, groundFadeDepth, -elevation)));
    // The near hills always reach above the horizon and hide all below it.
    if (elevation < 0.0f) {
        return {ground, 0.0f};
    }
    const float up = glm::max(elevation, 0.0f);
    glm::vec3 colour = toLinear(glm::mix(horizonColour, zenithColour, std::pow(up, zenithFalloff)));
    const glm::vec2 around = glm::vec2(d.x, d.z);
    const float aroundLength = glm::length(around);
    const float towardGlow =
        aroundLength > 1e-6f
            ? glm::dot(around / aroundLength,
                       glm::normalize(glm::vec2(horizonGlowAzimuth.x, horizonGlowAzimuth.z)))
            : 0.0f;
    const float glowSide = 0.35f + 0.65f * std::pow(0.5f + 0.5f * towardGlow, 3.0f);
    colour += toLinear(glowColour) * (glowSide * std::exp(-up / horizonGlowHeight));

    const Moon moonHere = moon(d);
    const float air = 0.3f + 0.7f * glm::smoothstep(0.0f, extinctionHeight, elevation);
    colour += milkyWay(d) * air + moonHere.light;
    SkySample sample{colour, air * (1.0f - moonHere.cover)};

    // The hills cover the sky up to their ridges, smoothed over about a texel.
    if (elevation > farHillBase + farHillRange + texelAngle) {
        return sample;
    }
    const float farRidge = ridgeHeight(d, farHillScale, farHillSeed, farHillBase, farHillRange);
    const float nearRidge =
        ridgeHeight(d, nearHillScale, nearHillSeed, nearHillBase, nearHillRange);
    const float farCover = glm::smoothstep(farRidge + texelAngle, farRidge - texelAngle, elevation);
    const float nearCover =
        glm::smoothstep(nearRidge + texelAngle, nearRidge - texelAngle, elevation);
    sample.colour =
        glm::mix(glm::mix(sample.colour, toLinear(farHillColour), farCover), ground, nearCover);
    sample.starVisibility *= (1.0f - farCover) * (1.0f - nearCover);
    return sample;
}

std::vector<glm::vec3> texelDirections(int face) {
    const float size = static_cast<float>(faceSize);
    std::vector<glm::vec3> directions;
    directions.reserve(static_cast<size_t>(faceSize) * faceSize);
    for (int y = 0; y < faceSize; ++y) {
        const float t = 2.0f * (static_cast<float>(y) + 0.5f) / size - 1.0f;
        for (int x = 0; x < faceSize; ++x) {
            const float s = 2.0f * (static_cast<float>(x) + 0.5f) / size - 1.0f;
            directions.push_back(glm::normalize(faceDirection(face, s, t)));
        }
    }
    return directions;
}

// Adds each star's Gaussian to the texels it reaches on this face, judged by
// the texels' own directions, so a star across an edge continues unbroken.
void splatStars(int face, const std::vector<Star>& stars, const std::vector<glm::vec3>& directions,
                const std::vector<float>& visibility, std::vector<glm::vec3>& light) {
    const float size = static_cast<float>(faceSize);
    for (const Star& star : stars) {
        glm::vec2 st;
        if (!faceCoordinates(face, star.direction, st)) {
            continue;
        }
        const float cutoff = starCutoffSigmas * star.sigma;
        // Texels shrink in angle towards the face's corners.
        const float stretch = 1.0f + glm::dot(st, st);
        // Never wider than the face, so the window below cannot overflow an int.
        const int radius = static_cast<int>(std::min(std::ceil(cutoff / texelAngle * stretch),
                                                     static_cast<float>(faceSize))) +
                           1;
        const int cx = static_cast<int>(std::floor((st.x + 1.0f) * 0.5f * size));
        const int cy = static_cast<int>(std::floor((st.y + 1.0f) * 0.5f * size));
        for (int y = std::max(0, cy - radius); y <= std::min(faceSize - 1, cy + radius); ++y) {
            for (int x = std::max(0, cx - radius); x <= std::min(faceSize - 1, cx + radius); ++x) {
                const size_t index = static_cast<size_t>(y) * faceSize + static_cast<size_t>(x);
                if (visibility[index] <= 0.0f) {
                    continue;
                }
                const glm::vec3 offset = directions[index] - star.direction;
                const float distanceSquared = glm::dot(offset, offset);
                if (distanceSquared > cutoff * cutoff) {
                    continue;
                }
                light[index] += star.light * visibility[index] *
                                std::exp(-distanceSquared / (2.0f * star.sigma * star.sigma));
            }
        }
    }
}

} // namespace

bool generateSky(const std::string& root) {
    std::vector<Star> stars;
    addStars(brightStars, stars);
    addStars(dustStars, stars);

    const size_t texels = static_cast<size_t>(faceSize) * faceSize;
    for (int face = 0; face < faceCount; ++face) {
        const std::vector<glm::vec3> directions = texelDirections(face);
        std::vector<glm::vec3> light(texels);
        std::vector<float> visibility(texels);
        for (size_t i = 0; i < texels; ++i) {
            const SkySample sample = skySample(directions[i]);
            light[i] = sample.colour;
            visibility[i] = sample.starVisibility;
        }
        splatStars(face, stars, directions, visibility, light);

        Image image = makeImage(faceSize, faceSize, 3);
        for (int y = 0; y < faceSize; ++y) {
            for (int x = 0; x < faceSize; ++x) {
                const size_t index = static_cast<size_t>(y) * faceSize + static_cast<size_t>(x);
                const glm::vec3 colour = glm::pow(light[index], glm::vec3(1.0f / displayGamma));
                // Half a level of noise hides banding in the dark gradients.
                const float dither = (unitFloat(hash3(x, y, face, ditherSeed)) - 0.5f) / 255.0f;
                for (int c = 0; c < 3; ++c) {
                    setPixel(image, x, y, c, colour[c] + dither);
                }
            }
        }
        if (!savePng(root + "/" + skyFolder + "/" + faceFiles[face], image)) {
            return false;
        }
    }
    return true;
}
