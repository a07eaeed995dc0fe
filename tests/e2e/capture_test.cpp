// scripts/capture.sh as a user runs it: one path entry captured with apitrace, the trace read
// back with apitrace dump, the pass pictures read back, and the final one compared with the
// preview's still of the same entry.
#include "support/program_run.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* shell = "/bin/bash";
constexpr const char* envProgram = "/usr/bin/env";
constexpr const char* captureScript = "scripts/capture.sh";
constexpr const char* entry = "586";
constexpr const char* renderDocModule = "/usr/lib/python3/dist-packages/renderdoc.so";
constexpr double minPsnr = 35.0;
constexpr int screenWidth = 1280;
constexpr int screenHeight = 768;
constexpr int shadowResolution = 800;
// A picture whose brightest pixel is below this holds nothing but black.
constexpr int leastBrightest = 64;

// The screen-sized passes' pictures; beside them, the six shadow faces shadow_face_N.png.
constexpr const char* screenPictures[] = {"hdr_scene.png",          "bright_part.png",
                                          "glow_after_blur_1.png",  "glow_after_blur_2.png",
                                          "glow_after_blur_10.png", "final.png"};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

Picture readPicture(const std::string& path) {
    Picture picture;
    EXPECT_TRUE(readRgbPng(path, picture.width, picture.height, picture.rgb)) << path;
    return picture;
}

// The script runs against this test's own build tree, which is already built.
ProgramRun runCapture(const std::vector<std::string>& args) {
    setenv("LANTERNFALL_BUILD_DIR", BUILD_DIR, 1);
    std::vector<std::string> all = {captureScript};
    all.insert(all.end(), args.begin(), args.end());
    return runProgram(shell, all);
}

class CaptureTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        out.emplace();
        run = runCapture({entry, out->path});
    }
    static void TearDownTestSuite() { out.reset(); }

    void SetUp() override { ASSERT_EQ(run.status, 0) << joinedLines(run.lines); }

    // One capture for the whole suite: it takes a while.
    static std::optional<TemporaryFolder> out;
    static ProgramRun run;
};

std::optional<TemporaryFolder> CaptureTest::out;
ProgramRun CaptureTest::run;

TEST_F(CaptureTest, TraceHoldsTheFrameAsNamedGroupsWithLabelledObjects) {
    const std::string trace = out->file(std::string("frame_") + entry + ".trace");
    const ProgramRun dump = runProgram(envProgram, {"apitrace", "dump", "--color=never", trace});
    ASSERT_EQ(dump.status, 0) << joinedLines(dump.lines);

    // The window's first, blank swap ends the set-up; the next one ends the frame of the show.
    const std::regex callLine(R"(^\d+ (\w+)\((.*))");
    const std::regex quoted(R"((?:message|label) = "([^"]*)\")");
    std::vector<std::vector<std::string>> groupsPerFrame(1);
    std::vector<int> drawsPerFrame(1, 0);
    std::set<std::string> labels;
    for (const std::string& line : dump.lines) {
        std::smatch call;
        if (!std::regex_search(line, call, callLine)) {
            continue;
        }
        const std::string function = call[1];
        std::smatch text;
        const std::string arguments = call[2];
        const bool hasText = std::regex_search(arguments, text, quoted);
        if (function == "glXSwapBuffers") {
            groupsPerFrame.emplace_back();
            drawsPerFrame.push_back(0);
        } else if (function == "glPushDebugGroup" && hasText) {
            groupsPerFrame.back().push_back(text[1]);
        } else if (function == "glObjectLabel" && hasText) {
            labels.insert(text[1]);
        } else if (function == "glDrawArrays" || function == "glDrawElements") {
            ++drawsPerFrame.back();
        }
    }
    ASSERT_EQ(groupsPerFrame.size(), 3u) << "two swaps, and nothing after the last";
    EXPECT_EQ(drawsPerFrame[0], 0);
    EXPECT_TRUE(groupsPerFrame[0].empty());
    EXPECT_EQ(drawsPerFrame[2], 0);

    // Set-up's one group, then the frame's: no stars yet at this entry.
    std::vector<std::string> expected = {"stars, prepared at set-up", "shadow", "lighting",
                                         "lamps and sky"};
    for (int pass = 1; pass <= 10; ++pass) {
        expected.push_back("bloom blur " + std::to_string(pass) + "/10, " +
                           (pass % 2 == 1 ? "horizontal" : "vertical"));
    }
    expected.push_back("composite");
    EXPECT_EQ(groupsPerFrame[1], expected);

    for (const char* label :
         {"shadow cube map", "shadow framebuffer", "HDR framebuffer", "HDR scene",
          "HDR bright part", "HDR depth", "ping-pong framebuffer 0", "ping-pong glow 1",
          "sky cube map", "depth", "normalMapping", "blur", "bloom", "wall_diffuse.png",
          "ground_normal.png", "Dungeon.obj mesh 0", "screen quad"}) {
        EXPECT_EQ(labels.count(label), 1u) << label;
    }
}

TEST_F(CaptureTest, EveryPassHasAPictureWithSomethingInIt) {
    std::vector<std::pair<std::string, int>> expected;
    for (int face = 0; face < 6; ++face) {
        expected.emplace_back("shadow_face_" + std::to_string(face) + ".png", shadowResolution);
    }
    for (const char* file : screenPictures) {
        expected.emplace_back(file, screenWidth);
    }
    for (const auto& [file, width] : expected) {
        const Picture picture = readPicture(out->file(file));
        EXPECT_EQ(picture.width, width) << file;
        EXPECT_EQ(picture.height, width == screenWidth ? screenHeight : shadowResolution) << file;
        ASSERT_FALSE(picture.rgb.empty()) << file;
        EXPECT_GE(*std::max_element(picture.rgb.begin(), picture.rgb.end()), leastBrightest)
            << file;
    }
    // The shadow faces look along six different axes.
    const Picture first = readPicture(out->file("shadow_face_0.png"));
    for (int face = 1; face < 6; ++face) {
        EXPECT_NE(readPicture(out->file("shadow_face_" + std::to_string(face) + ".png")).rgb,
                  first.rgb)
            << face;
    }
    // The glow spreads with each blur pass.
    const auto litPixels = [](const Picture& picture) {
        return std::count_if(picture.rgb.begin(), picture.rgb.end(),
                             [](unsigned char value) { return value > leastBrightest; });
    };
    EXPECT_LT(litPixels(readPicture(out->file("glow_after_blur_1.png"))),
              litPixels(readPicture(out->file("glow_after_blur_10.png"))));
}

TEST_F(CaptureTest, FinalPictureIsThePreviewsStill) {
    const std::string previewDir = out->file("preview");
    const ProgramRun preview = runProgram(PREVIEW_BINARY, {"--out", previewDir, entry});
    ASSERT_EQ(preview.status, 0) << joinedLines(preview.lines);
    const Picture still = readPicture(previewDir + "/view_0" + entry + ".png");
    const Picture final = readPicture(out->file("final.png"));
    ASSERT_EQ(final.rgb.size(), still.rgb.size());
    EXPECT_GE(psnr(final.rgb, still.rgb), minPsnr);
}

// RenderDoc is optional (Debian's renderdoc brings Qt with it): checked where it is installed.
TEST(CaptureWithRenderDoc, CapturesTheFrameWithItsGroups) {
    if (!fs::exists(renderDocModule)) {
        GTEST_SKIP() << "RenderDoc is not installed";
    }
    const TemporaryFolder out;
    const ProgramRun run = runCapture({"--renderdoc", entry, out.path});
    const bool captured = fs::exists(out.file(std::string("frame_") + entry + ".rdc"));
    ASSERT_EQ(run.status, 0) << joinedLines(run.lines);
    EXPECT_TRUE(captured);
    const std::string lines = joinedLines(run.lines);
    EXPECT_NE(lines.find("15 groups: stars, prepared at set-up; shadow; lighting; lamps and sky; "
                         "bloom blur 1/10, horizontal;"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("bloom blur 10/10, vertical; composite"), std::string::npos) << lines;
}

TEST(CaptureInput, BadEntriesGetUsageAndAMissingToolSaysWhatToInstall) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"abc"},
                                               {"-3"},
                                               {"12x"},
                                               {"99999999"},
                                               {"123456789012345678901234567890"},
                                               {"5", "out", "extra"}}) {
        const ProgramRun run = runCapture(args);
        EXPECT_EQ(run.status, 2) << joinedLines(run.lines);
        ASSERT_EQ(run.lines.size(), 1u) << joinedLines(run.lines);
        EXPECT_EQ(run.lines[0].rfind("usage: scripts/capture.sh", 0), 0u) << run.lines[0];
    }

    // One past the last entry the usage line names is refused as well.
    const ProgramRun pastEnd = runCapture({"99999999"});
    std::smatch last;
    ASSERT_TRUE(std::regex_search(pastEnd.lines.at(0), last, std::regex(R"(0 to (\d+))")));
    const ProgramRun justPast = runCapture({std::to_string(std::stol(last[1]) + 1)});
    EXPECT_EQ(justPast.status, 2) << joinedLines(justPast.lines);

    const TemporaryFolder out;
    setenv("APITRACE", "/nonexistent/apitrace", 1);
    const ProgramRun run = runCapture({"5", out.path});
    unsetenv("APITRACE");
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.lines.size(), 1u) << joinedLines(run.lines);
    EXPECT_NE(run.lines[0].find("apt-get install apitrace"), std::string::npos) << run.lines[0];
}

} // namespace
