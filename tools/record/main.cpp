// Records the show to an MP4 file with its music, frame by frame on a virtual clock, however
// slowly each frame renders. It finds the show's data as the demo does; see --help.
#include "app/camera_path.h"
#include "gfx/screen.h"
#include "recorder.h"
#include "scene/scene.h"
#include "show/clock.h"
#include "show/data.h"
#include "show/progress.h"
#include "show/stop.h"
#include "show/window.h"

#include <GLFW/glfw3.h>
#include <malloc.h>
#include <sys/prctl.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* toolName = "the recorder";
constexpr int usageStatus = 2;
constexpr int failureStatus = 1;
// Keeps the music of the Scene's own engine out of the speakers while recording.
constexpr const char* silentSoundDriver = "null";
// Blocks from this size up (the encoder's pictures, the driver's textures and targets) are
// mapped on their own and given back when freed. glibc would otherwise raise this bound as
// large blocks are freed, and the holes they leave in the heap stay resident.
constexpr int ownMappingBytes = 1 << 20;
// Free space at the top of the heap is given back only beyond this: the driver frees and takes
// again a few MB of draw data every frame, which would otherwise be unmapped and faulted back
// in each time. (Setting the bound above stops glibc from adjusting this one as well.)
constexpr int keptHeapTopBytes = 8 << 20;

// What the recording needs and the Scene could not build, and the music, as the demo would
// be playing it at the first frame: a recording without it is no recording of the show.
std::vector<std::string> missingRecordingData(Recording& recording, const Scene& scene,
                                              double startSeconds) {
    std::vector<std::string> missing = missingSceneData(scene);
    std::string reason;
    if (!openMusicTrack(recording.music, musicPath, startSeconds, reason)) {
        missing.push_back(std::string("the music ") + musicPath + " cannot be played (" + reason +
                          ")");
    }
    return missing;
}

// The recording runs for an hour and holds the largest pictures in the program: its peak
// memory is kept down with settings that change nothing it writes.
void limitMemory() {
    mallopt(M_MMAP_THRESHOLD, ownMappingBytes);
    mallopt(M_TRIM_THRESHOLD, keptHeapTopBytes);
    // x264 asks for transparent huge pages for its pictures, which makes whole 2 MB pages
    // resident where only part of one is used.
    prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    limitMemory();
    RecordOptions options;
    std::string error;
    if (!parseRecordOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << error << std::endl;
        return usageStatus;
    }
    if (options.help) {
        std::cout << recordHelp();
        return 0;
    }
    options.output = fromStartFolder(options.output, defaultRecordingPath);
    if (!enterToolRunDirectory(toolName)) {
        return failureStatus;
    }
    const FrameSpan span = framesToRecord(options, cameraPath.size());
    if (span.first >= span.end) {
        std::cerr << "record: no frame lies between --from and --to; " << recordUsage << std::endl;
        return usageStatus;
    }

    // Before anything is rendered: a file that cannot be written fails at once.
    auto recording = std::make_unique<Recording>();
    if (!createVideoFile(recording->file, options.output)) {
        std::cerr << recording->file.error << std::endl;
        return failureStatus;
    }
    // From here a stop request ends the recording after its current frame.
    installStopHandlers();
    startReadingSceneFiles();
    GLFWwindow* window = openHiddenWindow(screenWidth, screenHeight, "Lanternfall recorder");
    if (window == nullptr) {
        std::cerr << "ERROR::RECORD:: No OpenGL 3.3 core context for the recorder" << std::endl;
        discardVideoFile(recording->file);
        return failureStatus;
    }
    setDemoGlState();
    setenv("ALSOFT_DRIVERS", silentSoundDriver, 1);
    auto scene = std::make_unique<Scene>();
    if (!dataComplete(missingRecordingData(*recording, *scene, showTime(span.first, options.fps)),
                      toolName)) {
        discardVideoFile(recording->file);
        glfwTerminate();
        return failureStatus;
    }
    if (!startRecording(*recording, options, span.first)) {
        std::cerr << recording->file.error << std::endl;
        discardVideoFile(recording->file);
        glfwTerminate();
        return failureStatus;
    }

    catchUp(*scene, 0, span.first, options.fps);
    const long total = span.end - span.first;
    ProgressPrinter progress = progressOnStandardError();
    const auto start = std::chrono::steady_clock::now();
    const auto report = [&](bool last) {
        showProgress(progress, recording->next - recording->first, total,
                     showTime(recording->next - 1, options.fps), secondsSince(start), last);
    };
    while (recording->next < span.end && stopSignal == 0 && !encoderFailed(recording->encoder)) {
        recordFrame(*recording, *scene);
        report(false);
    }
    report(true);
    const bool written = finishRecording(*recording);
    const double elapsed = secondsSince(start);
    glfwTerminate();

    // Frames that reached the file: after a write failure, fewer than were rendered.
    const long done = recording->encoder.picturesWritten;
    if (!written) {
        std::cerr << recording->file.error << std::endl;
        std::cerr << "Stopped: " << options.output << " holds the first " << done << " of " << total
                  << " frames." << std::endl;
        return failureStatus;
    }
    std::cerr << (stopSignal != 0 ? "Interrupted: recorded " : "Recorded ") << done << " of "
              << total << " frames (" << showTime(recording->first, options.fps) << " s to "
              << showTime(recording->first + done, options.fps) << " s of the show) to "
              << options.output << " in " << static_cast<long>(elapsed) << " s, "
              << (done > 0 ? elapsed / static_cast<double>(done) : 0.0) << " s per frame."
              << std::endl;
    return statusAfterStop();
}
