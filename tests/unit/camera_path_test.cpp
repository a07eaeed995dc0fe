#include "app/camera_path.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr float tolerance = 1e-4f;

void expectVec(glm::vec3 actual, glm::vec3 expected) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Runs buildCameraPath in a fresh working directory holding the given scale file
// (none when nullopt), and returns what it printed.
std::string buildInDirectory(const std::optional<std::string>& scaleText) {
    const TemporaryFolder folder;
    const fs::path directory(folder.path);
    if (scaleText) {
        fs::create_directories(directory / "resources/file");
        std::ofstream(directory / pathScaleFile) << *scaleText;
    }
    const fs::path previous = fs::current_path();
    fs::current_path(directory);
    testing::internal::CaptureStdout();
    buildCameraPath();
    const std::string printed = testing::internal::GetCapturedStdout();
    fs::current_path(previous);
    return printed;
}

float scaleOf(const std::string& text) {
    std::istringstream in(text);
    return readPathTimeScale(in);
}

class CameraPathTest : public testing::Test {
  protected:
    // Leave the globals as the program builds them from the repository's file.
    void TearDown() override { buildInDirectory(std::string("1.0\n")); }
};

TEST_F(CameraPathTest, UnitScaleExpandsToTheFullFlight) {
    EXPECT_EQ(buildInDirectory(std::string("1.0\n")), "");
    EXPECT_FLOAT_EQ(pathTimeScale, 1.0f);
    ASSERT_EQ(pathKeyframes.size(), 94u);
    ASSERT_EQ(cameraPath.size(), 8793u);

    EXPECT_EQ(pathKeyframes[1].frameNumber, 100);
    EXPECT_EQ(pathKeyframes[32].frameNumber, 3300);
    EXPECT_EQ(pathKeyframes[93].frameNumber, 8700);
    EXPECT_EQ(pathKeyframes[93].worldUp, glm::vec3(0, 1, 0));

    // Every keyframe's pose fills two consecutive entries.
    for (size_t i : {0u, 1u}) {
        EXPECT_EQ(cameraPath[i].position, glm::vec3(-5, 0.5f, 12));
        EXPECT_EQ(cameraPath[i].front, glm::vec3(0, -5, -10));
    }
    EXPECT_EQ(cameraPath[101].position, glm::vec3(-5, 0.5f, 12));
    EXPECT_EQ(cameraPath[101].front, glm::vec3(0, 0, -5));
    EXPECT_EQ(cameraPath[102].front, glm::vec3(0, 0, -5));

    // Halfway through the first segment.
    expectVec(cameraPath[51].front, {0, -2.5f, -7.5f});
    EXPECT_EQ(cameraPath[51].frameNumber, 51);
    EXPECT_EQ(cameraPath[51].worldUp, glm::vec3(0));

    const Camera& last = cameraPath.back();
    expectVec(last.position, {1, 2.999f, -10});
    expectVec(last.front, {0, 0, -5});
    EXPECT_EQ(last.frameNumber, 8792);
}

TEST_F(CameraPathTest, ScaleStretchesAndCompressesTime) {
    buildInDirectory(std::string("2.0"));
    EXPECT_EQ(pathKeyframes[1].frameNumber, 200);
    EXPECT_EQ(cameraPath.size(), 93u + 17400u);

    buildInDirectory(std::string("0.5"));
    EXPECT_EQ(pathKeyframes[1].frameNumber, 50);
    EXPECT_EQ(cameraPath.size(), 93u + 4350u);

    // 1.01 × 50 = 50.5 is truncated before doubling.
    buildInDirectory(std::string("1.01"));
    EXPECT_EQ(pathKeyframes[1].frameNumber, 100);
    EXPECT_EQ(pathKeyframes[2].frameNumber, 202);
    EXPECT_EQ(cameraPath.size(), 93u + static_cast<size_t>(pathKeyframes[93].frameNumber));
}

TEST_F(CameraPathTest, ZeroAndNegativeScalesKeepOnlyTheKeyframes) {
    for (const char* text : {"0", "-0", "-2.5", "1e-50", "-121", "-1e30", "-3.4e38"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(buildInDirectory(std::string(text)), "");
        ASSERT_EQ(cameraPath.size(), 93u);
        for (size_t k = 0; k < 93; ++k) {
            ASSERT_EQ(cameraPath[k].position, pathKeyframes[k].position);
            ASSERT_EQ(cameraPath[k].front, pathKeyframes[k].front);
        }
    }
}

TEST_F(CameraPathTest, MissingOrUnreadableFileMeansUnitScale) {
    for (const std::optional<std::string>& text :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>("fast please"), std::optional<std::string>("  \n")}) {
        EXPECT_EQ(buildInDirectory(text), "");
        EXPECT_FLOAT_EQ(pathTimeScale, 1.0f);
        EXPECT_EQ(cameraPath.size(), 8793u);
    }
}

TEST(PathTimeScale, ReadsTheFirstNumberLikeFormattedExtraction) {
    EXPECT_FLOAT_EQ(scaleOf("2"), 2.0f);
    EXPECT_FLOAT_EQ(scaleOf(" \t\n  1.5\n"), 1.5f);
    EXPECT_FLOAT_EQ(scaleOf("5e-1"), 0.5f);
    EXPECT_FLOAT_EQ(scaleOf("2.5E+1"), 25.0f);
    EXPECT_FLOAT_EQ(scaleOf(".25"), 0.25f);
    EXPECT_FLOAT_EQ(scaleOf("+3"), 3.0f);
    EXPECT_FLOAT_EQ(scaleOf("3x"), 3.0f);
    EXPECT_FLOAT_EQ(scaleOf("1.5 2.5"), 1.5f);
    EXPECT_FLOAT_EQ(scaleOf("-4"), -4.0f);
    EXPECT_FLOAT_EQ(scaleOf("x3"), 1.0f);
    EXPECT_FLOAT_EQ(scaleOf(""), 1.0f);
    // Words that merely begin like "inf" or "nan" are text: the default, silently.
    for (const char* text : {"info", "nanoseconds", "infinity!", "-nan2"}) {
        testing::internal::CaptureStdout();
        EXPECT_FLOAT_EQ(scaleOf(text), 1.0f) << text;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << text;
    }
}

TEST(PathTimeScale, HostileValuesFallBackWithOneLine) {
    const std::string hostile[] = {"1e39",      "-1e39",  "inf",
                                   "-Infinity", "nan",    "121",
                                   "1e30",      "3.4e38", std::string(10000, '7')};
    for (const std::string& text : hostile) {
        SCOPED_TRACE(text.substr(0, 20));
        testing::internal::CaptureStdout();
        EXPECT_EQ(scaleOf(text), 1.0f);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(printed.rfind("ERROR::PATH:: ", 0), 0u) << printed;
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    }
    // The largest accepted scale keeps the last frame within maxPathFrame.
    testing::internal::CaptureStdout();
    EXPECT_FLOAT_EQ(scaleOf("120"), 120.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(CameraPathTest, PlaybackCopiesPositionAndFrontOnly) {
    buildInDirectory(std::string("1.0"));
    Camera live(glm::vec3(9, 9, 9));
    live.zoom = 30.0f;
    live.exposure = 2.0f;
    const glm::vec3 up = live.up;

    playCameraPath(live, 101);
    EXPECT_EQ(live.position, cameraPath[101].position);
    EXPECT_EQ(live.front, cameraPath[101].front);
    EXPECT_EQ(live.up, up);
    EXPECT_FLOAT_EQ(live.zoom, 30.0f);
    EXPECT_FLOAT_EQ(live.exposure, 2.0f);

    // Past the end the camera rests on the last entry.
    for (unsigned int frame : {8792u, 8793u, 4000000000u}) {
        playCameraPath(live, frame);
        EXPECT_EQ(live.position, cameraPath.back().position);
    }
}

// The show's keyframes as designed: every number of the table (position, direction and
// frame) enters a sum with a weight of its own, so that a change to any one is noticed.
TEST_F(CameraPathTest, KeyframesAreTheDesignedShow) {
    buildInDirectory(std::string("1.0\n"));
    ASSERT_EQ(pathKeyframes.size(), 94u);
    double sum = 0.0;
    double weight = 1.0;
    for (const Camera& keyframe : pathKeyframes) {
        for (float value :
             {keyframe.position.x, keyframe.position.y, keyframe.position.z, keyframe.front.x,
              keyframe.front.y, keyframe.front.z, static_cast<float>(keyframe.frameNumber)}) {
            sum += weight * value;
            weight += 1.0;
        }
    }
    EXPECT_NEAR(sum, 194921590.30, 1e-2);
}

} // namespace
