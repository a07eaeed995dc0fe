#include "scene/sound.h"

#include "gfx/regular_file.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int bufferCount = 4;
// Each buffer holds a quarter of a second, so the queue covers a full second of stalls.
constexpr int buffersPerSecond = 4;
constexpr auto refillInterval = std::chrono::milliseconds(15);
constexpr float musicGain = 0.8f;
constexpr int maxChannels = 2;
constexpr float fullScale16 = 32767.0f;

} // namespace

namespace irrklang {

// One file streaming on a thread of its own. Once started, the thread alone touches the
// OpenAL source and the decoder; the rest only asks it to stop and waits for it.
class ISound {
  public:
    SNDFILE* file = nullptr;
    int channels = 0;
    int sampleRate = 0;
    bool looped = false;
    bool paused = false;
    ALCcontext* context = nullptr;
    PFNALCSETTHREADCONTEXTPROC setThreadContext = nullptr;
    std::atomic<bool> stopRequested{false};
    std::thread worker;
};

} // namespace irrklang

namespace {

using irrklang::ISound;

// Decodes the next stretch of the file into the buffer, going on from the start when looped
// so the loop point has no gap. False once the file has nothing more to give.
bool fillBuffer(ISound& sound, ALuint buffer, std::vector<float>& decoded,
                std::vector<short>& samples) {
    const sf_count_t capacity = static_cast<sf_count_t>(decoded.size()) / sound.channels;
    sf_count_t filled = 0;
    bool rewound = false;
    while (filled < capacity) {
        const sf_count_t read =
            sf_readf_float(sound.file, decoded.data() + filled * sound.channels, capacity - filled);
        filled += read;
        if (read > 0) {
            rewound = false;
            continue;
        }
        // A file that gives nothing even from its start would otherwise spin here forever.
        if (!sound.looped || rewound || sf_seek(sound.file, 0, SEEK_SET) < 0) {
            break;
        }
        rewound = true;
    }
    if (filled == 0) {
        return false;
    }
    // Decoded as floats: reading float-coded files as shorts gives silence, not scaled PCM.
    const size_t count = static_cast<size_t>(filled * sound.channels);
    for (size_t i = 0; i < count; ++i) {
        samples[i] =
            static_cast<short>(std::lround(std::clamp(decoded[i], -1.0f, 1.0f) * fullScale16));
    }
    const ALenum format = sound.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    alBufferData(buffer, format, samples.data(), static_cast<ALsizei>(count * sizeof(short)),
                 sound.sampleRate);
    return true;
}

// Keeps the source fed until asked to stop, or until a sound played once has finished.
void feedSource(ISound& sound, ALuint source, const ALuint* buffers) {
    const size_t framesPerBuffer =
        static_cast<size_t>(std::max(1, sound.sampleRate / buffersPerSecond));
    std::vector<float> decoded(framesPerBuffer * static_cast<size_t>(sound.channels));
    std::vector<short> samples(decoded.size());

    alSourcef(source, AL_GAIN, musicGain);
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    for (int i = 0; i < bufferCount && fillBuffer(sound, buffers[i], decoded, samples); ++i) {
        alSourceQueueBuffers(source, 1, &buffers[i]);
    }
    while (!sound.stopRequested) {
        ALint processed = 0;
        alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
        for (; processed > 0; --processed) {
            ALuint buffer = 0;
            alSourceUnqueueBuffers(source, 1, &buffer);
            if (fillBuffer(sound, buffer, decoded, samples)) {
                alSourceQueueBuffers(source, 1, &buffer);
            }
        }
        ALint queued = 0;
        ALint state = AL_INITIAL;
        alGetSourcei(source, AL_BUFFERS_QUEUED, &queued);
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        if (queued == 0) {
            return;
        }
        // Starts the source, and starts it again if it ran dry waiting for data.
        if (!sound.paused && state != AL_PLAYING) {
            alSourcePlay(source);
        }
        std::this_thread::sleep_for(refillInterval);
    }
}

void streamSound(ISound& sound) {
    if (sound.setThreadContext != nullptr) {
        sound.setThreadContext(sound.context);
    }
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() == AL_NO_ERROR) {
        ALuint buffers[bufferCount] = {};
        alGenBuffers(bufferCount, buffers);
        if (alGetError() == AL_NO_ERROR) {
            feedSource(sound, source, buffers);
            alSourceStop(source);
            alSourcei(source, AL_BUFFER, 0);
            alDeleteBuffers(bufferCount, buffers);
        }
        alDeleteSources(1, &source);
    }
    if (sound.setThreadContext != nullptr) {
        sound.setThreadContext(nullptr);
    }
}

// Libraries that write lines of their own to standard error (libmpg123 on bytes it cannot
// parse, ALSA on a machine without a sound card) are silenced for the one call that makes
// them; our own line says what went wrong.
template <typename Call> auto withoutStandardError(Call call) {
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int discard = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && discard >= 0) {
        dup2(discard, STDERR_FILENO);
    }
    auto result = call();
    std::fflush(stderr);
    if (saved >= 0) {
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
    if (discard >= 0) {
        close(discard);
    }
    return result;
}

// The file opened for decoding, or null with the reason: only a regular file that is
// not empty is handed to libsndfile (a FIFO would block it).
SNDFILE* openSoundFile(const std::string& fileName, SF_INFO& info, std::string& reason) {
    std::FILE* file = openRegularFile(fileName.c_str(), reason);
    if (file == nullptr) {
        return nullptr;
    }
    struct stat status {};
    if (fstat(fileno(file), &status) != 0 || status.st_size == 0) {
        std::fclose(file);
        reason = "the file is empty";
        return nullptr;
    }
    const int descriptor = dup(fileno(file));
    std::fclose(file);
    if (descriptor < 0) {
        reason = "cannot be opened";
        return nullptr;
    }
    SNDFILE* sound =
        withoutStandardError([&] { return sf_open_fd(descriptor, SFM_READ, &info, SF_TRUE); });
    if (sound == nullptr) {
        reason = std::string("not a sound file it can decode: ") + sf_strerror(nullptr);
    }
    return sound;
}

void reportUnplayable(const std::string& fileName, const std::string& reason) {
    std::cout << "ERROR::SOUND:: Cannot play " << fileName << " (" << reason << ")" << std::endl;
}

class OpenAlEngine final : public irrklang::ISoundEngine {
  public:
    OpenAlEngine(ALCdevice* device, ALCcontext* context);
    ~OpenAlEngine() override;
    ISound* play2D(const char* soundFileName, bool playLooped, bool startPaused, bool track,
                   irrklang::E_STREAM_MODE streamMode, bool enableSoundEffects) override;
    // Stops every sound and closes the device; later calls do nothing.
    void shutDown();

  private:
    std::mutex mutex;
    ALCdevice* device;
    ALCcontext* context;
    PFNALCSETTHREADCONTEXTPROC setThreadContext = nullptr;
    std::vector<std::unique_ptr<ISound>> sounds;
};

// Engines the demo never deletes still have to stop their threads before the process tears
// down OpenAL and the C++ runtime underneath them.
std::mutex liveEnginesMutex;
std::vector<OpenAlEngine*> liveEngines;
std::once_flag exitHandlerRegistered;

void shutDownLiveEngines() {
    std::lock_guard<std::mutex> lock(liveEnginesMutex);
    for (OpenAlEngine* engine : liveEngines) {
        engine->shutDown();
    }
}

OpenAlEngine::OpenAlEngine(ALCdevice* device, ALCcontext* context)
    : device(device), context(context) {
    // Without thread-local contexts the workers share the process-wide current one.
    if (alcIsExtensionPresent(device, "ALC_EXT_thread_local_context") == ALC_TRUE) {
        setThreadContext = reinterpret_cast<PFNALCSETTHREADCONTEXTPROC>(
            alcGetProcAddress(device, "alcSetThreadContext"));
    }
    alcMakeContextCurrent(context);
    std::lock_guard<std::mutex> lock(liveEnginesMutex);
    liveEngines.push_back(this);
}

OpenAlEngine::~OpenAlEngine() {
    {
        std::lock_guard<std::mutex> lock(liveEnginesMutex);
        liveEngines.erase(std::remove(liveEngines.begin(), liveEngines.end(), this),
                          liveEngines.end());
    }
    shutDown();
}

ISound* OpenAlEngine::play2D(const char* soundFileName, bool playLooped, bool startPaused, bool,
                             irrklang::E_STREAM_MODE, bool) {
    const std::string fileName = soundFileName != nullptr ? soundFileName : "";
    std::lock_guard<std::mutex> lock(mutex);
    if (device == nullptr) {
        reportUnplayable(fileName, "the sound device is closed");
        return nullptr;
    }
    SF_INFO info{};
    std::string reason;
    SNDFILE* file = openSoundFile(fileName, info, reason);
    if (file == nullptr) {
        reportUnplayable(fileName, reason);
        return nullptr;
    }
    if (info.frames <= 0 || info.channels < 1 || info.channels > maxChannels) {
        sf_close(file);
        reportUnplayable(fileName, info.frames <= 0 ? "no sound in it" : "more than two channels");
        return nullptr;
    }
    auto sound = std::make_unique<ISound>();
    sound->file = file;
    sound->channels = info.channels;
    sound->sampleRate = info.samplerate;
    sound->looped = playLooped;
    sound->paused = startPaused;
    sound->context = context;
    sound->setThreadContext = setThreadContext;
    try {
        sound->worker = std::thread(streamSound, std::ref(*sound));
    } catch (const std::system_error& error) {
        sf_close(file);
        reportUnplayable(fileName, error.what());
        return nullptr;
    }
    sounds.push_back(std::move(sound));
    return sounds.back().get();
}

void OpenAlEngine::shutDown() {
    std::lock_guard<std::mutex> lock(mutex);
    for (const std::unique_ptr<ISound>& sound : sounds) {
        sound->stopRequested = true;
    }
    for (const std::unique_ptr<ISound>& sound : sounds) {
        if (sound->worker.joinable()) {
            sound->worker.join();
        }
        sf_close(sound->file);
    }
    sounds.clear();
    if (device == nullptr) {
        return;
    }
    if (alcGetCurrentContext() == context) {
        alcMakeContextCurrent(nullptr);
    }
    alcDestroyContext(context);
    alcCloseDevice(device);
    context = nullptr;
    device = nullptr;
}

} // namespace

namespace irrklang {

ISoundEngine* createIrrKlangDevice(E_SOUND_OUTPUT_DRIVER, int, const char* deviceID, const char*) {
    ALCdevice* device = withoutStandardError([&] { return alcOpenDevice(deviceID); });
    ALCcontext* context =
        device != nullptr ? withoutStandardError([&] { return alcCreateContext(device, nullptr); })
                          : nullptr;
    if (context == nullptr) {
        if (device != nullptr) {
            alcCloseDevice(device);
        }
        std::cout << "ERROR::SOUND:: No sound device, playing without music" << std::endl;
        return nullptr;
    }
    // OpenAL is initialised by now, so the handler runs before OpenAL's own teardown.
    std::call_once(exitHandlerRegistered, [] { std::atexit(shutDownLiveEngines); });
    return new OpenAlEngine(device, context);
}

} // namespace irrklang
