#include "scene/sound.h"
#include "support/test_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

// OpenAL reads its configuration once per process, so each engine lives in a child (a death
// test) with a configuration of its own. The wave back end records the mix for the parent.
namespace {

constexpr int toneRate = 22050;
constexpr double toneHz = 440.0;
constexpr double pi = 3.14159265358979323846;
constexpr double toneSeconds = 1.0;
constexpr double playSeconds = 2.5;
constexpr double exitAllowanceSeconds = 2.0;
constexpr double deleteAllowanceSeconds = 0.5;
constexpr double windowSeconds = 0.02;
constexpr double silentRms = 0.01;
// What OpenAL Soft's own teardown says about a device nobody closed before it.
constexpr const char* deviceLeftOpen = "not closed";

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool writeTone(const std::string& path, int channels, int format, double seconds) {
    SF_INFO info{};
    info.samplerate = toneRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    const sf_count_t frames = static_cast<sf_count_t>(seconds * toneRate);
    std::vector<float> samples;
    for (sf_count_t i = 0; i < frames; ++i) {
        const double phase = 2.0 * pi * toneHz * static_cast<double>(i) / toneRate;
        samples.insert(samples.end(), channels, 0.5f * static_cast<float>(std::sin(phase)));
    }
    return file != nullptr && sf_writef_float(file, samples.data(), frames) == frames &&
           sf_close(file) == 0;
}

// The first unbroken loud stretch of the recorded mix's left channel, and its pitch.
struct Heard {
    double seconds = 0.0;
    double hz = 0.0;
};

Heard listen(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        ADD_FAILURE() << "nothing recorded at " << path;
        return {};
    }
    std::vector<float> mix(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, mix.data(), info.frames);
    sf_close(file);
    const auto left = [&](size_t frame) { return mix[frame * static_cast<size_t>(info.channels)]; };
    const size_t window = static_cast<size_t>(windowSeconds * info.samplerate);
    size_t begin = 0;
    size_t end = 0;
    for (size_t at = 0; at + window <= static_cast<size_t>(info.frames); at += window) {
        double energy = 0.0;
        for (size_t i = at; i < at + window; ++i) {
            energy += left(i) * left(i);
        }
        if (std::sqrt(energy / static_cast<double>(window)) > silentRms &&
            (end == 0 || end == at)) {
            begin = end == 0 ? at : begin;
            end = at + window;
        }
    }
    int crossings = 0;
    for (size_t i = begin + 1; i < end; ++i) {
        crossings += left(i - 1) < 0.0f && left(i) >= 0.0f ? 1 : 0;
    }
    Heard heard;
    heard.seconds = static_cast<double>(end - begin) / info.samplerate;
    heard.hz = end > 0 ? crossings / heard.seconds : 0.0;
    return heard;
}

// Ends a child: status 0 when it found nothing wrong, else 1 with its complaint on stderr.
// Leaving through std::exit while music plays is itself under test.
[[noreturn]] void finish(const std::string& complaint) {
    if (!complaint.empty()) {
        std::cerr << complaint << std::endl;
        std::_Exit(1);
    }
    std::exit(0);
}

std::string unlessOneErrorLine(const std::string& printed, const std::string& naming) {
    const bool one = std::count(printed.begin(), printed.end(), '\n') == 1 &&
                     printed.rfind("ERROR::SOUND:: ", 0) == 0 &&
                     printed.find(naming) != std::string::npos;
    return one ? "" : "expected one error line naming '" + naming + "', got: " + printed;
}

class SoundTest : public testing::Test {
  protected:
    void SetUp() override {
        directory = makeTemporaryDirectory("lanternfall-sound");
        ASSERT_FALSE(directory.empty());
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    // In a child only: the parent must never touch OpenAL.
    irrklang::ISoundEngine* openEngine(const std::string& drivers) const {
        const std::string config = directory + "/alsoft.conf";
        std::ofstream(config) << "[general]\ndrivers = " << drivers
                              << "\n[wave]\nfile = " << recording() << "\n";
        setenv("ALSOFT_CONF", config.c_str(), 1);
        return irrklang::createIrrKlangDevice();
    }

    std::string recording() const { return directory + "/mix.wav"; }
    std::string tone() const { return directory + "/tone.wav"; }

    std::string directory;
};

TEST_F(SoundTest, MixFollowsTheFileAndItsLoopingAndPausing) {
    const struct {
        int channels;
        int format;
        bool looped;
        bool paused;
        double minSeconds;
        double maxSeconds;
    } cases[] = {
        // Looped: unbroken well past the file's own end, and no gap at the seam.
        {1, SF_FORMAT_PCM_16, true, false, 2 * toneSeconds, playSeconds},
        {2, SF_FORMAT_FLOAT, true, false, 2 * toneSeconds, playSeconds},
        {2, SF_FORMAT_PCM_16, false, false, toneSeconds - 0.1, toneSeconds + 0.1},
        {1, SF_FORMAT_PCM_16, true, true, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.channels << " channels, format 0x" << std::hex << c.format << ", looped "
                     << c.looped << ", paused " << c.paused);
        ASSERT_TRUE(writeTone(tone(), c.channels, c.format, toneSeconds));
        const auto child = [&] {
            irrklang::ISoundEngine* engine = openEngine("wave");
            if (engine == nullptr || !engine->play2D(tone().c_str(), c.looped, c.paused)) {
                finish("the tone did not start");
            }
            std::this_thread::sleep_for(std::chrono::duration<double>(playSeconds));
            finish("");
        };
        const Clock::time_point started = Clock::now();
        EXPECT_EXIT(child(), testing::ExitedWithCode(0),
                    testing::Not(testing::HasSubstr(deviceLeftOpen)));
        EXPECT_LT(secondsSince(started), playSeconds + exitAllowanceSeconds);

        const Heard heard = listen(recording());
        EXPECT_GE(heard.seconds, c.minSeconds);
        EXPECT_LE(heard.seconds, c.maxSeconds);
        if (c.maxSeconds > 0.0) {
            EXPECT_NEAR(heard.hz, toneHz, 10.0);
        }
    }
}

TEST_F(SoundTest, UnplayableFilesAreReportedOnceAndTheEngineCarriesOn) {
    const std::string garbage = directory + "/garbage.mp3";
    const std::string empty = directory + "/empty.wav";
    const std::string surround = directory + "/surround.wav";
    std::ofstream(garbage) << std::string(4096, 'x');
    ASSERT_TRUE(writeTone(empty, 1, SF_FORMAT_PCM_16, 0.0));
    ASSERT_TRUE(writeTone(surround, 3, SF_FORMAT_PCM_16, toneSeconds));
    ASSERT_TRUE(writeTone(tone(), 1, SF_FORMAT_PCM_16, toneSeconds));
    const auto child = [&] {
        irrklang::ISoundEngine* engine = openEngine("wave");
        for (const std::string& path : {directory + "/missing.wav", garbage, empty, surround}) {
            testing::internal::CaptureStdout();
            if (engine == nullptr || engine->play2D(path.c_str(), true) != nullptr) {
                finish("no engine, or it took " + path);
            }
            const std::string complaint =
                unlessOneErrorLine(testing::internal::GetCapturedStdout(), path);
            if (!complaint.empty()) {
                finish(complaint);
            }
        }
        if (engine->play2D(tone().c_str(), true) == nullptr) {
            finish("the tone did not start after the unplayable files");
        }
        std::this_thread::sleep_for(std::chrono::duration<double>(toneSeconds / 2));
        const Clock::time_point deleting = Clock::now();
        delete engine;
        finish(secondsSince(deleting) < deleteAllowanceSeconds ? "" : "deleting the engine hung");
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0),
                testing::Not(testing::HasSubstr(deviceLeftOpen)));
    EXPECT_GT(listen(recording()).seconds, 0.0);
}

TEST_F(SoundTest, NoOutputDeviceMeansNoEngineAndOneLine) {
    const auto child = [&] {
        testing::internal::CaptureStdout();
        irrklang::ISoundEngine* engine = openEngine("no-such-back-end");
        const std::string complaint =
            unlessOneErrorLine(testing::internal::GetCapturedStdout(), "");
        finish(engine != nullptr ? "an engine without a device" : complaint);
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0), "");
}

} // namespace
