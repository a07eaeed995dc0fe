#include "recorder.h"

#include "gfx/screen.h"
#include "scene/scene.h"
#include "show/clock.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

// Frames queued for the encoder at most: enough to ride out a slow frame, small in memory.
constexpr std::size_t queuedPictures = 4;
constexpr int rgbaBytes = 4;
// Whole-number options beyond this are typing mistakes, and would overflow an int.
constexpr double largestWholeOption = 1e6;

bool usageError(std::string& error, const std::string& problem) {
    error = "record: " + problem + "; " + recordUsage;
    return false;
}

bool readWhole(const std::string& text, int& value) {
    double number = 0.0;
    if (!readNumber(text, number) || number != std::floor(number) ||
        std::fabs(number) > largestWholeOption) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

// Writes one picture, then the music up to the end of that picture's time.
bool writeFrame(FrameEncoder& encoder, const std::vector<unsigned char>& rgba) {
    VideoFile& file = *encoder.file;
    if (!writePicture(file, rgba.data())) {
        return false;
    }
    encoder.picturesWritten += 1;
    if (encoder.music == nullptr) {
        return true;
    }
    const int64_t soundEnd =
        encoder.picturesWritten * encoder.music->sampleRate / static_cast<int64_t>(encoder.fps);
    const int count = static_cast<int>(soundEnd - file.samplesWritten -
                                       static_cast<int64_t>(file.pendingLeft.size()));
    if (count <= 0) {
        return true;
    }
    encoder.left.resize(static_cast<std::size_t>(count));
    encoder.right.resize(static_cast<std::size_t>(count));
    readMusic(*encoder.music, encoder.left.data(), encoder.right.data(), count);
    return writeSound(file, encoder.left.data(), encoder.right.data(), count);
}

void encodeQueued(FrameEncoder& encoder) {
    std::unique_lock<std::mutex> lock(encoder.mutex);
    for (;;) {
        encoder.changed.wait(lock, [&] { return !encoder.waiting.empty() || encoder.closing; });
        if (encoder.waiting.empty()) {
            return;
        }
        std::vector<unsigned char> rgba = std::move(encoder.waiting.front());
        encoder.waiting.pop_front();
        const bool skip = encoder.failed;
        lock.unlock();
        const bool written = skip || writeFrame(encoder, rgba);
        lock.lock();
        encoder.failed = encoder.failed || !written;
        encoder.spare.push_back(std::move(rgba));
        encoder.changed.notify_all();
    }
}

} // namespace

bool parseRecordOptions(const std::vector<std::string>& args, RecordOptions& options,
                        std::string& error) {
    bool outputGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        }
        if (arg.rfind("--", 0) != 0) {
            if (outputGiven) {
                return usageError(error, "more than one output file");
            }
            options.output = arg;
            outputGiven = true;
            continue;
        }
        if (i + 1 == args.size()) {
            return usageError(error, arg + " needs a value");
        }
        const std::string& value = args[++i];
        std::string problem;
        if (arg == "--from" || arg == "--to") {
            if (!readShowSeconds(arg, value, arg == "--from" ? options.from : options.to,
                                 problem)) {
                return usageError(error, problem);
            }
        } else if (arg == "--fps") {
            if (!readWhole(value, options.fps) || options.fps < 1 ||
                options.fps > maxRecordingFps) {
                return usageError(error, "--fps takes a whole number from 1 to " +
                                             std::to_string(maxRecordingFps));
            }
        } else if (arg == "--crf") {
            if (!readWhole(value, options.crf) || options.crf < 0 ||
                options.crf > maxRecordingCrf) {
                return usageError(error, "--crf takes a whole number from 0 to " +
                                             std::to_string(maxRecordingCrf));
            }
        } else {
            return usageError(error, "unknown option " + arg);
        }
    }
    if (options.to >= 0.0 && options.from >= options.to) {
        return usageError(error, "--from must be below --to");
    }
    if (options.output.empty()) {
        return usageError(error, "the output file needs a name");
    }
    return true;
}

std::string recordHelp() {
    std::ostringstream help;
    help << recordUsage << "\n\n"
         << "Records the show to an MP4 file (H.264 and AAC) frame by frame on a clock that\n"
         << "advances exactly 1/N s per frame, however slowly the frames render.\n\n"
         << "  OUT.mp4         the file to write (default " << defaultRecordingPath << ")\n"
         << "  --from SECONDS  show time of the first frame (default 0)\n"
         << "  --to SECONDS    show time to stop at (default " << secondsAfterPath
         << " s after the last camera\n"
         << "                  path entry, so the stars are seen)\n"
         << "  --fps N         frames per second, 1 to " << maxRecordingFps << " (default "
         << defaultRecordingFps << "). The camera path\n"
         << "                  advances one entry per frame, as in the demo, so at another\n"
         << "                  rate the flight runs faster or slower against the clock and\n"
         << "                  the music, exactly as the demo would at that frame rate.\n"
         << "  --crf Q         H.264 quality, 0 (lossless) to 51 (default " << defaultRecordingCrf
         << ")\n\n"
         << "Ctrl-C stops after the current frame; the file then plays up to there.\n";
    return help.str();
}

FrameSpan framesToRecord(const RecordOptions& options, std::size_t pathEntries) {
    return framesBetween(options.from, options.to, options.fps, pathEntries);
}

void createPixelReadback(PixelReadback& readback, int width, int height) {
    readback.width = width;
    readback.height = height;
    glGenBuffers(2, readback.buffers.data());
    for (GLuint buffer : readback.buffers) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(width) * height * rgbaBytes,
                     nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

void requestPixels(const PixelReadback& readback, long frame) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, readback.buffers[static_cast<std::size_t>(frame % 2)]);
    glPixelStorei(GL_PACK_ALIGNMENT, rgbaBytes);
    glReadPixels(0, 0, readback.width, readback.height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

void takePixels(const PixelReadback& readback, long frame, unsigned char* rgba) {
    const std::size_t size = static_cast<std::size_t>(readback.width) * readback.height * rgbaBytes;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, readback.buffers[static_cast<std::size_t>(frame % 2)]);
    const void* mapped =
        glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(size), GL_MAP_READ_BIT);
    if (mapped != nullptr) {
        std::memcpy(rgba, mapped, size);
        glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    } else {
        std::memset(rgba, 0, size);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

void startFrameEncoder(FrameEncoder& encoder, VideoFile& file, MusicTrack* music, int fps) {
    encoder.file = &file;
    encoder.music = music;
    encoder.fps = fps;
    encoder.worker = std::thread(encodeQueued, std::ref(encoder));
}

std::vector<unsigned char> takeSpareBuffer(FrameEncoder& encoder) {
    std::unique_lock<std::mutex> lock(encoder.mutex);
    if (encoder.spare.empty() && encoder.buffersMade < queuedPictures) {
        encoder.buffersMade += 1;
        return {};
    }
    encoder.changed.wait(lock, [&] { return !encoder.spare.empty(); });
    std::vector<unsigned char> rgba = std::move(encoder.spare.back());
    encoder.spare.pop_back();
    return rgba;
}

void submitPicture(FrameEncoder& encoder, std::vector<unsigned char>&& rgba) {
    std::lock_guard<std::mutex> lock(encoder.mutex);
    encoder.waiting.push_back(std::move(rgba));
    encoder.changed.notify_all();
}

bool encoderFailed(FrameEncoder& encoder) {
    std::lock_guard<std::mutex> lock(encoder.mutex);
    return encoder.failed;
}

bool stopFrameEncoder(FrameEncoder& encoder) {
    {
        std::lock_guard<std::mutex> lock(encoder.mutex);
        encoder.closing = true;
        encoder.changed.notify_all();
    }
    if (encoder.worker.joinable()) {
        encoder.worker.join();
    }
    return !encoder.failed;
}

bool startRecording(Recording& recording, const RecordOptions& options, long firstFrame) {
    VideoFormat format;
    format.width = screenWidth;
    format.height = screenHeight;
    format.fps = options.fps;
    format.crf = options.crf;
    format.sampleRate = recording.music.file != nullptr ? recording.music.sampleRate : 0;
    if (!startStreams(recording.file, format)) {
        return false;
    }
    recording.fps = options.fps;
    recording.first = firstFrame;
    recording.next = firstFrame;
    createPixelReadback(recording.readback, screenWidth, screenHeight);
    startFrameEncoder(recording.encoder, recording.file,
                      recording.music.file != nullptr ? &recording.music : nullptr, options.fps);
    return true;
}

namespace {

void handOver(Recording& recording, long frame) {
    std::vector<unsigned char> rgba = takeSpareBuffer(recording.encoder);
    rgba.resize(static_cast<std::size_t>(recording.readback.width) * recording.readback.height *
                rgbaBytes);
    takePixels(recording.readback, frame, rgba.data());
    submitPicture(recording.encoder, std::move(rgba));
}

} // namespace

void recordFrame(Recording& recording, Scene& scene) {
    const long frame = recording.next;
    drawShowFrame(scene, frame, recording.fps);
    requestPixels(recording.readback, frame);
    if (frame > recording.first) {
        handOver(recording, frame - 1);
    }
    recording.next = frame + 1;
}

bool finishRecording(Recording& recording) {
    if (recording.next > recording.first) {
        handOver(recording, recording.next - 1);
    }
    const bool encoded = stopFrameEncoder(recording.encoder);
    const bool closed = closeVideoFile(recording.file);
    closeMusicTrack(recording.music);
    return encoded && closed;
}
