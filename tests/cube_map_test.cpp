#include "gfx/cube_map.h"
#include "support/gl_context.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr int faceSize = 2;

class CubeMapTest : public testing::Test {
  protected:
    void SetUp() override {
        requireGlContext();
        directory = makeTemporaryDirectory("lanternfall-cube");
        ASSERT_FALSE(directory.empty());
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    // Writes face i in a colour of its own; face 0 as RGBA with a faint alpha.
    std::vector<std::string> writeFaces() {
        std::vector<std::string> paths;
        for (int i = 0; i < 6; ++i) {
            const unsigned char value = static_cast<unsigned char>(40 * (i + 1));
            const int channels = i == 0 ? 4 : 3;
            std::vector<unsigned char> pixels;
            for (int texel = 0; texel < faceSize * faceSize; ++texel) {
                const unsigned char rgba[] = {value, static_cast<unsigned char>(255 - value),
                                              static_cast<unsigned char>(i), 7};
                pixels.insert(pixels.end(), rgba, rgba + channels);
            }
            paths.push_back(directory + "/face" + std::to_string(i) + ".png");
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

    std::string directory;
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
        const unsigned char value = static_cast<unsigned char>(40 * (face + 1));
        // Alpha reads back as 1: the RGBA face lost its own.
        EXPECT_EQ(std::vector<unsigned char>(texels.begin(), texels.begin() + 4),
                  std::vector<unsigned char>({value, static_cast<unsigned char>(255 - value),
                                              static_cast<unsigned char>(face), 255}));
    }
    GLint wrap = 0;
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, &wrap);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
}

TEST_F(CubeMapTest, UnreadableFaceIsFilledAtTheOthersSize) {
    std::vector<std::string> paths = writeFaces();
    paths[3] = directory + "/missing.png";
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

TEST_F(CubeMapTest, NoReadableFaceStillGivesACompleteCube) {
    const std::vector<std::string> paths(6, directory + "/none.png");
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
