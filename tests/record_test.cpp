// The recorder as a user runs it: the real binary writes files that are read back with
// libavformat and compared with the Scene's own pictures and with the music file.
#include "app/camera_path.h"
#include "app/frame_loop.h"
#include "effects/light_path.h"
#include "gfx/screen.h"
#include "recorder.h"
#include "scene/scene.h"
#include "support/gl_context.h"
#include "support/program_run.h"
#include "support/test_files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int fps = 60;
// A second that starts half a second before the stars.
constexpr double clipFrom = 141.5;
constexpr double clipTo = 142.5;
constexpr long clipFirstFrame = 8490;
constexpr int clipFrames = 60;
constexpr int comparedFrames[] = {0, 30, 59};
constexpr double minPsnr = 38.0;
// A quarter of a second into the stars: the show has its first few out.
constexpr int earlyStarsEntry = 8535;
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

// RGBA rows bottom first, as the recorder converts them, as Y, U and V planes.
std::vector<unsigned char> convertedPlanes(const std::vector<unsigned char>& rgba) {
    AVFrame* yuv = av_frame_alloc();
    yuv->format = AV_PIX_FMT_YUV420P;
    yuv->width = screenWidth;
    yuv->height = screenHeight;
    av_frame_get_buffer(yuv, 0);
    SwsContext* converter = createPictureConverter(screenWidth, screenHeight);
    convertPicture(converter, rgba.data(), screenWidth, screenHeight, yuv);
    sws_freeContext(converter);
    std::vector<unsigned char> planes = packedPlanes(yuv);
    av_frame_free(&yuv);
    return planes;
}

// The Scene's own picture of frame n, converted as the recorder converts it. The Scene's
// state has been brought to frame n beforehand.
std::vector<unsigned char> directFrame(Scene& scene, long n) {
    playCameraPath(camera, static_cast<unsigned int>(n));
    deltaTime = 1.0f / fps;
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.render(static_cast<float>(n) / fps);
    std::vector<unsigned char> rgba(static_cast<size_t>(screenWidth) * screenHeight * 4);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, screenWidth, screenHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return convertedPlanes(rgba);
}

// A picture (RGB, rows top first) converted as the recorder converts what it reads back.
std::vector<unsigned char> recorderPlanes(const std::vector<unsigned char>& rgb) {
    std::vector<unsigned char> rgba(static_cast<size_t>(screenWidth) * screenHeight * 4, 255);
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            const size_t from = (static_cast<size_t>(y) * screenWidth + x) * 3;
            const size_t to = (static_cast<size_t>(screenHeight - 1 - y) * screenWidth + x) * 4;
            std::copy_n(rgb.begin() + static_cast<long>(from), 3,
                        rgba.begin() + static_cast<long>(to));
        }
    }
    return convertedPlanes(rgba);
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
    void SetUp() override { folder = makeTemporaryDirectory("lanternfall-record"); }
    void TearDown() override { fs::remove_all(folder); }
    std::string file(const std::string& name) const { return folder + "/" + name; }
    std::string folder;
};

TEST_F(RecorderTest, ClipPlaysTheShowWithItsMusic) {
    const std::string clip = file("clip.mp4");
    const ProgramRun run =
        runRecorder({clip, "--from", std::to_string(clipFrom), "--to", std::to_string(clipTo)});
    ASSERT_EQ(run.status, 0) << joinedLines(run.lines);
    const Decoded decoded = readBack(clip);

    EXPECT_EQ(decoded.width, screenWidth);
    EXPECT_EQ(decoded.height, screenHeight);
    EXPECT_EQ(decoded.frameRate.num, fps * decoded.frameRate.den);
    ASSERT_EQ(decoded.frames.size(), static_cast<size_t>(clipFrames));
    EXPECT_NEAR(decoded.videoSeconds, static_cast<double>(clipFrames) / fps, 0.5 / fps);
    EXPECT_EQ(decoded.audioCodec, AV_CODEC_ID_AAC);
    EXPECT_EQ(decoded.audioChannels, 2);
    EXPECT_NEAR(decoded.audioSeconds, decoded.videoSeconds, 1.0 / fps);

    // The Scene's own pictures of the same frames, its state caught up as the recorder does.
    requireGlContext(screenWidth, screenHeight);
    glViewport(0, 0, screenWidth, screenHeight);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    setenv("ALSOFT_DRIVERS", "null", 1);
    auto scene = std::make_unique<Scene>();
    long caughtUp = 0;
    for (int k : comparedFrames) {
        const long n = clipFirstFrame + k;
        catchUp(*scene, caughtUp, n, fps);
        // Caught up to where the route leaves the light after frame n - 1.
        EXPECT_EQ(scene->lights[0].position, pointLightRoute(static_cast<int>(n - 1), fps).back());
        EXPECT_GE(psnr(directFrame(*scene, n), decoded.frames[static_cast<size_t>(k)]), minPsnr)
            << "frame " << k;
        caughtUp = n + 1;
    }

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
    const std::string path = file("patches.mp4");
    VideoFile video;
    ASSERT_TRUE(createVideoFile(video, path));
    ASSERT_TRUE(startStreams(video, VideoFormat{width, height, fps, defaultRecordingCrf, 0}));
    ASSERT_TRUE(writePicture(video, rgba.data()));
    ASSERT_TRUE(closeVideoFile(video)) << video.error;

    const Decoded decoded = readBack(path);
    ASSERT_EQ(decoded.frames.size(), 1u);
    EXPECT_EQ(decoded.colorSpace, AVCOL_SPC_BT709);
    EXPECT_EQ(decoded.colorRange, AVCOL_RANGE_MPEG);
    const unsigned char* y = decoded.frames[0].data();
    const unsigned char* u = y + width * height;
    const unsigned char* v = u + width * height / 4;
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

// The preview's view of an entry is the show's frame there: the same alone or after other
// views of the stars, and the same as the recorder's frame.
TEST_F(RecorderTest, PreviewShowsTheStarsAsTheShowHasThem) {
    const std::string entry = std::to_string(earlyStarsEntry);
    const std::string view = "/view_" + entry + ".png";
    const ProgramRun alone = runProgram(PREVIEW_BINARY, {"--out", file("alone"), "--only", entry});
    ASSERT_EQ(alone.status, 0) << joinedLines(alone.lines);
    const ProgramRun after =
        runProgram(PREVIEW_BINARY, {"--out", file("after"), "--only", "8792", "8600", entry});
    ASSERT_EQ(after.status, 0) << joinedLines(after.lines);
    int width = 0;
    int height = 0;
    std::vector<unsigned char> first;
    std::vector<unsigned char> later;
    ASSERT_TRUE(readRgbPng(file("alone") + view, width, height, first));
    ASSERT_TRUE(readRgbPng(file("after") + view, width, height, later));
    EXPECT_EQ(psnr(first, later), 99.0) << "the views before it changed the picture";

    const std::string clip = file("frame.mp4");
    const ProgramRun record = runRecorder({clip, "--from", std::to_string(earlyStarsEntry / 60.0),
                                           "--to", std::to_string((earlyStarsEntry + 1) / 60.0)});
    ASSERT_EQ(record.status, 0) << joinedLines(record.lines);
    const Decoded decoded = readBack(clip);
    ASSERT_FALSE(decoded.frames.empty());
    EXPECT_GE(psnr(recorderPlanes(first), decoded.frames[0]), minPsnr);
}

TEST_F(RecorderTest, InterruptedRecordingPlaysUpToWhereItStopped) {
    const std::string clip = file("interrupted.mp4");
    bool sent = false;
    const ProgramRun run =
        runRecorder({clip, "--from", "140"}, [&](const std::string& line, pid_t pid) {
            if (!sent && line.rfind("frame ", 0) == 0) {
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
    const std::string out = file("refused.mp4");
    const std::string unwritable = file("no/such/folder/x.mp4");
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
        {{out, "--fps"}, "--fps needs a value"},
    };
    for (const Refusal& refusal : refusals) {
        const ProgramRun run = runRecorder(refusal.args);
        EXPECT_NE(run.status, 0) << refusal.named;
        ASSERT_EQ(run.lines.size(), 1u) << joinedLines(run.lines);
        EXPECT_NE(run.lines[0].find(refusal.named), std::string::npos) << run.lines[0];
        EXPECT_TRUE(fs::is_empty(folder)) << refusal.named;
    }
}

} // namespace
