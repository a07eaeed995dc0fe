// Broken and hostile input, one group: each case gets one line naming the file and
// the problem, the program carries on, nothing outside the tree is read and nothing
// hangs.
#include "gfx/registry.h"
#include "support/gl_context.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* minimalVertex = "#version 330 core\n"
                                      "layout (location = 0) in vec3 position;\n"
                                      "void main() { gl_Position = vec4(position, 1.0); }\n";

class BadInput : public testing::Test {
  protected:
    void SetUp() override {
        requireGlContext();
        directory = makeTemporaryDirectory("lanternfall-bad-input");
        ASSERT_FALSE(directory.empty());
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string writeFile(const std::string& name, const std::string& text) {
        const std::string path = directory + "/" + name;
        std::ofstream(path) << text;
        return path;
    }

    // A named pipe: opening it for reading would block until a writer comes.
    std::string makeFifo(const std::string& name) {
        const std::string path = directory + "/" + name;
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        return path;
    }

    std::string directory;
};

TEST_F(BadInput, UnreadableShaderFilesGetOneLineEachAndAProgramThatDrawsNothing) {
    const std::string vertex = writeFile("ok.vert", minimalVertex);
    const std::string missing = directory + "/missing.frag";
    const std::string pipe = makeFifo("pipe.geom");
    testing::internal::CaptureStdout();
    const Shader shader = loadShader(vertex.c_str(), missing.c_str(), pipe.c_str(), "unreadable");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR::SHADER: Failed to read shader files: " + missing + " (no such file)\n" +
                  "ERROR::SHADER: Failed to read shader files: " + pipe +
                  " (not a regular file)\n");
    EXPECT_EQ(getShader("unreadable").ID, shader.ID);
    GLint linked = GL_FALSE;
    glGetProgramiv(shader.ID, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE);

    testing::internal::CaptureStdout();
    loadShader(vertex.c_str(), directory.c_str(), nullptr, "directory");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR::SHADER: Failed to read shader files: " + directory +
                  " (not a regular file)\n");
}

} // namespace
