#include "gfx/cube_map.h"

#include "gfx/image_fallback.h"
#include "gfx/image_prefetch.h"
#include "gfx/soil.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>

namespace {

constexpr int rgbChannels = 3;

struct DecodedFace {
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// The side every face is made: the first readable square face's, else the longer side
// of the first readable face; 1 when none is readable.
int commonFaceSize(const std::vector<DecodedFace>& decoded) {
    for (const DecodedFace& face : decoded) {
        if (face.pixels != nullptr && face.width == face.height) {
            return face.width;
        }
    }
    for (const DecodedFace& face : decoded) {
        if (face.pixels != nullptr) {
            return std::max(face.width, face.height);
        }
    }
    return 1;
}

// Bilinear resampling of an RGB image to size x size, texel centres mapped onto texel
// centres, so a face of the wrong size still shows its picture.
std::vector<unsigned char> resampled(const DecodedFace& face, int size) {
    std::vector<unsigned char> out(static_cast<size_t>(size) * size * rgbChannels);
    const auto at = [&](int x, int y, int c) {
        x = std::clamp(x, 0, face.width - 1);
        y = std::clamp(y, 0, face.height - 1);
        return static_cast<float>(
            face.pixels[(static_cast<size_t>(y) * face.width + x) * rgbChannels + c]);
    };
    for (int y = 0; y < size; ++y) {
        const float sy = (y + 0.5f) * face.height / size - 0.5f;
        const int y0 = static_cast<int>(std::floor(sy));
        const float fy = sy - y0;
        for (int x = 0; x < size; ++x) {
            const float sx = (x + 0.5f) * face.width / size - 0.5f;
            const int x0 = static_cast<int>(std::floor(sx));
            const float fx = sx - x0;
            for (int c = 0; c < rgbChannels; ++c) {
                const float top = at(x0, y0, c) * (1 - fx) + at(x0 + 1, y0, c) * fx;
                const float bottom = at(x0, y0 + 1, c) * (1 - fx) + at(x0 + 1, y0 + 1, c) * fx;
                out[(static_cast<size_t>(y) * size + x) * rgbChannels + c] =
                    static_cast<unsigned char>(std::lround(top * (1 - fy) + bottom * fy));
            }
        }
    }
    return out;
}

} // namespace

GLuint loadCubeMapTexture(std::vector<const char*> faces) {
    GLuint textureId = 0;
    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_CUBE_MAP, textureId);

    std::vector<DecodedFace> decoded(faces.size());
    for (size_t i = 0; i < faces.size(); ++i) {
        DecodedFace& face = decoded[i];
        face.pixels = loadImage(faces[i], &face.width, &face.height, SOIL_LOAD_RGB);
    }
    // All six faces must be square and of one size, or GL refuses them and the sky is black.
    const int standInSize = commonFaceSize(decoded);

    // Decoded rows are packed tightly: an odd-width RGB row is not a multiple of four bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (size_t i = 0; i < faces.size(); ++i) {
        DecodedFace& face = decoded[i];
        std::vector<unsigned char> standIn;
        const unsigned char* pixels = face.pixels;
        if (pixels == nullptr) {
            reportUnreadableImage("cube map face", faces[i]);
            face.width = standInSize;
            face.height = standInSize;
            standIn = solidImage(standInSize, standInSize, rgbChannels, neutralSky);
            pixels = standIn.data();
        } else if (face.width != standInSize || face.height != standInSize) {
            std::cout << "ERROR::TEXTURE:: Cube map face " << faces[i] << " is " << face.width
                      << " x " << face.height << ", not " << standInSize << " x " << standInSize
                      << " like the others; resampled" << std::endl;
            standIn = resampled(face, standInSize);
            face.width = standInSize;
            face.height = standInSize;
            pixels = standIn.data();
        }
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(i), 0, GL_RGB, face.width,
                     face.height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
        SOIL_free_image_data(face.pixels);
    }

    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return textureId;
}
