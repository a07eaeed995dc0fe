#pragma once

#include "music_track.h"
#include "video_file.h"

#include "show/span.h"

#include <glad/gl.h>

#include <array>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct Scene;

constexpr const char* recordUsage =
    "usage: scripts/record.sh [OUT.mp4] [--from SECONDS] [--to SECONDS] [--fps N] [--crf 0-51]";
constexpr const char* defaultRecordingPath = "build/lanternfall.mp4";
constexpr int defaultRecordingFps = 60;
constexpr int maxRecordingFps = 240;
// Visually lossless on the dark gradients and the stars, at a few MB a minute.
constexpr int defaultRecordingCrf = 16;
constexpr int maxRecordingCrf = 51;

struct RecordOptions {
    std::string output = defaultRecordingPath;
    double from = 0.0;
    // Negative: secondsAfterPath past the last path entry (show/span.h).
    double to = -1.0;
    int fps = defaultRecordingFps;
    int crf = defaultRecordingCrf;
    bool help = false;
};

// Reads the arguments after the program name. False, with one line of usage naming the
// problem, when they cannot be followed.
bool parseRecordOptions(const std::vector<std::string>& args, RecordOptions& options,
                        std::string& error);

std::string recordHelp();

// The frames the options ask for, at options.fps.
FrameSpan framesToRecord(const RecordOptions& options, std::size_t pathEntries);

// Two pixel buffers: frame n is read into one while frame n - 1 is copied out of the other,
// so the copy never waits for the frame being drawn.
struct PixelReadback {
    std::array<GLuint, 2> buffers{};
    int width = 0;
    int height = 0;
};

void createPixelReadback(PixelReadback& readback, int width, int height);
// Starts reading the window's framebuffer into the buffer of this frame.
void requestPixels(const PixelReadback& readback, long frame);
// Copies out what requestPixels started for this frame (RGBA, rows bottom first).
void takePixels(const PixelReadback& readback, long frame, unsigned char* rgba);

// Encodes and writes frames on a thread of its own, behind a queue of a few picture
// buffers, so memory stays flat however long the recording is. Each picture is followed
// by the music up to its end time.
struct FrameEncoder {
    VideoFile* file = nullptr;
    MusicTrack* music = nullptr;
    int fps = 0;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::vector<unsigned char>> waiting;
    std::vector<std::vector<unsigned char>> spare;
    std::size_t buffersMade = 0;
    bool closing = false;
    bool failed = false;
    long picturesWritten = 0;
    std::vector<float> left;
    std::vector<float> right;
    std::thread worker;
};

void startFrameEncoder(FrameEncoder& encoder, VideoFile& file, MusicTrack* music, int fps);
// A buffer for the next picture; waits while every buffer is queued.
std::vector<unsigned char> takeSpareBuffer(FrameEncoder& encoder);
void submitPicture(FrameEncoder& encoder, std::vector<unsigned char>&& rgba);
bool encoderFailed(FrameEncoder& encoder);
// Writes what is queued and ends the thread; false when writing failed.
bool stopFrameEncoder(FrameEncoder& encoder);

// A recording in progress: frames are rendered by the Scene into the window, read back
// and handed to the encoder one frame late.
struct Recording {
    VideoFile file;
    MusicTrack music;
    PixelReadback readback;
    FrameEncoder encoder;
    int fps = 0;
    long first = 0;
    long next = 0;
};

// The file must be created; the music track open or closed (no sound).
bool startRecording(Recording& recording, const RecordOptions& options, long firstFrame);
// Renders the next frame and hands the previous one to the encoder.
void recordFrame(Recording& recording, Scene& scene);
// Hands over the last frame, waits for the encoder and closes the file. False when
// writing failed; the file then holds what was written before.
bool finishRecording(Recording& recording);
