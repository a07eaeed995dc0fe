#include "surface.h"

#include "toolkit/image_io.h"
#include "toolkit/noise.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>

namespace {

// The normal maps' slopes are exaggerated by this much for every material.
constexpr float normalGain = 1.0f;
// A warp's second axis reads the field this far past the first's seed.
constexpr std::uint32_t warpCrossSeed = 7u;

std::vector<float> boxBlurPass(const std::vector<float>& field, int size, int radius,
                               bool alongRows) {
    std::vector<float> out(field.size());
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    for (int line = 0; line < size; ++line) {
        auto at = [&](int i) {
            const int w = wrap(i, size);
            return alongRows ? texelIndex(w, line, size) : texelIndex(line, w, size);
        };
        float sum = 0.0f;
        for (int i = -radius; i <= radius; ++i) {
            sum += field[at(i)];
        }
        for (int i = 0; i < size; ++i) {
            out[at(i)] = sum * scale;
            sum += field[at(i + radius + 1)] - field[at(i - radius)];
        }
    }
    return out;
}

} // namespace

Surface makeSurface(int size) {
    Surface surface;
    surface.size = size;
    const size_t texels = static_cast<size_t>(size) * static_cast<size_t>(size);
    surface.height.assign(texels, 0.0f);
    surface.albedo.assign(texels, glm::vec3(0.0f));
    surface.specular.assign(texels, 0.0f);
    return surface;
}

size_t texelIndex(int x, int y, int size) {
    return static_cast<size_t>(y) * static_cast<size_t>(size) + static_cast<size_t>(x);
}

int wrap(int i, int size) {
    return ((i % size) + size) % size;
}

glm::vec2 texelUv(int x, int y, int size) {
    const float s = static_cast<float>(size);
    return {(static_cast<float>(x) + 0.5f) / s, (static_cast<float>(y) + 0.5f) / s};
}

std::uint32_t nextSeed(SeedSequence& seeds) {
    seeds.last += seeds.step;
    return seeds.last;
}

float grain(int x, int y, std::uint32_t seed) {
    return 2.0f * unitFloat(hash2(x, y, seed)) - 1.0f;
}

std::vector<float> blurWrapped(const std::vector<float>& field, int size, int radius) {
    std::vector<float> out = field;
    for (int pass = 0; pass < 2; ++pass) {
        out = boxBlurPass(out, size, radius, true);
        out = boxBlurPass(out, size, radius, false);
    }
    return out;
}

std::vector<float> cavities(const Surface& surface, int radius) {
    const std::vector<float> blurred = blurWrapped(surface.height, surface.size, radius);
    std::vector<float> depth(blurred.size());
    for (size_t i = 0; i < depth.size(); ++i) {
        depth[i] = std::max(0.0f, blurred[i] - surface.height[i]);
    }
    return depth;
}

float edgeProfile(float edge, float bevel) {
    const float t = glm::clamp(edge / bevel, 0.0f, 1.0f);
    return 1.0f - (1.0f - t) * (1.0f - t);
}

glm::vec2 tileWarp(glm::vec2 uv, int cells, std::uint32_t seed, float amount) {
    const glm::ivec2 lattice(cells);
    return uv + amount * glm::vec2(tileFbm(uv, lattice, 3, seed),
                                   tileFbm(uv, lattice, 3, seed + warpCrossSeed));
}

glm::vec3 blockTint(glm::vec3 base, std::uint32_t id, float brightness, float hue) {
    const float b = 1.0f + brightness * (2.0f * unitFloat(id) - 1.0f);
    const float h = hue * (2.0f * unitFloat(hashU32(id)) - 1.0f);
    return base * b * glm::vec3(1.0f + h, 1.0f, 1.0f - h);
}

float bottomBand(float v, float centre, float width) {
    float d = v - centre;
    d -= std::round(d);
    return std::exp(-(d * d) / (width * width));
}

// Normals: red = +u (right), green = +v (up the image, so against the row order),
// blue = out of the surface.
bool saveSurface(const std::string& pathPrefix, const Surface& surface) {
    const int size = surface.size;
    const bool glows = !surface.glow.empty();
    Image diffuse = makeImage(size, size, glows ? 4 : 3);
    Image specular = makeImage(size, size, 1);
    Image normal = makeImage(size, size, 3);
    const float texelsPerTile = static_cast<float>(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = texelIndex(x, y, size);
            const float left = surface.height[texelIndex(wrap(x - 1, size), y, size)];
            const float right = surface.height[texelIndex(wrap(x + 1, size), y, size)];
            const float above = surface.height[texelIndex(x, wrap(y - 1, size), size)];
            const float below = surface.height[texelIndex(x, wrap(y + 1, size), size)];
            const float slopeU = (right - left) * 0.5f * texelsPerTile * normalGain;
            const float slopeV = (above - below) * 0.5f * texelsPerTile * normalGain;
            const glm::vec3 n = glm::normalize(glm::vec3(-slopeU, -slopeV, 1.0f));
            for (int c = 0; c < 3; ++c) {
                setPixel(diffuse, x, y, c, surface.albedo[i][c]);
                setPixel(normal, x, y, c, n[c] * 0.5f + 0.5f);
            }
            if (glows) {
                setPixel(diffuse, x, y, 3, 1.0f - surface.glow[i]);
            }
            setPixel(specular, x, y, 0, surface.specular[i]);
        }
    }
    return savePng(pathPrefix + "_diffuse.png", diffuse) &&
           savePng(pathPrefix + "_specular.png", specular) &&
           savePng(pathPrefix + "_normal.png", normal);
}
