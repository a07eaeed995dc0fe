#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

// What goes into the file: the picture size and rate, the H.264 constant-rate factor, and the
// sample rate of the sound (0 for a file without sound).
struct VideoFormat {
    int width = 0;
    int height = 0;
    int fps = 0;
    int crf = 0;
    int sampleRate = 0;
};

// An MP4 file being written: H.264 video (yuv420p, BT.709) from RGBA pictures read back from
// GL, and AAC stereo from planar float samples. Not thread-safe: one thread writes it.
struct VideoFile {
    std::string path;
    AVFormatContext* container = nullptr;
    AVCodecContext* video = nullptr;
    AVStream* videoStream = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* converter = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    // Samples waiting for a whole AAC frame.
    std::vector<float> pendingLeft;
    std::vector<float> pendingRight;
    int64_t picturesWritten = 0;
    int64_t samplesWritten = 0;
    bool headerWritten = false;
    // A second handle on the file to keep disk space allocated ahead of the writes.
    int spaceFd = -1;
    long long allocatedTo = 0;
    bool diskFull = false;
    // The first failure, one line naming the file; empty while all is well.
    std::string error;
};

// Opens the file for writing, creating or truncating it, before anything is rendered.
bool createVideoFile(VideoFile& file, const std::string& path);

// Sets up the encoders and writes the file's header.
bool startStreams(VideoFile& file, const VideoFormat& format);

// Encodes one picture: rows bottom first, as glReadPixels gives them, 4 bytes a pixel.
bool writePicture(VideoFile& file, const unsigned char* rgbaBottomUp);

// Appends count samples of each channel to the sound track.
bool writeSound(VideoFile& file, const float* left, const float* right, int count);

// Drains the encoders and writes the index, so the file plays up to what it holds, then
// closes it. False, with the error set, when any of it fails.
bool closeVideoFile(VideoFile& file);

// Closes and deletes a file that never got a picture.
void discardVideoFile(VideoFile& file);

// The conversion the file uses: RGBA rows bottom first into a yuv420p frame of BT.709
// limited range, the frame allocated by the caller.
SwsContext* createPictureConverter(int width, int height);
void convertPicture(SwsContext* converter, const unsigned char* rgbaBottomUp, int width, int height,
                    AVFrame* yuv);
