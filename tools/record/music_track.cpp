#include "music_track.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int maxChannels = 2;
constexpr sf_count_t readChunk = 4096;

} // namespace

bool openMusicTrack(MusicTrack& track, const std::string& path, double startSeconds,
                    std::string& reason) {
    SF_INFO info{};
    track.file = sf_open(path.c_str(), SFM_READ, &info);
    if (track.file == nullptr) {
        reason = sf_strerror(nullptr);
        return false;
    }
    if (info.frames <= 0 || info.channels < 1 || info.channels > maxChannels) {
        reason = info.frames <= 0 ? "no sound in it" : "more than two channels";
        closeMusicTrack(track);
        return false;
    }
    track.channels = info.channels;
    track.sampleRate = info.samplerate;
    track.frames = info.frames;
    const sf_count_t start =
        static_cast<sf_count_t>(std::llround(startSeconds * info.samplerate)) % info.frames;
    if (sf_seek(track.file, start, SEEK_SET) < 0) {
        reason = "cannot seek in it";
        closeMusicTrack(track);
        return false;
    }
    return true;
}

void readMusic(MusicTrack& track, float* left, float* right, int count) {
    std::vector<float>& decoded = track.decoded;
    decoded.resize(static_cast<size_t>(readChunk * track.channels));
    int filled = 0;
    bool rewound = false;
    while (filled < count) {
        const sf_count_t wanted = std::min<sf_count_t>(readChunk, count - filled);
        const sf_count_t read = sf_readf_float(track.file, decoded.data(), wanted);
        if (read <= 0) {
            // A file that gives nothing even from its start would otherwise spin here.
            if (rewound || sf_seek(track.file, 0, SEEK_SET) < 0) {
                break;
            }
            rewound = true;
            continue;
        }
        rewound = false;
        for (sf_count_t i = 0; i < read; ++i) {
            const float* frame = decoded.data() + i * track.channels;
            left[filled] = frame[0];
            right[filled] = frame[track.channels - 1];
            ++filled;
        }
    }
    std::fill(left + filled, left + count, 0.0f);
    std::fill(right + filled, right + count, 0.0f);
}

void closeMusicTrack(MusicTrack& track) {
    if (track.file != nullptr) {
        sf_close(track.file);
    }
    track = MusicTrack{};
}
