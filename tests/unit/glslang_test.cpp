#include "scene/programs.h"
#include "support/program_run.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* validatorName = "glslangValidator";

// posix_spawn does not search PATH.
std::string findValidator() {
    std::istringstream path(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
    std::string folder;
    while (std::getline(path, folder, ':')) {
        const fs::path candidate = fs::path(folder) / validatorName;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
    }
    return "";
}

// Compiles the stages and links them as one program with Khronos' reference compiler, which
// holds the sources to the GLSL version they declare where a driver may be lenient. Empty
// when they build; otherwise why not. The stage comes from each file's extension.
std::string refusal(const std::string& validator, const std::vector<std::string>& files) {
    std::vector<std::string> args = {"-l"};
    args.insert(args.end(), files.begin(), files.end());
    const ProgramRun run = runProgram(validator, args);
    return run.status == 0 ? "" : joinedLines(run.lines);
}

// A missing compiler fails the tests: without it nothing would be checked.
class ReferenceCompiler : public testing::Test {
  protected:
    void SetUp() override {
        validator = findValidator();
        ASSERT_FALSE(validator.empty())
            << validatorName << " not found on PATH: install glslang-tools (bash scripts/deps.sh)";
    }
    std::string validator;
};

TEST_F(ReferenceCompiler, BuildsEverySceneProgram) {
    for (const ProgramFiles& program : scenePrograms) {
        std::vector<std::string> files = {program.vertex, program.fragment};
        if (program.geometry != nullptr) {
            files.push_back(program.geometry);
        }
        const std::string why = refusal(validator, files);
        EXPECT_TRUE(why.empty()) << program.name << " is refused:\n" << why;
    }
}

// A macro continued over two lines: Mesa's compiler takes it in any version, GLSL 3.30 has
// no line continuation and stricter drivers refuse it.
TEST_F(ReferenceCompiler, RefusesWhatMesaLetsThrough) {
    const TemporaryFolder folder;
    std::ofstream(folder.file("plain.vert")) << "#version 330 core\n"
                                                "layout (location = 0) in vec3 aPos;\n"
                                                "void main() { gl_Position = vec4(aPos, 1.0); }\n";
    std::ofstream(folder.file("continued.frag")) << "#version 330 core\n"
                                                    "out vec4 FragColor;\n"
                                                    "#define WHITE \\\n"
                                                    "    vec4(1.0)\n"
                                                    "void main() { FragColor = WHITE; }\n";
    const std::string why =
        refusal(validator, {folder.file("plain.vert"), folder.file("continued.frag")});
    EXPECT_NE(why.find("line continuation"), std::string::npos) << why;
}

} // namespace
