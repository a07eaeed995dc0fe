#include "music_score.h"
#include "parts.h"

#include <lame/lame.h>

#include <algorithm>
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
constexpr double targetRmsDecibels = -18.0;
constexpr float peakCeiling = 0.89f;
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

Stereo renderMusic() {
    Buses buses{makeStereo(loopFrames), makeStereo(loopFrames), makeStereo(loopFrames)};
    renderDrones(buses);
    renderBells(buses);
    renderDrips(buses);
    renderChoir(buses);

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

    Stereo music = std::move(buses.dry);
    scale(music, static_cast<float>(std::pow(10.0, targetRmsDecibels / 20.0) / rmsOf(music)));
    limitLoop(music, peakCeiling, static_cast<std::size_t>(limiterAttackSeconds * sampleRate),
              static_cast<std::size_t>(limiterReleaseSeconds * sampleRate));
    scale(music, peakCeiling / peakOf(music));
    return music;
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
    const std::filesystem::path path = std::filesystem::path(root) / musicFile;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) {
        std::fprintf(stderr, "music: cannot create %s: %s\n", path.parent_path().c_str(),
                     error.message().c_str());
        return false;
    }
    std::vector<unsigned char> mp3;
    if (!encodeMp3(renderMusic(), mp3)) {
        std::fprintf(stderr, "music: the MP3 encoder failed\n");
        return false;
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
    if (!file) {
        std::fprintf(stderr, "music: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
