#include "ambience.h"
#include "cue_sheet.h"
#include "loudness.h"
#include "music_score.h"
#include "parts.h"

#include <lame/lame.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

constexpr const char* musicFile = "audio/37_Catacombs.mp3";

constexpr double echoLeftSeconds = 0.75 * beatSeconds;
constexpr double echoRightSeconds = 1.0 * beatSeconds;
constexpr double echoFeedback = 0.5;
constexpr double echoCutoffHz = 1800.0;
constexpr double echoWarmupSeconds = 12.0;
constexpr float echoReturn = 0.6f;
constexpr float echoReverbSend = 0.5f;

constexpr ReverbSettings roomReverb = {7.0, 0.35, 0.035, 4500.0};
constexpr double reverbWarmupSeconds = 16.0;
constexpr float reverbReturn = 1.0f;

constexpr double highPassHz = 24.0;
constexpr double highPassQ = 0.7071; // Butterworth: flat above the cutoff
constexpr double highPassWarmupSeconds = 1.0;
// Players expect about -17 LUFS; the ceiling leaves room for the peaks between samples
// and for the encoder's, under -1 dB true peak.
constexpr double targetLufs = -16.6;
constexpr int loudnessPasses = 3;
constexpr float peakCeiling = 0.77f;
constexpr double limiterAttackSeconds = 0.005;
constexpr double limiterReleaseSeconds = 0.3;

constexpr int mp3BitrateKbps = 160;
constexpr int lameQuality = 5; // 0 best and slowest, 9 fastest
constexpr int encodeChunkFrames = 1152 * 16;
// LAME's documented worst case for the bytes one call can produce.
constexpr std::size_t mp3ChunkBytes = encodeChunkFrames * 5 / 4 + 7200;

void addInto(Stereo& target, const Stereo& source, float gain) {
    for (std::size_t i = 0; i < target.left.size(); ++i) {
        target.left[i] += gain * source.left[i];
        target.right[i] += gain * source.right[i];
    }
}

Stereo renderMusic(const Score& score, const std::vector<Camera>& path, const SoundPlan& plan) {
    Buses buses{makeStereo(score.frames), makeStereo(score.frames), makeStereo(score.frames)};
    renderDrones(score, buses);
    renderBells(score, buses);
    renderDrips(score, buses);
    renderChoir(score, buses);
    renderPulse(score, buses);
    renderStrokes(score, buses);
    renderShimmer(score, buses);
    renderAmbience(score, path, plan, buses);

    PingPongEcho echo =
        makeEcho(echoLeftSeconds, echoRightSeconds, echoFeedback, echoCutoffHz, sampleRate);
    processLoop(buses.echo, static_cast<std::size_t>(echoWarmupSeconds * sampleRate),
                [&echo](float& left, float& right) { processEcho(echo, left, right); });
    addInto(buses.dry, buses.echo, echoReturn);
    addInto(buses.reverb, buses.echo, echoReverbSend);
    buses.echo = Stereo{};

    Reverb reverb = makeReverb(roomReverb, sampleRate);
    processLoop(buses.reverb, static_cast<std::size_t>(reverbWarmupSeconds * sampleRate),
                [&reverb](float& left, float& right) { processReverb(reverb, left, right); });
    addInto(buses.dry, buses.reverb, reverbReturn);
    buses.reverb = Stereo{};

    // Take out DC and the rumble below the lowest drone.
    const SvfCoefficients highPass = svfCoefficients(highPassHz, highPassQ, sampleRate);
    Svf filters[channelCount];
    processLoop(buses.dry, static_cast<std::size_t>(highPassWarmupSeconds * sampleRate),
                [&](float& left, float& right) {
                    left = static_cast<float>(processSvf(filters[0], highPass, left).high);
                    right = static_cast<float>(processSvf(filters[1], highPass, right).high);
                });

    // Limiting lowers the loudness a little, so aim again until it holds.
    Stereo music = std::move(buses.dry);
    for (int pass = 0; pass < loudnessPasses; ++pass) {
        const double lufs = integratedLoudness(music, sampleRate);
        scale(music, static_cast<float>(std::pow(10.0, (targetLufs - lufs) / 20.0)));
        limitLoop(music, peakCeiling, static_cast<std::size_t>(limiterAttackSeconds * sampleRate),
                  static_cast<std::size_t>(limiterReleaseSeconds * sampleRate));
    }
    return music;
}

// The show's plan, and the score composed to the cues where its path meets its places.
bool composeForShow(ShowPlan& show, Score& score) {
    show = planShow();
    std::string missing;
    const std::vector<Cue> cues = cueSheet(show.path, show.space, show.sound.places, missing);
    if (!missing.empty()) {
        std::fprintf(stderr, "music: the camera path never enters or looks into the %s\n",
                     missing.c_str());
        return false;
    }
    const char* unknown = nullptr;
    if (!composeScore(cues, static_cast<double>(show.path.size()) / pathFramesPerSecond, score,
                      unknown)) {
        std::fprintf(stderr, "music: the score has no section for the cue \"%s\"\n", unknown);
        return false;
    }
    std::printf("music: the cue sheet\n%s", cueSheetTable(cues).c_str());
    return true;
}

bool encodeMp3(const Stereo& music, std::vector<unsigned char>& mp3) {
    lame_global_flags* lame = lame_init();
    if (lame == nullptr) {
        return false;
    }
    lame_set_in_samplerate(lame, sampleRate);
    lame_set_out_samplerate(lame, sampleRate);
    lame_set_num_channels(lame, channelCount);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, mp3BitrateKbps);
    lame_set_quality(lame, lameQuality);
    lame_set_bWriteVbrTag(lame, 1);
    // Tags carry nothing the demo needs and could vary between runs.
    lame_set_write_id3tag_automatic(lame, 0);
    bool ok = lame_init_params(lame) >= 0;
    std::vector<unsigned char> chunk(mp3ChunkBytes);
    for (std::size_t first = 0; ok && first < music.left.size(); first += encodeChunkFrames) {
        const int frames =
            static_cast<int>(std::min<std::size_t>(encodeChunkFrames, music.left.size() - first));
        const int bytes = lame_encode_buffer_ieee_float(
            lame, music.left.data() + first, music.right.data() + first, frames, chunk.data(),
            static_cast<int>(chunk.size()));
        ok = bytes >= 0;
        if (ok) {
            mp3.insert(mp3.end(), chunk.begin(), chunk.begin() + bytes);
        }
    }
    if (ok) {
        const int bytes = lame_encode_flush(lame, chunk.data(), static_cast<int>(chunk.size()));
        ok = bytes >= 0;
        if (ok) {
            mp3.insert(mp3.end(), chunk.begin(), chunk.begin() + bytes);
        }
    }
    if (ok) {
        // The encoder left room for this frame at the start; it tells decoders the exact
        // length, so the loop has no gap.
        const std::size_t tagBytes = lame_get_lametag_frame(lame, chunk.data(), chunk.size());
        ok = tagBytes > 0 && tagBytes <= chunk.size() && tagBytes <= mp3.size();
        if (ok) {
            std::copy(chunk.begin(), chunk.begin() + tagBytes, mp3.begin());
        }
    }
    lame_close(lame);
    return ok;
}

} // namespace

bool generateMusic(const std::string& root) {
    const std::filesystem::path file = std::filesystem::path(root) / musicFile;
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) {
        std::fprintf(stderr, "music: cannot create %s: %s\n", file.parent_path().c_str(),
                     error.message().c_str());
        return false;
    }
    const auto started = std::chrono::steady_clock::now();
    ShowPlan show;
    Score score;
    if (!composeForShow(show, score)) {
        return false;
    }
    const Stereo music = renderMusic(score, show.path, show.sound);
    std::vector<unsigned char> mp3;
    if (!encodeMp3(music, mp3)) {
        std::fprintf(stderr, "music: the MP3 encoder failed\n");
        return false;
    }
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
    if (!out) {
        std::fprintf(stderr, "music: cannot write %s\n", file.c_str());
        return false;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("music: %.1f s long, %.1f LUFS, peak %.2f, %.2f s\n", score.seconds,
                integratedLoudness(music, sampleRate), static_cast<double>(peakOf(music)), seconds);
    return true;
}
