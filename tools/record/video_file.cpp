#include "video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

constexpr const char* videoEncoder = "libx264";
// Fast enough to hide behind a software-rendered frame; the quality comes from the CRF.
constexpr const char* videoPreset = "faster";
// Spends more bits on flat dark areas, where the night sky would otherwise band. The lookahead
// runs on the encoding threads (sync-lookahead=0) rather than on a thread of its own that
// buffers pictures ahead: the same stream with four pictures fewer in memory, and no slower
// behind a software-rendered frame.
constexpr const char* videoTuning = "aq-mode=3:rc-lookahead=10:threads=2:sync-lookahead=0";
constexpr int keyframeSeconds = 2;
constexpr int audioChannels = 2;
constexpr int64_t audioBitRate = 192000;
// Disk space kept allocated ahead of what is written: when the disk fills, the recording
// stops while there is still room to finish the pictures in flight and write the index.
constexpr off_t spaceAhead = 32 << 20;
constexpr int rgbaBytes = 4;
// Brightness, contrast and saturation left as they are (16.16 fixed point).
constexpr int unitBrightness = 0;
constexpr int unitContrast = 1 << 16;
constexpr int unitSaturation = 1 << 16;
constexpr int fullRange = 1;
constexpr int limitedRange = 0;

bool fail(VideoFile& file, const std::string& what, int code) {
    if (file.error.empty()) {
        char reason[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(code, reason, sizeof reason);
        file.error = "ERROR::RECORD:: " + what + " " + file.path + " (" + reason + ")";
    }
    return false;
}

// Hands every packet the encoder has ready to the container.
bool drain(VideoFile& file, AVCodecContext* codec, AVStream* stream) {
    for (;;) {
        int result = avcodec_receive_packet(codec, file.packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return true;
        }
        if (result < 0) {
            return fail(file, "Cannot encode", result);
        }
        av_packet_rescale_ts(file.packet, codec->time_base, stream->time_base);
        file.packet->stream_index = stream->index;
        result = av_interleaved_write_frame(file.container, file.packet);
        if (result >= 0 && file.container->pb->error < 0) {
            result = file.container->pb->error;
        }
        if (result < 0) {
            return fail(file, "Cannot write", result);
        }
    }
}

bool encode(VideoFile& file, AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
    const int result = avcodec_send_frame(codec, frame);
    if (result < 0) {
        return fail(file, "Cannot encode", result);
    }
    return drain(file, codec, stream);
}

AVStream* addStream(VideoFile& file, AVCodecContext* codec) {
    if (file.container->oformat->flags & AVFMT_GLOBALHEADER) {
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    return avformat_new_stream(file.container, nullptr);
}

bool openStream(VideoFile& file, AVCodecContext* codec, AVStream* stream, AVDictionary** options) {
    int result = avcodec_open2(codec, codec->codec, options);
    if (result >= 0) {
        result = avcodec_parameters_from_context(stream->codecpar, codec);
    }
    stream->time_base = codec->time_base;
    return result >= 0 || fail(file, "Cannot set up the encoder for", result);
}

bool startVideo(VideoFile& file, const VideoFormat& format) {
    const AVCodec* codec = avcodec_find_encoder_by_name(videoEncoder);
    if (codec == nullptr) {
        return fail(file, "No H.264 encoder (libx264) for", AVERROR_ENCODER_NOT_FOUND);
    }
    file.video = avcodec_alloc_context3(codec);
    AVCodecContext& video = *file.video;
    video.width = format.width;
    video.height = format.height;
    video.time_base = AVRational{1, format.fps};
    video.framerate = AVRational{format.fps, 1};
    video.pix_fmt = AV_PIX_FMT_YUV420P;
    video.gop_size = keyframeSeconds * format.fps;
    video.color_range = AVCOL_RANGE_MPEG;
    video.color_primaries = AVCOL_PRI_BT709;
    video.color_trc = AVCOL_TRC_BT709;
    video.colorspace = AVCOL_SPC_BT709;
    file.videoStream = addStream(file, file.video);

    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", videoPreset, 0);
    av_dict_set_int(&options, "crf", format.crf, 0);
    av_dict_set(&options, "x264-params", videoTuning, 0);
    const bool opened = openStream(file, file.video, file.videoStream, &options);
    av_dict_free(&options);
    if (!opened) {
        return false;
    }
    file.videoStream->avg_frame_rate = video.framerate;

    file.converter = createPictureConverter(format.width, format.height);
    file.picture = av_frame_alloc();
    file.picture->format = AV_PIX_FMT_YUV420P;
    file.picture->width = format.width;
    file.picture->height = format.height;
    file.picture->color_range = video.color_range;
    file.picture->color_primaries = video.color_primaries;
    file.picture->color_trc = video.color_trc;
    file.picture->colorspace = video.colorspace;
    const int result = av_frame_get_buffer(file.picture, 0);
    return result >= 0 || fail(file, "Out of memory for", result);
}

bool startAudio(VideoFile& file, const VideoFormat& format) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (codec == nullptr) {
        return fail(file, "No AAC encoder for", AVERROR_ENCODER_NOT_FOUND);
    }
    file.audio = avcodec_alloc_context3(codec);
    AVCodecContext& audio = *file.audio;
    audio.sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio.sample_rate = format.sampleRate;
    audio.bit_rate = audioBitRate;
    audio.time_base = AVRational{1, format.sampleRate};
    av_channel_layout_default(&audio.ch_layout, audioChannels);
    file.audioStream = addStream(file, file.audio);
    if (!openStream(file, file.audio, file.audioStream, nullptr)) {
        return false;
    }
    file.sound = av_frame_alloc();
    file.sound->format = audio.sample_fmt;
    file.sound->sample_rate = audio.sample_rate;
    file.sound->nb_samples = audio.frame_size;
    av_channel_layout_copy(&file.sound->ch_layout, &audio.ch_layout);
    const int result = av_frame_get_buffer(file.sound, 0);
    return result >= 0 || fail(file, "Out of memory for", result);
}

// Encodes the first count pending samples as one AAC frame.
bool encodeSound(VideoFile& file, int count) {
    int result = av_frame_make_writable(file.sound);
    if (result < 0) {
        return fail(file, "Out of memory for", result);
    }
    file.sound->nb_samples = count;
    std::copy_n(file.pendingLeft.begin(), count, reinterpret_cast<float*>(file.sound->data[0]));
    std::copy_n(file.pendingRight.begin(), count, reinterpret_cast<float*>(file.sound->data[1]));
    file.pendingLeft.erase(file.pendingLeft.begin(), file.pendingLeft.begin() + count);
    file.pendingRight.erase(file.pendingRight.begin(), file.pendingRight.begin() + count);
    file.sound->pts = file.samplesWritten;
    file.samplesWritten += count;
    return encode(file, file.audio, file.audioStream, file.sound);
}

// Allocates spaceAhead bytes past the write position once half of the last allocation is
// used. A file system without preallocation just goes without the margin.
bool keepSpaceAhead(VideoFile& file) {
    const off_t position = static_cast<off_t>(avio_tell(file.container->pb));
    if (file.spaceFd < 0 || position + spaceAhead / 2 < file.allocatedTo) {
        return true;
    }
    if (fallocate(file.spaceFd, FALLOC_FL_KEEP_SIZE, position, spaceAhead) == 0) {
        file.allocatedTo = position + spaceAhead;
        return true;
    }
    if (errno != ENOSPC) {
        close(file.spaceFd);
        file.spaceFd = -1;
        return true;
    }
    file.diskFull = true;
    return fail(file, "The disk is full: stopped writing", AVERROR(ENOSPC));
}

void release(VideoFile& file) {
    if (file.spaceFd >= 0) {
        close(file.spaceFd);
        file.spaceFd = -1;
    }
    if (file.container != nullptr) {
        avio_closep(&file.container->pb);
        avformat_free_context(file.container);
        file.container = nullptr;
    }
    avcodec_free_context(&file.video);
    avcodec_free_context(&file.audio);
    av_frame_free(&file.picture);
    av_frame_free(&file.sound);
    av_packet_free(&file.packet);
    sws_freeContext(file.converter);
    file.converter = nullptr;
}

} // namespace

bool createVideoFile(VideoFile& file, const std::string& path) {
    // FFmpeg's own reports stay out of the output, but for its errors.
    av_log_set_level(AV_LOG_ERROR);
    file.path = path;
    int result = avformat_alloc_output_context2(&file.container, nullptr, "mp4", path.c_str());
    if (result < 0) {
        return fail(file, "Cannot write", result);
    }
    result = avio_open(&file.container->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) {
        fail(file, "Cannot write", result);
        release(file);
        return false;
    }
    file.packet = av_packet_alloc();
    file.spaceFd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    return true;
}

bool startStreams(VideoFile& file, const VideoFormat& format) {
    if (!startVideo(file, format) || (format.sampleRate > 0 && !startAudio(file, format))) {
        return false;
    }
    const int result = avformat_write_header(file.container, nullptr);
    if (result < 0) {
        return fail(file, "Cannot write", result);
    }
    file.headerWritten = true;
    return true;
}

bool writePicture(VideoFile& file, const unsigned char* rgbaBottomUp) {
    if (!file.error.empty()) {
        return false;
    }
    const int result = av_frame_make_writable(file.picture);
    if (result < 0) {
        return fail(file, "Out of memory for", result);
    }
    convertPicture(file.converter, rgbaBottomUp, file.picture->width, file.picture->height,
                   file.picture);
    file.picture->pts = file.picturesWritten++;
    return encode(file, file.video, file.videoStream, file.picture) && keepSpaceAhead(file);
}

bool writeSound(VideoFile& file, const float* left, const float* right, int count) {
    if (!file.error.empty()) {
        return false;
    }
    file.pendingLeft.insert(file.pendingLeft.end(), left, left + count);
    file.pendingRight.insert(file.pendingRight.end(), right, right + count);
    const size_t frameSize = static_cast<size_t>(file.audio->frame_size);
    while (file.pendingLeft.size() >= frameSize) {
        if (!encodeSound(file, file.audio->frame_size)) {
            return false;
        }
    }
    return true;
}

bool closeVideoFile(VideoFile& file) {
    if (file.headerWritten && (file.error.empty() || file.diskFull)) {
        // The last AAC frame may be short, so the sound ends with the pictures.
        const bool drained =
            (file.audio == nullptr || file.pendingLeft.empty() ||
             encodeSound(file, static_cast<int>(file.pendingLeft.size()))) &&
            encode(file, file.video, file.videoStream, nullptr) &&
            (file.audio == nullptr || encode(file, file.audio, file.audioStream, nullptr));
        if (drained) {
            const int result = av_write_trailer(file.container);
            if (result < 0 || file.container->pb->error < 0) {
                fail(file, "Cannot write", result < 0 ? result : file.container->pb->error);
            }
        }
    }
    if (file.container != nullptr && file.container->pb != nullptr) {
        avio_flush(file.container->pb);
        if (file.container->pb->error < 0) {
            fail(file, "Cannot write", file.container->pb->error);
        }
    }
    release(file);
    return file.error.empty();
}

void discardVideoFile(VideoFile& file) {
    release(file);
    if (!file.path.empty()) {
        std::remove(file.path.c_str());
    }
}

SwsContext* createPictureConverter(int width, int height) {
    SwsContext* converter = sws_getContext(
        width, height, AV_PIX_FMT_RGBA, width, height, AV_PIX_FMT_YUV420P,
        SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    // Full-range RGB in, limited-range BT.709 out.
    sws_setColorspaceDetails(converter, bt709, fullRange, bt709, limitedRange, unitBrightness,
                             unitContrast, unitSaturation);
    return converter;
}

void convertPicture(SwsContext* converter, const unsigned char* rgbaBottomUp, int width, int height,
                    AVFrame* yuv) {
    // GL's rows run bottom up: start at the last row and step backwards.
    const int stride = width * rgbaBytes;
    const uint8_t* top = rgbaBottomUp + static_cast<size_t>(height - 1) * stride;
    const int negativeStride = -stride;
    sws_scale(converter, &top, &negativeStride, 0, height, yuv->data, yuv->linesize);
}
