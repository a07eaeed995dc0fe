#include "app/frame_loop.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The timing globals as the program starts with them: read before any test runs.
struct TimingState {
    float deltaTime;
    float lastFrame;
    int fpsFrames;
    float fpsLastTime;
};
const TimingState programStart{deltaTime, lastFrame, fpsFrames, fpsLastTime};

// Every test starts from the program's start state.
class FrameLoopTest : public testing::Test {
  protected:
    void SetUp() override {
        deltaTime = programStart.deltaTime;
        lastFrame = programStart.lastFrame;
        fpsFrames = programStart.fpsFrames;
        fpsLastTime = programStart.fpsLastTime;
    }

    // Runs the timing steps of one frame that starts at t; returns the frame-rate
    // figure of a title update, or -1 when none was due.
    static int frameAt(double t) {
        const float currentFrame = beginFrame(t);
        if (!titleDue(currentFrame)) {
            return -1;
        }
        const int fps = framesPerSecond(fpsFrames);
        advanceTitleClock();
        return fps;
    }
};

TEST(FpsTitle, FormatsFrameRateAndSeconds) {
    EXPECT_EQ(fpsTitle(60, 12.5f), "Lanternfall FPS: 60 Elapsed time: 12.500000 seconds");
    EXPECT_EQ(fpsTitle(0, 0.0f), "Lanternfall FPS: 0 Elapsed time: 0.000000 seconds");
    EXPECT_EQ(fpsTitle(-3, 1.0f / 3.0f), "Lanternfall FPS: -3 Elapsed time: 0.333333 seconds");
    EXPECT_EQ(fpsTitle(1234567, 3600.25f),
              "Lanternfall FPS: 1234567 Elapsed time: 3600.250000 seconds");
}

TEST(FpsTitle, FrameRateIsTruncatedNotRounded) {
    EXPECT_EQ(framesPerSecond(1), 1);
    EXPECT_EQ(framesPerSecond(60), 60);
    // 1 / (1 / 93) is a hair below 93 in double precision.
    EXPECT_EQ(framesPerSecond(93), 92);
    EXPECT_EQ(framesPerSecond(99), 98);
}

TEST_F(FrameLoopTest, DeltaTimeSpansFromTheTimerOriginOnTheFirstFrame) {
    frameAt(2.75);
    EXPECT_FLOAT_EQ(deltaTime, 2.75f);
    frameAt(2.875);
    EXPECT_FLOAT_EQ(deltaTime, 0.125f);
    EXPECT_FLOAT_EQ(lastFrame, 2.875f);
}

TEST_F(FrameLoopTest, TitleOncePerSecondCountingFrames) {
    std::vector<int> updates;
    for (int frame = 1; frame <= 200; ++frame) {
        const int fps = frameAt(frame / 100.0);
        if (fps >= 0) {
            updates.push_back(fps);
        }
    }
    // The first update comes on the first frame starting at or after 1.0 s.
    ASSERT_EQ(updates.size(), 2u);
    EXPECT_EQ(updates[0], 100);
    EXPECT_EQ(updates[1], 100);
    EXPECT_FLOAT_EQ(fpsLastTime, 2.0f);
}

TEST_F(FrameLoopTest, SlowStartLeavesTheTitleClockLagging) {
    // Start-up took 3.5 s: the clock advances by exactly one second per update, so
    // the next frames each update the title with a small count until it catches up.
    EXPECT_EQ(frameAt(3.5), 1);
    EXPECT_FLOAT_EQ(fpsLastTime, 1.0f);
    EXPECT_EQ(frameAt(3.52), 1);
    EXPECT_EQ(frameAt(3.54), 1);
    EXPECT_FLOAT_EQ(fpsLastTime, 3.0f);
    EXPECT_EQ(frameAt(3.56), -1);
    EXPECT_EQ(frameAt(3.99), -1);
    EXPECT_EQ(frameAt(4.0), 3);
    EXPECT_FLOAT_EQ(fpsLastTime, 4.0f);
}

} // namespace
