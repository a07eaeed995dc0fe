#include "gfx/registry.h"
#include "support/gl_context.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

const std::string separatorLine = "| -- --------------------------------------------------- -- |";

constexpr const char* minimalVertex = "#version 330 core\n"
                                      "layout (location = 0) in vec3 position;\n"
                                      "void main() { gl_Position = vec4(position, 1.0); }\n";
constexpr const char* minimalFragment = "#version 330 core\n"
                                        "out vec4 colour;\n"
                                        "void main() { colour = vec4(1.0); }\n";

class ShaderTest : public testing::Test {
  protected:
    void SetUp() override { requireGlContext(); }

    std::string writeFile(const std::string& name, const std::string& text) {
        const std::string path = folder.file(name);
        std::ofstream(path) << text;
        return path;
    }

    GLint linkStatus(GLuint program) {
        GLint status = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &status);
        return status;
    }

    TemporaryFolder folder;
};

// Whether a triangle over the whole window, drawn with the program, changes a pixel.
bool drawsAnything(GLuint program) {
    const float corners[] = {-1.0f, -1.0f, 0.0f, 3.0f, -1.0f, 0.0f, -1.0f, 3.0f, 0.0f};
    GLuint vao = 0;
    GLuint vbo = 0;
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(corners), corners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    const GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glUseProgram(program);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    if (depthTest == GL_TRUE) {
        glEnable(GL_DEPTH_TEST);
    }
    unsigned char pixel[4] = {};
    glReadPixels(8, 8, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    glUseProgram(0);
    glBindVertexArray(0);
    glDeleteBuffers(1, &vbo);
    glDeleteVertexArrays(1, &vao);
    return pixel[0] != 0;
}

// The framed block of one failed stage or link: heading with its type, the
// driver's log, the separator line.
void expectBlock(const std::string& block, const std::string& heading, const std::string& type) {
    const std::string start = "| ERROR::::" + heading + " of type: " + type + "|\n";
    EXPECT_EQ(block.rfind(start, 0), 0u) << block;
    const std::string end = "\n" + separatorLine + "\n";
    ASSERT_GE(block.size(), end.size());
    EXPECT_EQ(block.substr(block.size() - end.size()), end) << block;
}

std::vector<std::string> splitBlocks(const std::string& printed) {
    std::vector<std::string> blocks;
    size_t start = 0;
    const std::string end = separatorLine + "\n";
    for (size_t found = printed.find(end); found != std::string::npos;
         found = printed.find(end, start)) {
        blocks.push_back(printed.substr(start, found + end.size() - start));
        start = found + end.size();
    }
    if (start < printed.size()) {
        blocks.push_back(printed.substr(start));
    }
    return blocks;
}

TEST_F(ShaderTest, BrokenStagePrintsFramedBlocksAndRegistersAProgramThatDrawsNothing) {
    const std::string vertex =
        writeFile("broken.vert", "#version 330 core\nvoid main() { oops }\n");
    const std::string fragment = writeFile("ok.frag", minimalFragment);
    testing::internal::CaptureStdout();
    const Shader shader = loadShader(vertex.c_str(), fragment.c_str(), nullptr, "broken");
    const std::vector<std::string> blocks = splitBlocks(testing::internal::GetCapturedStdout());
    ASSERT_EQ(blocks.size(), 2u);
    expectBlock(blocks[0], "SHADER-COMPILATION-ERROR", "VERTEX");
    expectBlock(blocks[1], "PROGRAM-LINKING-ERROR", "PROGRAM");
    EXPECT_EQ(Shaders.count("broken"), 1u);
    EXPECT_EQ(getShader("broken").ID, shader.ID);
    EXPECT_NE(shader.ID, 0u);
    EXPECT_EQ(linkStatus(shader.ID), GL_TRUE);
    EXPECT_FALSE(drawsAnything(shader.ID));

    const std::string good = writeFile("ok.vert", minimalVertex);
    testing::internal::CaptureStdout();
    const Shader working = loadShader(good.c_str(), fragment.c_str(), nullptr, "working");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(drawsAnything(working.ID));
}

TEST_F(ShaderTest, LoadTextureUploadsRgbaAndRegisters) {
    const std::string image = folder.file("star.png");
    ASSERT_TRUE(writePng(image, 2, 1, 3, {255, 0, 0, 0, 0, 255}));
    const Texture2D texture = loadTexture(image.c_str(), "star");
    // Nothing is left bound for a later call to change by mistake.
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(texture.width, 2);
    EXPECT_EQ(texture.height, 1);
    EXPECT_EQ(texture.internalFormat, static_cast<GLuint>(GL_RGBA));
    EXPECT_EQ(getTexture("star").ID, texture.ID);

    std::vector<unsigned char> texels(8);
    glBindTexture(GL_TEXTURE_2D, texture.ID);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(texels, (std::vector<unsigned char>{255, 0, 0, 255, 0, 0, 255, 255}));

    // An unreadable file is uploaded as the decoder returned it, empty, with one line.
    testing::internal::CaptureStdout();
    const Texture2D missing = loadTexture(folder.file("none.png").c_str(), "none");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR::TEXTURE:: Failed to load " +
                                                          folder.file("none.png") +
                                                          "; the texture stays empty\n");
    EXPECT_EQ(missing.width, 0);

    const Texture2D fresh = getTexture("never registered");
    EXPECT_NE(fresh.ID, 0u);
    EXPECT_NE(fresh.ID, texture.ID);
    EXPECT_EQ(fresh.internalFormat, static_cast<GLuint>(GL_RGB));
    EXPECT_EQ(getTexture("never registered").ID, fresh.ID);
}

} // namespace
