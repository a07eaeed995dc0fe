// The timedemo's statistics and option reading, and the show's frame span that --from and
// --to choose (the recorder's too), as pure logic.
#include "app/camera_path.h"
#include "frame_stats.h"
#include "show/span.h"
#include "timedemo.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

// Enough path entries that no span below ends at the path's end.
constexpr std::size_t longPath = 100000;

std::vector<FrameSample> series(const std::vector<double>& ms, long firstEntry = 100) {
    std::vector<FrameSample> frames;
    for (double time : ms) {
        frames.push_back({firstEntry + static_cast<long>(frames.size()), time});
    }
    return frames;
}

TEST(FrameStats, PercentilesAndLowsOnKnownSeries) {
    // 1..100 ms in a shuffled order: the nearest rank of p % is the value p.
    std::vector<double> hundred;
    for (int i = 0; i < 100; ++i) {
        hundred.push_back(static_cast<double>((i * 37) % 100 + 1));
    }
    const std::vector<FrameSample> frames = series(hundred);
    EXPECT_DOUBLE_EQ(percentileFrame(frames, 50.0).ms, 50.0);
    EXPECT_DOUBLE_EQ(percentileFrame(frames, 95.0).ms, 95.0);
    EXPECT_DOUBLE_EQ(percentileFrame(frames, 99.0).ms, 99.0);
    const PickedFrame worst = worstFrame(frames);
    EXPECT_DOUBLE_EQ(worst.ms, 100.0);
    // The entry is the frame's own: 100 ms is the value at i = 27 (27 * 37 % 100 == 99).
    EXPECT_EQ(worst.entry, 127);
    EXPECT_EQ(percentileFrame(frames, 50.0).entry, 100 + 49 * 73 % 100);
    // The slowest 1 % is one frame of 100 ms; the slowest 0.1 % rounds up to that frame.
    EXPECT_DOUBLE_EQ(lowFramesPerSecond(frames, 1.0), 10.0);
    EXPECT_DOUBLE_EQ(lowFramesPerSecond(frames, 0.1), 10.0);
    // The slowest 5 %: 96..100 ms, a mean of 98 ms.
    EXPECT_DOUBLE_EQ(lowFramesPerSecond(frames, 5.0), 1000.0 / 98.0);
    EXPECT_DOUBLE_EQ(meanMilliseconds(frames), 50.5);

    // Ties: the earliest frame of the picked time names the entry.
    const std::vector<FrameSample> ties = series({20, 10, 20, 30, 20}, 0);
    EXPECT_EQ(percentileFrame(ties, 50.0).entry, 0);
    EXPECT_DOUBLE_EQ(percentileFrame(ties, 50.0).ms, 20.0);
    EXPECT_EQ(percentileFrame(ties, 20.0).entry, 1);
    EXPECT_EQ(worstFrame(series({5, 9, 9}, 0)).entry, 1);
    // Two of five frames share the slowest 40 %: (30 + 20) / 2 ms.
    EXPECT_DOUBLE_EQ(lowFramesPerSecond(ties, 40.0), 1000.0 / 25.0);

    // One frame is every percentile and every low.
    const std::vector<FrameSample> one = series({40.0}, 7);
    for (double p : {0.0, 50.0, 99.0, 100.0}) {
        EXPECT_EQ(percentileFrame(one, p).entry, 7);
        EXPECT_DOUBLE_EQ(percentileFrame(one, p).ms, 40.0);
    }
    EXPECT_DOUBLE_EQ(lowFramesPerSecond(one, 0.1), 25.0);

    // An empty run picks nothing and divides by nothing.
    const std::vector<FrameSample> none;
    EXPECT_EQ(percentileFrame(none, 50.0).entry, -1);
    EXPECT_EQ(worstFrame(none).entry, -1);
    EXPECT_DOUBLE_EQ(lowFramesPerSecond(none, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(meanMilliseconds(none), 0.0);
    EXPECT_TRUE(findHitches(none).empty());
}

TEST(FrameStats, HitchesAreSpikesAgainstTheirNeighbours) {
    // A slow rise from 10 to 30 ms with spikes planted along it, at the ends too.
    std::vector<double> ms;
    for (int i = 0; i < 400; ++i) {
        ms.push_back(10.0 + 20.0 * i / 399.0);
    }
    const std::vector<std::size_t> planted = {0, 150, 151, 300, 399};
    for (std::size_t i : planted) {
        ms[i] *= 3.0;
    }
    // Below the factor: 2.4 times is no hitch.
    ms[200] *= 2.4;
    std::vector<FrameSample> frames = series(ms);
    EXPECT_EQ(findHitches(frames), planted);
    // The median leaves the frame itself out and takes 30 on each side.
    EXPECT_NEAR(neighbourMedian(frames, 200), 10.0 + 20.0 * 200 / 399.0, 0.1);

    // A step to a slower room is no hitch, however large, once the neighbours have it.
    std::vector<double> step(200, 10.0);
    for (std::size_t i = 100; i < step.size(); ++i) {
        step[i] = 40.0;
    }
    EXPECT_TRUE(findHitches(series(step)).empty());

    // Runs shorter than the neighbourhood use every other frame; one frame has none.
    EXPECT_EQ(findHitches(series({10, 10, 31, 10})), std::vector<std::size_t>{2});
    EXPECT_TRUE(findHitches(series({500.0})).empty());
    EXPECT_DOUBLE_EQ(neighbourMedian(series({10, 20, 30, 40}), 0), 30.0);
}

TEST(FrameStats, PartsFollowTheKeyframesAndEndInTheStars) {
    const long starsFirst = 8521;
    const std::vector<ShowPart> parts = showParts(pathKeyframes, starsFirst);
    ASSERT_EQ(parts.size(), 6u);
    EXPECT_EQ(parts.front().name, "entrance hall");
    EXPECT_EQ(parts.front().firstEntry, 0);
    for (std::size_t p = 1; p < parts.size(); ++p) {
        EXPECT_EQ(parts[p].firstEntry, parts[p - 1].endEntry) << parts[p].name;
        EXPECT_LT(parts[p].firstEntry, parts[p].endEntry) << parts[p].name;
        // Each begins where a keyframe lies in the expanded path.
        if (parts[p].name != "stars") {
            const std::size_t entry = static_cast<std::size_t>(parts[p].firstEntry);
            bool onKeyframe = false;
            for (const Camera& keyframe : pathKeyframes) {
                onKeyframe = onKeyframe || (keyframe.position == cameraPath[entry].position &&
                                            keyframe.front == cameraPath[entry].front);
            }
            EXPECT_TRUE(onKeyframe) << parts[p].name;
        }
    }
    EXPECT_EQ(parts.back().name, "stars");
    EXPECT_EQ(parts.back().firstEntry, starsFirst);
    EXPECT_EQ(partOf(parts, static_cast<long>(cameraPath.size()) + 400),
              static_cast<int>(parts.size()) - 1);
    EXPECT_EQ(partOf(parts, -1), -1);
    // The pillared hall holds the still of its name, 9.8 s in.
    EXPECT_EQ(parts[static_cast<std::size_t>(partOf(parts, 586))].name, "pillared hall");

    // A keyframes-only path is short: the stars start after it, every room a frame or more.
    std::vector<Camera> keyframesOnly = pathKeyframes;
    for (std::size_t k = 0; k < keyframesOnly.size(); ++k) {
        keyframesOnly[k].frameNumber = -static_cast<int>(k);
    }
    const std::vector<ShowPart> shortParts = showParts(keyframesOnly, starsFirst);
    EXPECT_EQ(shortParts[1].firstEntry, 5);
    EXPECT_EQ(shortParts.back().firstEntry, starsFirst);

    const std::vector<PartFigures> figures =
        partFigures(series({10, 20, 30, 60}, starsFirst - 2), parts);
    EXPECT_EQ(figures[4].frames, 2);
    EXPECT_DOUBLE_EQ(figures[4].meanMs, 15.0);
    EXPECT_EQ(figures[5].frames, 2);
    EXPECT_DOUBLE_EQ(figures[5].meanMs, 45.0);
    EXPECT_EQ(figures[0].frames, 0);
}

TEST(TimedemoOptions, RangesAndFilesAreReadOrRefusedInOneLine) {
    TimedemoOptions options;
    std::string error;
    ASSERT_TRUE(parseTimedemoOptions({"--from", "12.5", "--to", "20", "--csv", "a.csv", "--plot",
                                      "b.png", "--passes", "--finish"},
                                     options, error));
    EXPECT_DOUBLE_EQ(options.from, 12.5);
    EXPECT_DOUBLE_EQ(options.to, 20.0);
    EXPECT_EQ(options.csv, "a.csv");
    EXPECT_EQ(options.plot, "b.png");
    EXPECT_TRUE(options.passes);
    EXPECT_TRUE(options.finish);
    EXPECT_FALSE(options.overhead);

    for (const char* help : {"--help", "-h"}) {
        TimedemoOptions asked;
        ASSERT_TRUE(parseTimedemoOptions({"--from", "0", help, "--bogus"}, asked, error));
        EXPECT_TRUE(asked.help) << help;
    }
    for (const char* option :
         {"--from", "--to", "--csv", "--plot", "--passes", "--finish", "--overhead"}) {
        EXPECT_NE(timedemoHelp().find(option), std::string::npos) << option;
    }

    TimedemoOptions defaults;
    ASSERT_TRUE(parseTimedemoOptions({}, defaults, error));
    EXPECT_EQ(defaults.csv, defaultTimedemoCsv);
    EXPECT_EQ(defaults.plot, defaultTimedemoPlot);
    EXPECT_LT(defaults.to, 0.0);
    EXPECT_FALSE(defaults.passes || defaults.finish || defaults.overhead);

    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals = {
        {{"--from", "5", "--to", "5"}, "--from must be below --to"},
        {{"--from", "6", "--to", "5"}, "--from must be below --to"},
        {{"--from", "-1"}, "--from cannot be negative"},
        {{"--to", "ten"}, "--to takes seconds, not 'ten'"},
        {{"--to", "inf"}, "--to takes seconds"},
        {{"--from", "1s"}, "--from takes seconds"},
        {{"--csv"}, "--csv needs a value"},
        {{"--plot", ""}, "--plot needs a file name"},
        {{"--fps", "30"}, "unknown option --fps"},
        {{"out.csv"}, "unknown option out.csv"},
    };
    for (const auto& [args, named] : refusals) {
        TimedemoOptions refused;
        std::string line;
        EXPECT_FALSE(parseTimedemoOptions(args, refused, line)) << named;
        EXPECT_NE(line.find(named), std::string::npos) << line;
        EXPECT_NE(line.find(timedemoUsage), std::string::npos) << line;
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    }
}

// Each end of the span is the first frame at or after its time (the end is one past the last
// frame played): a time between two frames goes to the later one, at either end, and a time
// on a frame stays on it, also where its product with the rate comes out a hair past the
// whole frame (8.3 s and 16.1 s at 60 per second).
TEST(ShowSpan, EachEndIsTheFirstFrameAtOrAfterItsTime) {
    struct Case {
        double from;
        double to;
        int fps;
        long first;
        long end;
    };
    const Case cases[] = {
        {10.01, 20.01, 60, 601, 1201},    {10.0, 20.0, 60, 600, 1200}, {0.01, 0.99, 24, 1, 24},
        {141.55, 142.52, 30, 4247, 4276}, {8.3, 16.1, 60, 498, 966},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " s to " << c.to << " s at " << c.fps);
        const FrameSpan span = framesBetween(c.from, c.to, c.fps, longPath);
        EXPECT_EQ(span.first, c.first);
        EXPECT_EQ(span.end, c.end);
    }

    // As the timedemo reads it from its command line.
    TimedemoOptions options;
    std::string error;
    ASSERT_TRUE(parseTimedemoOptions({"--from", "10.01", "--to", "20.01"}, options, error));
    const FrameSpan read = framesBetween(options.from, options.to, timedemoFps, longPath);
    EXPECT_EQ(read.first, 601);
    EXPECT_EQ(read.end, 1201);

    // --to 0 is a time like any other: nothing lies before it. Without --to the span ends
    // the stars' seconds after the last entry, which for a path of one entry is its first.
    EXPECT_EQ(framesBetween(0.0, 0.0, 60, longPath).end, 0);
    EXPECT_EQ(framesBetween(0.0, -1.0, 60, 1).end, static_cast<long>(secondsAfterPath * 60));
    EXPECT_EQ(framesBetween(0.0, -1.0, 60, 0).end, static_cast<long>(secondsAfterPath * 60));
}

} // namespace
