#pragma once

// Background music through OpenAL, behind the two calls of the sound library the demo was
// written against: create an engine once, then start a file playing and forget it.
namespace irrklang {

// OpenAL is the only output; both names choose it.
enum E_SOUND_OUTPUT_DRIVER {
    ESOD_AUTO_DETECT = 0,
    ESOD_OPENAL,
};

// Accepted for compatibility; the engine behaves the same whatever is passed.
enum E_SOUND_ENGINE_OPTIONS {
    ESEO_DEFAULT_OPTIONS = 0x3D,
};

// Files are always streamed; the mode is accepted for compatibility.
enum E_STREAM_MODE {
    ESM_AUTO_DETECT = 0,
    ESM_STREAMING,
    ESM_NO_STREAMING,
};

// A playing sound, owned by the engine that started it.
class ISound;

class ISoundEngine {
  public:
    // Stops every sound it started and closes the output device.
    virtual ~ISoundEngine() = default;

    // Starts the file playing in the background at once. Returns null, after printing one
    // line, when the file cannot be decoded. Only the file, looping and pausing matter.
    virtual ISound* play2D(const char* soundFileName, bool playLooped = false,
                           bool startPaused = false, bool track = false,
                           E_STREAM_MODE streamMode = ESM_AUTO_DETECT,
                           bool enableSoundEffects = false) = 0;
};

// Opens the default output device (or the named one); null, after printing one line, when
// there is none. The engine's sounds are stopped when the process exits, even if it is
// never deleted.
ISoundEngine* createIrrKlangDevice(E_SOUND_OUTPUT_DRIVER driver = ESOD_AUTO_DETECT,
                                   int options = ESEO_DEFAULT_OPTIONS,
                                   const char* deviceID = nullptr,
                                   const char* sdkVersion = "1.5.0");

} // namespace irrklang
