// The recorder as a user runs it: the real binary writes files that are read back with
// libavformat and compared with the Scene's own pictures and with the music file.
#include "effects/light_path.h"
#include "gfx/screen.h"
#include "recorder.h"
#include "scene/scene.h"
#include "show/progress.h"
#include "support/program_run.h"
#include "support/test_files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// The muxer's trailer as the recorder calls it; a test can make it fail as a muxer may, with
// nothing wrong in the writing.
bool failTrailer = false;

extern "C" int av_write_trailer(AVFormatContext* container) {
    using Trailer = int (*)(AVFormatContext*);
    static const auto real = reinterpret_cast<Trailer>(dlsym(RTLD_NEXT, "av_write_trailer"));
    return failTrailer ? AVERROR(EINVAL) : real(container);
}

namespace {

constexpr int fps = 60;
// A second that starts half a second before the stars.
constexpr double clipFrom = 141.5;
constexpr double clipTo = 142.5;
constexpr long clipFirstFrame = 8490;
constexpr int clipFrames = 60;
// Out of order; the third is a quarter of a second into the stars, when the show has the
// first few out.
constexpr int comparedFrames[] = {59, 0, 45, 30};
constexpr double minPsnr = 38.0;
constexpr double minCorrelation = 0.9;
// The AAC encoder's delay and frame: the sound may sit this many samples off the music.
constexpr int maxLag = 2048;

struct Decoded {
    int width = 0;
    int height = 0;
    AVRational frameRate{0, 1};
    double videoSeconds = 0.0;
    double audioSeconds = 0.0;
    int audioChannels = 0;
    AVCodecID audioCodec = AV_CODEC_ID_NONE;
    int sampleRate = 0;
    // Each frame as Y, U and V planes without padding.
    std::vector<std::vector<unsigned char>> frames;
    // How the decoder says the pictures are to be turned back into RGB.
    AVColorSpace colorSpace = AVCOL_SPC_UNSPECIFIED;
    AVColorRange colorRange = AVCOL_RANGE_UNSPECIFIED;
    std::vector<float> left;
};

std::vector<unsigned char> packedPlanes(const AVFrame* frame) {
    std::vector<unsigned char> planes(static_cast<size_t>(av_image_get_buffer_size(
        static_cast<AVPixelFormat>(frame->format), frame->width, frame->height, 1)));
    av_image_copy_to_buffer(planes.data(), static_cast<int>(planes.size()), frame->data,
                            frame->linesize, static_cast<AVPixelFormat>(frame->format),
                            frame->width, frame->height, 1);
    return planes;
}

void decodeInto(Decoded& decoded, AVCodecContext* codec, const AVPacket* packet, AVFrame* frame,
                bool video) {
    if (avcodec_send_packet(codec, packet) < 0) {
        return;
    }
    while (avcodec_receive_frame(codec, frame) >= 0) {
        if (video) {
            decoded.frames.push_back(packedPlanes(frame));
            decoded.colorSpace = frame->colorspace;
            decoded.colorRange = frame->color_range;
        } else {
            const float* samples = reinterpret_cast<const float*>(frame->data[0]);
            decoded.left.insert(decoded.left.end(), samples, samples + frame->nb_samples);
        }
    }
}

AVCodecContext* openDecoder(const AVStream* stream) {
    AVCodecContext* codec =
        avcodec_alloc_context3(avcodec_find_decoder(stream->codecpar->codec_id));
    avcodec_parameters_to_context(codec, stream->codecpar);
    avcodec_open2(codec, codec->codec, nullptr);
    return codec;
}

double seconds(const AVStream* stream) {
    return stream->duration * av_q2d(stream->time_base);
}

Decoded readBack(const std::string& path) {
    Decoded decoded;
    AVFormatContext* container = nullptr;
    if (avformat_open_input(&container, path.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "cannot open " << path;
        return decoded;
    }
    avformat_find_stream_info(container, nullptr);
    const int videoIndex = av_find_best_stream(container, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int audioIndex = av_find_best_stream(container, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    if (videoIndex >= 0) {
        const AVStream* stream = container->streams[videoIndex];
        decoded.width = stream->codecpar->width;
        decoded.height = stream->codecpar->height;
        decoded.frameRate = stream->avg_frame_rate;
        decoded.videoSeconds = seconds(stream);
        video = openDecoder(stream);
    }
    if (audioIndex >= 0) {
        const AVStream* stream = container->streams[audioIndex];
        decoded.audioCodec = stream->codecpar->codec_id;
        decoded.audioChannels = stream->codecpar->ch_layout.nb_channels;
        decoded.sampleRate = stream->codecpar->sample_rate;
        decoded.audioSeconds = seconds(stream);
        audio = openDecoder(stream);
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    while (av_read_frame(container, packet) >= 0) {
        if (packet->stream_index == videoIndex) {
            decodeInto(decoded, video, packet, frame, true);
        } else if (packet->stream_index == audioIndex) {
            decodeInto(decoded, audio, packet, frame, false);
        }
        av_packet_unref(packet);
    }
    if (video != nullptr) {
        decodeInto(decoded, video, nullptr, frame, true);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    avformat_close_input(&container);
    return decoded;
}

// Frame n of the decoded video turned back into RGB (rows top first) as a player does it,
// by the colour tags the decoder reports.
std::vector<unsigned char> playerRgb(const Decoded& decoded, size_t n) {
    const int width = decoded.width;
    const int height = decoded.height;
    const unsigned char* y = decoded.frames[n].data();
    const unsigned char* u = y + static_cast<ptrdiff_t>(width) * height;
    const unsigned char* v = u + static_cast<ptrdiff_t>(width) * height / 4;
    const uint8_t* planes[] = {y, u, v};
    const int strides[] = {width, width / 2, width / 2};
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    uint8_t* out[] = {rgb.data()};
    const int outStride[] = {width * 3};
    SwsContext* player =
        sws_getContext(width, height, AV_PIX_FMT_YUV420P, width, height, AV_PIX_FMT_RGB24,
                       SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    const int* coefficients = sws_getCoefficients(decoded.colorSpace);
    sws_setColorspaceDetails(player, coefficients, decoded.colorRange == AVCOL_RANGE_JPEG ? 1 : 0,
                             coefficients, 1, 0, 1 << 16, 1 << 16);
    sws_scale(player, planes, strides, 0, height, out, outStride);
    sws_freeContext(player);
    return rgb;
}

// The left channel of the music from the given second, as long as the sound given.
std::vector<float> musicFrom(double start, size_t count, int& rate) {
    SF_INFO info{};
    SNDFILE* file = sf_open(musicPath, SFM_READ, &info);
    EXPECT_NE(file, nullptr);
    if (file == nullptr) {
        return {};
    }
    rate = info.samplerate;
    sf_seek(file, static_cast<sf_count_t>(std::llround(start * info.samplerate)), SEEK_SET);
    std::vector<float> interleaved(count * static_cast<size_t>(info.channels));
    sf_readf_float(file, interleaved.data(), static_cast<sf_count_t>(count));
    sf_close(file);
    std::vector<float> left(count);
    for (size_t i = 0; i < count; ++i) {
        left[i] = interleaved[i * static_cast<size_t>(info.channels)];
    }
    return left;
}

// The best normalised correlation of the sound with the music within maxLag samples.
double bestCorrelation(const std::vector<float>& sound, const std::vector<float>& music) {
    double best = -1.0;
    const size_t span = std::min(sound.size(), music.size()) - maxLag;
    for (int lag = 0; lag < maxLag; lag += 1) {
        double sm = 0.0;
        double ss = 0.0;
        double mm = 0.0;
        for (size_t i = 0; i < span; ++i) {
            const double s = sound[i + static_cast<size_t>(lag)];
            const double m = music[i];
            sm += s * m;
            ss += s * s;
            mm += m * m;
        }
        if (ss > 0.0 && mm > 0.0) {
            best = std::max(best, sm / std::sqrt(ss * mm));
        }
    }
    return best;
}

ProgramRun runRecorder(const std::vector<std::string>& args,
                       const std::function<void(const std::string&, pid_t)>& onLine = {}) {
    return runProgram(RECORDER_BINARY, args, onLine);
}

class RecorderTest : public testing::Test {
  protected:
    TemporaryFolder folder;
};

TEST_F(RecorderTest, ClipPlaysTheShowWithItsMusic) {
    const std::string clip = folder.file("clip.mp4");
    const ProgramRun run =
        runRecorder({clip, "--from", std::to_string(clipFrom), "--to", std::to_string(clipTo)});
    ASSERT_EQ(run.status, 0) << joinedLines(run.lines);
    EXPECT_NE(run.lines.back().find("Recorded 60 of 60 frames (141.5 s to 142.5 s of the show)"),
              std::string::npos)
        << run.lines.back();
    const Decoded decoded = readBack(clip);

    EXPECT_EQ(decoded.width, screenWidth);
    EXPECT_EQ(decoded.height, screenHeight);
    EXPECT_EQ(decoded.frameRate.num, fps * decoded.frameRate.den);
    ASSERT_EQ(decoded.frames.size(), static_cast<size_t>(clipFrames));
    EXPECT_NEAR(decoded.videoSeconds, static_cast<double>(clipFrames) / fps, 0.5 / fps);
    EXPECT_EQ(decoded.audioCodec, AV_CODEC_ID_AAC);
    EXPECT_EQ(decoded.audioChannels, 2);
    EXPECT_NEAR(decoded.audioSeconds, decoded.videoSeconds, 1.0 / fps);

    // The preview's stills of the same entries, given out of order: decoded as a player does,
    // the frames are those pictures. (That a view is the same whatever views came before is
    // the show clock's own test.)
    std::vector<std::string> args = {"--out", folder.file("stills"), "--only"};
    for (int k : comparedFrames) {
        args.push_back(std::to_string(clipFirstFrame + k));
    }
    const ProgramRun stills = runProgram(PREVIEW_BINARY, args);
    ASSERT_EQ(stills.status, 0) << joinedLines(stills.lines);
    const auto still = [&](const std::string& folder, long entry) {
        int width = 0;
        int height = 0;
        std::vector<unsigned char> rgb;
        EXPECT_TRUE(
            readRgbPng(folder + "/view_" + std::to_string(entry) + ".png", width, height, rgb));
        return rgb;
    };
    // The contact sheet has each view shrunk four times, in the order given: the first one
    // at its left.
    int sheetWidth = 0;
    int sheetHeight = 0;
    std::vector<unsigned char> sheet;
    ASSERT_TRUE(
        readRgbPng(folder.file("stills/contact_sheet.png"), sheetWidth, sheetHeight, sheet));
    ASSERT_EQ(sheetWidth, screenWidth);
    ASSERT_EQ(sheetHeight, screenHeight / 4);
    const std::vector<unsigned char> first =
        still(folder.file("stills"), clipFirstFrame + comparedFrames[0]);
    int unlike = 0;
    for (size_t at = 0; at < sheet.size(); ++at) {
        const size_t x = at / 3 % static_cast<size_t>(sheetWidth);
        const size_t y = at / 3 / static_cast<size_t>(sheetWidth);
        if (x >= screenWidth / 4) {
            continue;
        }
        int sum = 0;
        for (size_t k = 0; k < 16; ++k) {
            sum += first[((y * 4 + k / 4) * screenWidth + x * 4 + k % 4) * 3 + at % 3];
        }
        unlike += sheet[at] != sum / 16 ? 1 : 0;
    }
    EXPECT_EQ(unlike, 0);
    for (int k : comparedFrames) {
        const long n = clipFirstFrame + k;
        EXPECT_GE(psnr(playerRgb(decoded, static_cast<size_t>(k)), still(folder.file("stills"), n)),
                  minPsnr)
            << "frame " << k;
    }
    // Both caught up alike; the preview says where the light was and how many stars were
    // out: where the route has the light, and one star born each frame since they began.
    int views = 0;
    for (const std::string& line : stills.lines) {
        long entry = 0;
        glm::vec3 light(0.0f);
        long stars = 0;
        if (std::sscanf(line.c_str(),
                        "%*s entry %ld (%*f s), eye (%*f, %*f, %*f), light (%f, %f, %f), %ld stars",
                        &entry, &light.x, &light.y, &light.z, &stars) == 5) {
            ++views;
            EXPECT_LT(glm::distance(light, pointLightRoute(static_cast<int>(entry), fps).back()),
                      0.01f)
                << line;
            EXPECT_EQ(stars, std::max(0L, entry - static_cast<long>(starsStartTime * fps))) << line;
        }
    }
    EXPECT_EQ(views, 4);

    int rate = 0;
    const std::vector<float> music = musicFrom(clipFrom, decoded.left.size(), rate);
    EXPECT_EQ(decoded.sampleRate, rate);
    EXPECT_GE(bestCorrelation(decoded.left, music), minCorrelation);
}

// A player turns the pictures back into RGB by the file's colour tags: known colour patches
// come back within a few levels.
TEST_F(RecorderTest, ColourPatchesSurviveAPlayersConversion) {
    constexpr int patchSize = 32;
    constexpr int columns = 8;
    constexpr int width = patchSize * columns;
    constexpr int height = patchSize * 2;
    constexpr int maxLevels = 4;
    const std::vector<std::array<unsigned char, 3>> patches = {
        {0, 0, 0},     {255, 255, 255}, {128, 128, 128}, {255, 0, 0},
        {0, 255, 0},   {0, 0, 255},     {255, 255, 0},   {0, 255, 255},
        {255, 0, 255}, {115, 82, 68},   {194, 150, 130}, {98, 122, 157},
        {87, 108, 67}, {214, 126, 44},  {30, 40, 90},    {16, 16, 16}};
    // RGBA rows bottom first, as read back from GL.
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4, 255);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto& colour = patches[static_cast<size_t>(
                (height - 1 - y) / patchSize * columns + x / patchSize)];
            std::copy(colour.begin(), colour.end(),
                      rgba.begin() + (static_cast<long>(y) * width + x) * 4);
        }
    }
    const std::string path = folder.file("patches.mp4");
    VideoFile video;
    ASSERT_TRUE(createVideoFile(video, path));
    ASSERT_TRUE(startStreams(video, VideoFormat{width, height, fps, defaultRecordingCrf, 0}));
    ASSERT_TRUE(writePicture(video, rgba.data()));
    ASSERT_TRUE(closeVideoFile(video)) << video.error;

    const Decoded decoded = readBack(path);
    ASSERT_EQ(decoded.frames.size(), 1u);
    EXPECT_EQ(decoded.colorSpace, AVCOL_SPC_BT709);
    EXPECT_EQ(decoded.colorRange, AVCOL_RANGE_MPEG);
    const std::vector<unsigned char> rgb = playerRgb(decoded, 0);
    for (size_t k = 0; k < patches.size(); ++k) {
        // The patch's middle, away from where chroma is shared with its neighbours.
        const int centreX = static_cast<int>(k % columns) * patchSize + patchSize / 2;
        const int centreY = static_cast<int>(k / columns) * patchSize + patchSize / 2;
        for (int c = 0; c < 3; ++c) {
            const int got =
                rgb[(static_cast<size_t>(centreY) * width + centreX) * 3 + static_cast<size_t>(c)];
            EXPECT_NEAR(got, patches[k][static_cast<size_t>(c)], maxLevels)
                << "patch " << k << ", channel " << c;
        }
    }
}

// The music as the recording reads it: from where the demo's loop would be, on past the
// file's end from its start, never beyond what was asked for; both channels of a stereo
// file, and a mono file on both.
TEST_F(RecorderTest, MusicTrackLoopsAndFillsBothChannels) {
    constexpr int rate = 1000;
    constexpr int frames = 1000;
    constexpr int count = 300;
    constexpr float guard = 7.0f;
    const auto sample = [](int frame) { return static_cast<float>(frame) / frames; };
    for (int channels : {2, 1}) {
        const std::string path = folder.file("music" + std::to_string(channels) + ".wav");
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* out = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(out, nullptr);
        std::vector<float> interleaved;
        for (int f = 0; f < frames; ++f) {
            interleaved.push_back(sample(f));
            if (channels == 2) {
                interleaved.push_back(-sample(f));
            }
        }
        sf_writef_float(out, interleaved.data(), frames);
        sf_close(out);

        MusicTrack track;
        std::string reason;
        ASSERT_TRUE(openMusicTrack(track, path, 0.9, reason)) << reason;
        std::vector<float> left(count + 1, guard);
        std::vector<float> right(count + 1, guard);
        readMusic(track, left.data(), right.data(), count);
        closeMusicTrack(track);
        for (int k = 0; k < count; ++k) {
            const float expected = sample((900 + k) % frames);
            ASSERT_EQ(left[static_cast<size_t>(k)], expected) << k;
            ASSERT_EQ(right[static_cast<size_t>(k)], channels == 2 ? -expected : expected) << k;
        }
        EXPECT_EQ(left[count], guard);
        EXPECT_EQ(right[count], guard);
    }
}

// A file whose trailer the muxer could not write is no recording: closing it says so.
TEST_F(RecorderTest, AFailedTrailerIsReported) {
    constexpr int side = 64;
    VideoFile video;
    ASSERT_TRUE(createVideoFile(video, folder.file("trailer.mp4")));
    ASSERT_TRUE(startStreams(video, VideoFormat{side, side, fps, defaultRecordingCrf, 0}));
    const std::vector<unsigned char> grey(side * side * 4, 128);
    ASSERT_TRUE(writePicture(video, grey.data()));
    failTrailer = true;
    const bool closed = closeVideoFile(video);
    failTrailer = false;
    EXPECT_FALSE(closed);
    EXPECT_NE(video.error.find("Cannot write"), std::string::npos) << video.error;
}

// By default the whole path and the stars' 8 s after it: 9272 frames at 60 per second; and
// the progress line's rate and time left on the way.
TEST(RecorderPlan, WholeShowAndProgress) {
    const FrameSpan whole = framesToRecord(RecordOptions{}, 8793);
    EXPECT_EQ(whole.first, 0);
    EXPECT_EQ(whole.end, 9272);
    EXPECT_EQ(progressLine(30, 120, 142.0f, 10.0),
              "frame 30/120  show 142.0 s  3.00 fps  0:00:30 left");
    EXPECT_EQ(progressLine(100, 9272, 1.7f, 25.0),
              "frame 100/9272  show 1.7 s  4.00 fps  0:38:13 left");
    EXPECT_EQ(progressLine(0, 9272, 0.0f, 0.0), "frame 0/9272  show 0.0 s  0.00 fps  0:00:00 left");
}

TEST_F(RecorderTest, InterruptedRecordingPlaysUpToWhereItStopped) {
    const std::string clip = folder.file("interrupted.mp4");
    bool sent = false;
    const ProgramRun run =
        runRecorder({clip, "--from", "140"}, [&](const std::string& line, pid_t pid) {
            if (!sent && line.rfind("frame ", 0) == 0) {
                // Its memory stays flat with transparent huge pages off.
                std::ifstream status("/proc/" + std::to_string(pid) + "/status");
                std::string field;
                while (std::getline(status, field) && field.rfind("THP_enabled:", 0) != 0) {
                }
                EXPECT_EQ(field, "THP_enabled:\t0");
                sleep(2);
                kill(pid, SIGINT);
                sent = true;
            }
        });
    EXPECT_NE(run.status, 0);
    ASSERT_FALSE(run.lines.empty());
    long recorded = 0;
    const std::string& last = run.lines.back();
    ASSERT_EQ(std::sscanf(last.c_str(), "Interrupted: recorded %ld", &recorded), 1) << last;
    EXPECT_GE(recorded, 1);
    EXPECT_EQ(readBack(clip).frames.size(), static_cast<size_t>(recorded));
}

// Each refusal is one line that names what is wrong, before any file is made.
TEST_F(RecorderTest, BadInputIsRefusedInOneLineWithoutAFile) {
    const std::string out = folder.file("refused.mp4");
    const std::string unwritable = folder.file("no/such/folder/x.mp4");
    struct Refusal {
        std::vector<std::string> args;
        std::string named;
    };
    const std::vector<Refusal> refusals = {
        {{unwritable}, unwritable},
        {{out, "--from", "5", "--to", "5"}, "--from must be below --to"},
        {{out, "--from", "-1"}, "--from cannot be negative"},
        {{out, "--to", "-2"}, "--to cannot be negative"},
        {{out, "--from", "0.5", "--to", "0.2"}, "--from must be below --to"},
        {{out, "--fps", "0"}, "--fps takes"},
        {{out, "--fps", "241"}, "--fps takes"},
        {{out, "--fps", "sixty"}, "--fps takes"},
        {{out, "--crf", "52"}, "--crf takes"},
        {{out, "--crf", "-1"}, "--crf takes"},
        {{out, "--fps"}, "--fps needs a value"},
    };
    // Help is no refusal.
    const ProgramRun help = runRecorder({"--help"});
    EXPECT_EQ(help.status, 0);
    ASSERT_FALSE(help.lines.empty());
    EXPECT_EQ(help.lines[0].rfind("usage: ", 0), 0u) << help.lines[0];
    for (const Refusal& refusal : refusals) {
        const ProgramRun run = runRecorder(refusal.args);
        EXPECT_NE(run.status, 0) << refusal.named;
        ASSERT_EQ(run.lines.size(), 1u) << joinedLines(run.lines);
        EXPECT_NE(run.lines[0].find(refusal.named), std::string::npos) << run.lines[0];
        EXPECT_TRUE(fs::is_empty(folder.path)) << refusal.named;
    }
}

} // namespace
