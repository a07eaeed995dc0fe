#include "gfx/cube_map.h"

#include "gfx/image_fallback.h"
#include "gfx/image_prefetch.h"
#include "gfx/soil.h"

#include <string>

namespace {

constexpr int rgbChannels = 3;

struct DecodedFace {
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
};

} // namespace

GLuint loadCubeMapTexture(std::vector<const char*> faces) {
    GLuint textureId = 0;
    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_CUBE_MAP, textureId);

    std::vector<DecodedFace> decoded(faces.size());
    int standInSize = 0;
    for (size_t i = 0; i < faces.size(); ++i) {
        DecodedFace& face = decoded[i];
        face.pixels = loadImage(faces[i], &face.width, &face.height, SOIL_LOAD_RGB);
        if (face.pixels != nullptr && standInSize == 0) {
            standInSize = face.width;
        }
    }
    standInSize = standInSize > 0 ? standInSize : 1;

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
