#include "scene/sound.h"
#include "support/test_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// OpenAL reads its configuration once per process, so each engine lives in a child (a death
// test) with a configuration of its own. The wave back end records the mix for the parent.
namespace {

constexpr int toneRate = 22050;
constexpr int toneChannels = 2;
constexpr double toneHz = 440.0;
constexpr double toneAmplitude = 0.5;
constexpr double pi = 3.14159265358979323846;
constexpr double toneSeconds = 0.5;
constexpr double playSeconds = 2.0;
constexpr double minHeardSeconds = 3 * toneSeconds; // on past two loop seams without a break
constexpr double pitchToleranceHz = 10.0;
constexpr double exitAllowanceSeconds = 2.0;
// Quiet for longer than a few periods of the tone is a gap.
constexpr double gapSeconds = 0.01;
constexpr float quietLevel = 0.01f;
constexpr std::size_t garbageBytes = 4096;
// What OpenAL Soft's own teardown says about a device nobody closed before it.
constexpr const char* deviceLeftOpen = "not closed";

// A float WAV: read as 16-bit samples it would play as silence.
bool writeTone(const std::string& path) {
    SF_INFO info{0, toneRate, toneChannels, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    const sf_count_t frames = static_cast<sf_count_t>(toneSeconds * toneRate);
    std::vector<float> samples;
    for (sf_count_t i = 0; i < frames; ++i) {
        const double phase = 2.0 * pi * toneHz * double(i) / toneRate;
        samples.insert(samples.end(), toneChannels, float(toneAmplitude * std::sin(phase)));
    }
    return file != nullptr && sf_writef_float(file, samples.data(), frames) == frames &&
           sf_close(file) == 0;
}

// The first unbroken loud stretch of the recorded mix's left channel: seconds, and pitch in Hz.
std::pair<double, double> listen(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        ADD_FAILURE() << "nothing recorded at " << path;
        return {0.0, 0.0};
    }
    std::vector<float> mix(size_t(info.frames * info.channels));
    sf_readf_float(file, mix.data(), info.frames);
    sf_close(file);
    const auto left = [&](size_t frame) { return mix[frame * size_t(info.channels)]; };
    const size_t frames = size_t(info.frames), gap = size_t(gapSeconds * info.samplerate);
    size_t begin = 0;
    while (begin < frames && std::abs(left(begin)) <= quietLevel) {
        ++begin;
    }
    size_t end = begin; // just past the last loud frame before the first gap
    int crossings = 0;
    for (size_t at = begin + 1; at < frames && at - end < gap; ++at) {
        end = std::abs(left(at)) > quietLevel ? at + 1 : end;
        crossings += left(at - 1) < 0.0f && left(at) >= 0.0f ? 1 : 0;
    }
    const double seconds = double(end - begin) / info.samplerate;
    return {seconds, end > begin ? crossings / seconds : 0.0};
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

// In a child: empty when the call gave null and printed one error line naming `naming`.
template <typename Call>
std::string unlessNullAndOneLine(const Call& call, const std::string& naming) {
    testing::internal::CaptureStdout();
    const bool gaveNull = call() == nullptr;
    const std::string printed = testing::internal::GetCapturedStdout();
    const bool one = gaveNull && std::count(printed.begin(), printed.end(), '\n') == 1 &&
                     printed.rfind("ERROR::SOUND:: ", 0) == 0 &&
                     printed.find(naming) != std::string::npos;
    return one ? "" : "expected null and one error line naming '" + naming + "', got: " + printed;
}

class SoundTest : public testing::Test {
  protected:
    // In a child only: the parent must never touch OpenAL.
    irrklang::ISoundEngine* openEngine(const std::string& drivers) const {
        const std::string config = folder.file("alsoft.conf");
        std::ofstream(config) << "[general]\ndrivers = " << drivers
                              << "\n[wave]\nfile = " << recording << "\n";
        setenv("ALSOFT_CONF", config.c_str(), 1);
        return irrklang::createIrrKlangDevice();
    }

    const TemporaryFolder folder;
    const std::string recording = folder.file("mix.wav");
};

TEST_F(SoundTest, LoopedTonePlaysOnWithoutAGapAndTheProcessExitsPromptly) {
    const std::string tone = folder.file("tone.wav");
    ASSERT_TRUE(writeTone(tone));
    const auto child = [&] {
        irrklang::ISoundEngine* engine = openEngine("wave");
        if (engine == nullptr || engine->play2D(tone.c_str(), true) == nullptr) {
            finish("the tone did not start");
        }
#if defined(__SANITIZE_ADDRESS__)
        // Left alive on purpose: the exit handler must stop it.
        __lsan_ignore_object(engine);
#endif
        std::this_thread::sleep_for(std::chrono::duration<double>(playSeconds));
        finish("");
    };
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EXIT(child(), testing::ExitedWithCode(0),
                testing::Not(testing::HasSubstr(deviceLeftOpen)));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
              playSeconds + exitAllowanceSeconds);
    const auto [seconds, hz] = listen(recording);
    EXPECT_GE(seconds, minHeardSeconds);
    EXPECT_NEAR(hz, toneHz, pitchToleranceHz);
}

// Each kind of unplayable file gets one line of ours with its own reason, and no library
// writes a line of its own to standard error.
TEST_F(SoundTest, UnplayableFilesAndNoOutputGiveNullAndOneErrorLine) {
    const std::string missing = folder.file("missing.wav");
    const std::string garbage = folder.file("garbage.mp3");
    const std::string empty = folder.file("empty.mp3");
    const std::string noise = folder.file("noise.mp3");
    const std::string pipe = folder.file("pipe.mp3");
    const std::string silent = folder.file("silent.wav");
    std::ofstream(garbage) << std::string(garbageBytes, 'x');
    SF_INFO header{0, toneRate, toneChannels, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    ASSERT_EQ(sf_close(sf_open(silent.c_str(), SFM_WRITE, &header)), 0);
    std::ofstream(empty).flush();
    std::string bytes;
    for (int i = 0; i < 4096; ++i) {
        bytes.push_back(static_cast<char>((i * 7919 + 13) % 251));
    }
    std::ofstream(noise) << bytes;
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const auto unplayable = [&] {
        irrklang::ISoundEngine* engine = openEngine("wave");
        if (engine == nullptr) {
            finish("no engine");
        }
        std::string failures;
        const std::pair<std::string, std::string> cases[] = {
            {missing, "(no such file)"},
            {folder.path, "(not a regular file)"},
            {pipe, "(not a regular file)"},
            {empty, "(the file is empty)"},
            {silent, "(no sound in it)"},
            {garbage, "(not a sound file it can decode: "},
            {noise, "(not a sound file it can decode: "}};
        for (const auto& [file, reason] : cases) {
            failures += unlessNullAndOneLine([&] { return engine->play2D(file.c_str()); },
                                             file + " " + reason);
        }
        finish(failures);
    };
    EXPECT_EXIT(unplayable(), testing::ExitedWithCode(0), "^$");
    // With standard input closed, standard error is kept on descriptor 0 while a decoder
    // is silenced: it comes back all the same.
    const auto withoutInput = [&] {
        close(STDIN_FILENO);
        irrklang::ISoundEngine* engine = openEngine("wave");
        testing::internal::CaptureStdout();
        engine->play2D(garbage.c_str());
        testing::internal::GetCapturedStdout();
        std::cerr << "still heard" << std::endl;
        std::exit(0);
    };
    EXPECT_EXIT(withoutInput(), testing::ExitedWithCode(0), "^still heard\n$");
    const auto noOutput = [&] { return openEngine("no-such-back-end"); };
    EXPECT_EXIT(finish(unlessNullAndOneLine(noOutput, "")), testing::ExitedWithCode(0), "^$");
    // ALSA on a machine without a sound card talks on standard error; not through us.
    const auto alsa = [&] {
        testing::internal::CaptureStdout();
        irrklang::ISoundEngine* engine = openEngine("alsa");
        const std::string printed = testing::internal::GetCapturedStdout();
        finish(engine != nullptr || std::count(printed.begin(), printed.end(), '\n') == 1
                   ? ""
                   : "expected an engine or one line, got: " + printed);
    };
    EXPECT_EXIT(alsa(), testing::ExitedWithCode(0), "^$");
}

} // namespace
