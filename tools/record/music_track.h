#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

// The show's music read for the recording: from an offset, looping as the demo loops it,
// as two channels (a mono file is heard on both).
struct MusicTrack {
    SNDFILE* file = nullptr;
    int channels = 0;
    int sampleRate = 0;
    sf_count_t frames = 0;
    // Interleaved samples as decoded, kept between reads.
    std::vector<float> decoded;
};

// Opens the file positioned where the demo's music would be after startSeconds. False, with
// the reason, when the file cannot be read as one or two channels of sound.
bool openMusicTrack(MusicTrack& track, const std::string& path, double startSeconds,
                    std::string& reason);

// Reads the next count samples of each channel, going on from the start at the end of the
// file; silence once the file gives nothing more.
void readMusic(MusicTrack& track, float* left, float* right, int count);

void closeMusicTrack(MusicTrack& track);
