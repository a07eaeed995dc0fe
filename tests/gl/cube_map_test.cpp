#include "gfx/cube_map.h"
#include "support/gl_context.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

namespace {

// Odd, so RGB rows are not a multiple of four bytes.
constexpr int faceSize = 3;

class CubeMapTest : public testing::Test {
  protected:
    void SetUp() override { requireGlContext(); }

    // Texel t of face i: a colour of its own for every face and texel, so a swapped
    // face, a flip, a wrong row order or a skewed row all show.
    static std::vector<unsigned char> expectedTexel(int face, int texel) {
        return {static_cast<unsigned char>(40 * (face + 1) + texel),
                static_cast<unsigned char>(255 - 40 * face - 3 * texel),
                static_cast<unsigned char>(10 * face + 20 * texel), 255};
    }

    // Face 0 as RGBA with a faint alpha, the others as RGB.
    std::vector<std::string> writeFaces() {
        std::vector<std::string> paths;
        for (int i = 0; i < 6; ++i) {
            const int channels = i == 0 ? 4 : 3;
            std::vector<unsigned char> pixels;
            for (int texel = 0; texel < faceSize * faceSize; ++texel) {
                std::vector<unsigned char> rgba = expectedTexel(i, texel);
                rgba[3] = 7;
                pixels.insert(pixels.end(), rgba.begin(), rgba.begin() + channels);
            }
            paths.push_back(folder.file("face" + std::to_string(i) + ".png"));
            EXPECT_TRUE(writePng(paths.back(), faceSize, faceSize, channels, pixels));
        }
        return paths;
    }

    static std::vector<const char*> pointers(const std::vector<std::string>& paths) {
        std::vector<const char*> faces;
        for (const std::string& path : paths) {
            faces.push_back(path.c_str());
        }
        return faces;
    }

    static std::vector<unsigned char> faceTexels(GLuint cubeMap, int face, GLint* width) {
        glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
        const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face);
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, width);
        std::vector<unsigned char> texels(static_cast<size_t>(*width * *width * 4));
        glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
        return texels;
    }

    TemporaryFolder folder;
};

TEST_F(CubeMapTest, FacesArriveInOrderAsRgb) {
    const std::vector<std::string> paths = writeFaces();
    const GLuint cubeMap = loadCubeMapTexture(pointers(paths));
    ASSERT_NE(cubeMap, 0u);
    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE(face);
        GLint width = 0;
        const std::vector<unsigned char> texels = faceTexels(cubeMap, face, &width);
        ASSERT_EQ(width, faceSize);
        GLint format = 0;
        glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
        glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face), 0,
                                 GL_TEXTURE_INTERNAL_FORMAT, &format);
        EXPECT_EQ(format, GL_RGB);
        // Every texel in place; alpha reads back as 1: the RGBA face lost its own.
        std::vector<unsigned char> expected;
        for (int texel = 0; texel < faceSize * faceSize; ++texel) {
            const std::vector<unsigned char> rgba = expectedTexel(face, texel);
            expected.insert(expected.end(), rgba.begin(), rgba.end());
        }
        EXPECT_EQ(texels, expected);
    }
    GLint wrap = 0;
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, &wrap);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
}

TEST_F(CubeMapTest, UnreadableFaceIsFilledAtTheOthersSize) {
    std::vector<std::string> paths = writeFaces();
    paths[3] = folder.file("missing.png");
    testing::internal::CaptureStdout();
    const GLuint cubeMap = loadCubeMapTexture(pointers(paths));
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    EXPECT_NE(printed.find("ERROR::TEXTURE:: "), std::string::npos);
    EXPECT_NE(printed.find(paths[3]), std::string::npos);

    GLint width = 0;
    const std::vector<unsigned char> texels = faceTexels(cubeMap, 3, &width);
    EXPECT_EQ(width, faceSize);
    EXPECT_EQ(std::vector<unsigned char>(texels.begin(), texels.begin() + 4),
              std::vector<unsigned char>({0, 0, 0, 255}));
}

// A face whose value rises along x and y alike in every channel.
float rampAt(float x, float y) {
    return 30.0f + 20.0f * x + 5.0f * y;
}

std::vector<unsigned char> ramp(int width, int height) {
    std::vector<unsigned char> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto value =
                static_cast<unsigned char>(rampAt(static_cast<float>(x), static_cast<float>(y)));
            pixels.insert(pixels.end(), {value, value, value});
        }
    }
    return pixels;
}

// GL takes only six square faces of one size; any other face is named with its size and
// resampled, so the sky still shows its picture.
TEST_F(CubeMapTest, FacesOfAnotherSizeAreNamedAndResampled) {
    std::vector<std::string> paths = writeFaces();
    const struct {
        int face;
        int width;
        int height;
    } odd[] = {{2, 5, 3}, {4, 6, 6}};
    for (const auto& bad : odd) {
        paths[static_cast<size_t>(bad.face)] =
            folder.file("odd" + std::to_string(bad.face) + ".png");
        ASSERT_TRUE(writePng(paths[static_cast<size_t>(bad.face)], bad.width, bad.height, 3,
                             ramp(bad.width, bad.height)));
    }
    testing::internal::CaptureStdout();
    const GLuint cubeMap = loadCubeMapTexture(pointers(paths));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR::TEXTURE:: Cube map face " + paths[2] +
                  " is 5 x 3, not 3 x 3 like the others; resampled\n"
                  "ERROR::TEXTURE:: Cube map face " +
                  paths[4] + " is 6 x 6, not 3 x 3 like the others; resampled\n");
    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE(face);
        GLint width = 0;
        const std::vector<unsigned char> texels = faceTexels(cubeMap, face, &width);
        EXPECT_EQ(width, faceSize);
        // Resampling keeps a ramp a ramp: each texel is the ramp's value where its centre
        // falls in the original face.
        for (const auto& bad : odd) {
            if (bad.face != face) {
                continue;
            }
            for (int y = 0; y < faceSize; ++y) {
                for (int x = 0; x < faceSize; ++x) {
                    const float sx = (x + 0.5f) * bad.width / faceSize - 0.5f;
                    const float sy = (y + 0.5f) * bad.height / faceSize - 0.5f;
                    const size_t at = (static_cast<size_t>(y) * faceSize + x) * 4;
                    EXPECT_NEAR(texels[at], rampAt(sx, sy), 1.0) << x << ", " << y;
                }
            }
        }
    }
}

TEST_F(CubeMapTest, NoReadableFaceStillGivesACompleteCube) {
    const std::vector<std::string> paths(6, folder.file("none.png"));
    testing::internal::CaptureStdout();
    const GLuint cubeMap = loadCubeMapTexture(pointers(paths));
    EXPECT_EQ(testing::internal::GetCapturedStdout().size() > 0, true);
    for (int face = 0; face < 6; ++face) {
        GLint width = 0;
        faceTexels(cubeMap, face, &width);
        EXPECT_EQ(width, 1);
    }
}

} // namespace
