// The timedemo as a user runs it: the real binary plays a second of the show around the
// stars' start, and its report, CSV and chart are read back.
#include "support/program_run.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Half a second before the stars to half a second after.
constexpr long firstEntry = 8490;
constexpr long frameCount = 60;
// What the report rounds its figures to.
constexpr double printedMs = 0.005;

ProgramRun runTimedemo(const std::vector<std::string>& args,
                       const std::function<void(const std::string&, pid_t)>& onLine = {}) {
    return runProgram(TIMEDEMO_BINARY, args, onLine);
}

// The first line that starts with the prefix (after its indent), or "".
std::string lineStarting(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const std::string& line : lines) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos && line.compare(start, prefix.size(), prefix) == 0) {
            return line.substr(start);
        }
    }
    return "";
}

struct CsvFrame {
    long entry = 0;
    double showTime = 0.0;
    double ms = 0.0;
    std::string part;
    int hitch = 0;
};

std::vector<CsvFrame> readCsv(const std::string& path, std::string& header) {
    std::ifstream csv(path);
    std::getline(csv, header);
    std::vector<CsvFrame> frames;
    std::string line;
    while (std::getline(csv, line)) {
        std::replace(line.begin(), line.end(), ' ', '_');
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream fields(line);
        CsvFrame frame;
        fields >> frame.entry >> frame.showTime >> frame.ms >> frame.part >> frame.hitch;
        EXPECT_FALSE(fields.fail()) << line;
        frames.push_back(frame);
    }
    return frames;
}

class TimedemoRun : public testing::Test {
  protected:
    TemporaryFolder folder;
};

TEST_F(TimedemoRun, ReportCsvAndPlotAgreeAroundTheStarsStart) {
    const std::string csvPath = folder.file("frames.csv");
    const std::string plotPath = folder.file("frames.png");
    const ProgramRun run = runTimedemo(
        {"--from", "141.5", "--to", "142.5", "--csv", csvPath, "--plot", plotPath, "--passes"});
    ASSERT_EQ(run.status, 0) << joinedLines(run.lines);

    std::string header;
    const std::vector<CsvFrame> frames = readCsv(csvPath, header);
    EXPECT_EQ(header, "entry,show_time_s,frame_ms,part,hitch,shadow_ms,lighting_ms,lamps_sky_ms,"
                      "stars_ms,blur_ms,composite_ms");
    ASSERT_EQ(frames.size(), static_cast<size_t>(frameCount));
    double sum = 0.0;
    double worst = 0.0;
    long worstEntry = -1;
    long starsFrames = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].entry, firstEntry + static_cast<long>(i));
        EXPECT_NEAR(frames[i].showTime, frames[i].entry / 60.0, 1e-4);
        EXPECT_GT(frames[i].ms, 0.0);
        sum += frames[i].ms;
        if (frames[i].ms > worst) {
            worst = frames[i].ms;
            worstEntry = frames[i].entry;
        }
        starsFrames += frames[i].part == "stars" ? 1 : 0;
    }
    // Frames after 142 s, entry 8521 on, have the stars.
    EXPECT_EQ(starsFrames, firstEntry + frameCount - 8521);

    const double mean = sum / static_cast<double>(frames.size());
    double reportedFrames = 0.0;
    double reportedSeconds = 0.0;
    double reportedFps = 0.0;
    double reportedMean = 0.0;
    ASSERT_EQ(std::sscanf(lineStarting(run.lines, "Frames:").c_str(),
                          "Frames: %lf in %lf s: average %lf FPS, %lf ms per frame",
                          &reportedFrames, &reportedSeconds, &reportedFps, &reportedMean),
              4)
        << joinedLines(run.lines);
    EXPECT_EQ(reportedFrames, frameCount);
    EXPECT_NEAR(reportedSeconds, sum / 1000.0, printedMs);
    EXPECT_NEAR(reportedMean, mean, printedMs + 0.001);
    EXPECT_NEAR(reportedFps, 1000.0 / mean, printedMs);
    double reportedWorst = 0.0;
    long reportedWorstEntry = 0;
    ASSERT_EQ(std::sscanf(lineStarting(run.lines, "worst").c_str(), "worst %lf ms (entry %ld)",
                          &reportedWorst, &reportedWorstEntry),
              2);
    EXPECT_NEAR(reportedWorst, worst, printedMs + 0.001);
    EXPECT_EQ(reportedWorstEntry, worstEntry);
    long hitches = -1;
    ASSERT_EQ(std::sscanf(lineStarting(run.lines, "Hitches:").c_str(), "Hitches: %ld", &hitches),
              1);
    EXPECT_EQ(hitches, std::count_if(frames.begin(), frames.end(),
                                     [](const CsvFrame& frame) { return frame.hitch == 1; }));
    EXPECT_NE(lineStarting(run.lines, "renderer").find_first_not_of(' ', 8), std::string::npos);
    // The start-up's parts: what set-up does on its own thread lies within set-up, and the
    // images were decoded on the workers.
    const auto startupMs = [&](const std::string& part) {
        const std::string line = lineStarting(run.lines, part);
        double ms = -1.0;
        EXPECT_EQ(std::sscanf(line.c_str() + std::min(line.size(), part.size()), "%lf ms", &ms), 1)
            << part << ": " << joinedLines(run.lines);
        return ms;
    };
    const double setUp = startupMs("Scene set-up");
    const double withinSetUp =
        startupMs("shader compilation") + startupMs("uploads (textures, buffers)") +
        startupMs("image decoding waited for") + startupMs("model import waited for");
    EXPECT_GE(withinSetUp, 0.0);
    EXPECT_LE(withinSetUp, setUp);
    EXPECT_GT(startupMs("(decoding on worker threads)"), 0.0);

    // The last line is the one benchmark suites read.
    double average = 0.0;
    ASSERT_EQ(std::sscanf(run.lines.back().c_str(), "Average: %lf FPS", &average), 1)
        << run.lines.back();
    EXPECT_NEAR(average, 1000.0 / mean, printedMs);

    std::ifstream plot(plotPath, std::ios::binary);
    char signature[8] = {};
    plot.read(signature, sizeof signature);
    EXPECT_EQ(std::string(signature, sizeof signature), std::string("\x89PNG\r\n\x1a\n", 8));
}

TEST_F(TimedemoRun, CtrlCReportsTheFramesDoneAsPartial) {
    const std::string csvPath = folder.file("partial.csv");
    bool sent = false;
    const ProgramRun run =
        runTimedemo({"--from", "141.5", "--csv", csvPath, "--plot", folder.file("p.png")},
                    [&](const std::string& line, pid_t pid) {
                        if (!sent && line.rfind("frame ", 0) == 0) {
                            kill(pid, SIGINT);
                            sent = true;
                        }
                    });
    EXPECT_EQ(run.status, 128 + SIGINT);
    long done = 0;
    long planned = 0;
    ASSERT_EQ(std::sscanf(lineStarting(run.lines, "Timedemo").c_str(),
                          "Timedemo (partial: stopped after %ld of %ld frames)", &done, &planned),
              2)
        << joinedLines(run.lines);
    EXPECT_GE(done, 1);
    EXPECT_LT(done, planned);
    std::string header;
    EXPECT_EQ(readCsv(csvPath, header).size(), static_cast<size_t>(done));
    EXPECT_EQ(run.lines.back().rfind("Average: ", 0), 0u);
}

// Each refusal is one line and a failing status, before any window or file: usage
// errors give 2.
TEST_F(TimedemoRun, BadOptionsAreRefusedInOneLine) {
    const std::vector<std::vector<std::string>> refusals = {
        {"--from", "5", "--to", "5"},
        {"--to", "-3"},
        {"--from", "abc"},
        {"--csv"},
        {"--frobnicate"},
        {"--from", "100000"},
    };
    for (const std::vector<std::string>& args : refusals) {
        std::vector<std::string> withFiles = args;
        if (args.size() != 1 || args[0] != "--csv") {
            withFiles.insert(withFiles.end(),
                             {"--csv", folder.file("x.csv"), "--plot", folder.file("x.png")});
        }
        const ProgramRun run = runTimedemo(withFiles);
        EXPECT_EQ(run.status, 2) << args[0];
        ASSERT_EQ(run.lines.size(), 1u) << joinedLines(run.lines);
        EXPECT_NE(run.lines[0].find("usage: scripts/timedemo.sh"), std::string::npos)
            << run.lines[0];
        EXPECT_TRUE(fs::is_empty(folder.path)) << args[0];
    }
    // A CSV that cannot be written fails before the window opens, naming the file.
    const std::string unwritable = folder.file("no/such/folder/frames.csv");
    const ProgramRun run = runTimedemo({"--csv", unwritable});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.lines.size(), 1u) << joinedLines(run.lines);
    EXPECT_NE(run.lines[0].find("cannot write " + unwritable), std::string::npos) << run.lines[0];
}

} // namespace
