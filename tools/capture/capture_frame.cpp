// Renders exactly one frame of the show, path entry ENTRY, and exits: the program that
// scripts/capture.sh runs under a frame debugger. The light and the stars are caught up
// as the recorder does, so the frame is the one the recording shows at that entry.
// Usage: capture_frame [--check] ENTRY   (--check only tells whether ENTRY is on the path and
// the show's data is found). It finds the data as the demo does.
#include "app/camera_path.h"
#include "scene/scene.h"
#include "show/clock.h"
#include "show/data.h"
#include "show/window.h"

#include <GLFW/glfw3.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace {

constexpr const char* toolName = "the frame capture";
constexpr int usageStatus = 2;
constexpr int failureStatus = 1;
constexpr const char* silentSoundDriver = "null";
constexpr const char* checkFlag = "--check";

std::string usage() {
    return "usage: scripts/capture.sh [--renderdoc] ENTRY [OUT_DIR]  (ENTRY: a camera path entry, "
           "0 to " +
           std::to_string(cameraPath.size() - 1) + ")";
}

// Digits only, and on the path.
bool parseEntry(const std::string& text, long& entry) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    entry = std::stol(text);
    return entry < static_cast<long>(cameraPath.size());
}

} // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::string(argv[1]) == checkFlag;
    // The entries are those of the path in the run directory.
    if (!enterToolRunDirectory(toolName)) {
        return failureStatus;
    }
    long entry = 0;
    if ((argc != 2 && !check) || !parseEntry(argv[argc - 1], entry)) {
        std::cerr << usage() << std::endl;
        return usageStatus;
    }
    if (check) {
        return 0;
    }

    startReadingSceneFiles();
    if (openDemoWindow(false) == nullptr) {
        std::cerr << "capture: no OpenGL 3.3 core context (is there a display?)" << std::endl;
        return failureStatus;
    }
    setDemoGlState();
    setenv("ALSOFT_DRIVERS", silentSoundDriver, 1);
    auto scene = std::make_unique<Scene>();
    if (!dataComplete(missingSceneData(*scene), toolName)) {
        scene.reset();
        glfwTerminate();
        return failureStatus;
    }
    bringSceneTo(*scene, saveRunState(*scene), entry, showFrameRate);
    scene->render(showTime(entry, showFrameRate));
    glfwSwapBuffers(glfwGetCurrentContext());
    std::cout << "capture: rendered path entry " << entry << " (" << showTime(entry, showFrameRate)
              << " s of the show)" << std::endl;
    scene.reset();
    glfwTerminate();
    return 0;
}
