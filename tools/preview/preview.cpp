// Renders the demo's Scene from entries of the scripted camera path, each as the show at
// 60 frames per second has it (the light on its route, the stars), and writes one PNG per
// view plus a contact sheet. It finds the show's data as the demo does.
#include "app/camera_path.h"
#include "gfx/screen.h"
#include "scene/scene.h"
#include "show/clock.h"
#include "show/data.h"
#include "show/window.h"

#include <GLFW/glfw3.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr const char* usage =
    "usage: preview [--out FOLDER] [--only] [PATH_ENTRY ...]  (--only: just the entries given, "
    "not the 16 along the path)";
constexpr const char* defaultOutFolder = "build/preview";
constexpr const char* toolName = "the preview";
constexpr int evenlySpreadViews = 16;
constexpr int sheetColumns = 4;
constexpr int thumbnailShrink = 4;

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb; // rows top first
};

bool writePng(const std::string& path, const Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr) != 0;
}

Image readWindow() {
    Image image{screenWidth, screenHeight, {}};
    image.rgb.resize(static_cast<size_t>(screenWidth) * screenHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const size_t row = static_cast<size_t>(screenWidth) * 3;
    std::vector<unsigned char> bottomUp(image.rgb.size());
    glReadPixels(0, 0, screenWidth, screenHeight, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    for (int y = 0; y < screenHeight; ++y) {
        std::copy_n(bottomUp.begin() + static_cast<long>((screenHeight - 1 - y) * row), row,
                    image.rgb.begin() + static_cast<long>(y * row));
    }
    return image;
}

void pasteThumbnail(Image& sheet, const Image& view, int slot) {
    const int w = view.width / thumbnailShrink;
    const int h = view.height / thumbnailShrink;
    const int left = (slot % sheetColumns) * w;
    const int top = (slot / sheetColumns) * h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < thumbnailShrink; ++dy) {
                    for (int dx = 0; dx < thumbnailShrink; ++dx) {
                        const size_t at = static_cast<size_t>(y * thumbnailShrink + dy) *
                                              static_cast<size_t>(view.width) +
                                          static_cast<size_t>(x * thumbnailShrink + dx);
                        sum += view.rgb[at * 3 + static_cast<size_t>(c)];
                    }
                }
                const size_t to = static_cast<size_t>(top + y) * static_cast<size_t>(sheet.width) +
                                  static_cast<size_t>(left + x);
                sheet.rgb[to * 3 + static_cast<size_t>(c)] =
                    static_cast<unsigned char>(sum / (thumbnailShrink * thumbnailShrink));
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string outFolder = defaultOutFolder;
    bool onlyGiven = false;
    std::vector<int> given;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--out" && i + 1 < argc) {
            outFolder = argv[++i];
        } else if (std::string(argv[i]) == "--only") {
            onlyGiven = true;
        } else {
            given.push_back(std::atoi(argv[i]));
        }
    }
    outFolder = fromStartFolder(outFolder, defaultOutFolder);
    if (!enterToolRunDirectory(toolName)) {
        return 1;
    }
    // The path is the run directory's.
    const int last = static_cast<int>(cameraPath.size()) - 1;
    for (int& entry : given) {
        entry = std::clamp(entry, 0, last);
    }
    if (onlyGiven && given.empty()) {
        std::fprintf(stderr, "%s\n", usage);
        return 2;
    }
    std::vector<int> entries;
    for (int i = 0; i < evenlySpreadViews && !onlyGiven; ++i) {
        entries.push_back(last * i / (evenlySpreadViews - 1));
    }
    entries.insert(entries.end(), given.begin(), given.end());

    startReadingSceneFiles();
    if (openHiddenWindow(screenWidth, screenHeight, "Lanternfall preview") == nullptr) {
        std::fprintf(stderr, "preview: no OpenGL 3.3 context (is there a display?)\n");
        return 1;
    }
    // The same fixed state as the demo; pictures need no music.
    setDemoGlState();
    setenv("ALSOFT_DRIVERS", "null", 0);
    Scene scene;
    if (!dataComplete(missingSceneData(scene), toolName)) {
        glfwTerminate();
        return 1;
    }
    const SceneRunState showStart = saveRunState(scene);

    // Views of an earlier run would mix with this one's.
    std::filesystem::create_directories(outFolder);
    for (const auto& file : std::filesystem::directory_iterator(outFolder)) {
        if (file.path().filename().string().rfind("view_", 0) == 0) {
            std::filesystem::remove(file.path());
        }
    }
    const int sheetRows = (static_cast<int>(entries.size()) + sheetColumns - 1) / sheetColumns;
    Image sheet{sheetColumns * screenWidth / thumbnailShrink,
                sheetRows * screenHeight / thumbnailShrink,
                {}};
    sheet.rgb.assign(static_cast<size_t>(sheet.width) * static_cast<size_t>(sheet.height) * 3, 0);
    for (size_t slot = 0; slot < entries.size(); ++slot) {
        const int entry = entries[slot];
        // Each view is the show's own frame there, whatever views came before it.
        const float time = showTime(entry, showFrameRate);
        bringSceneTo(scene, showStart, entry, showFrameRate);
        scene.render(time);
        const Image image = readWindow();

        char name[64];
        std::snprintf(name, sizeof name, "/view_%04d.png", entry);
        if (!writePng(outFolder + name, image)) {
            std::fprintf(stderr, "preview: cannot write %s%s\n", outFolder.c_str(), name);
            return 1;
        }
        pasteThumbnail(sheet, image, static_cast<int>(slot));
        const glm::vec3 light = scene.lights[0].position;
        const auto stars =
            std::count_if(scene.particles->particles.begin(), scene.particles->particles.end(),
                          [](const Particle& star) { return star.life > 0.0f; });
        std::printf(
            "%s: entry %d (%.1f s), eye (%.2f, %.2f, %.2f), light (%.2f, %.2f, %.2f), %ld stars\n",
            name + 1, entry, static_cast<double>(time), static_cast<double>(camera.position.x),
            static_cast<double>(camera.position.y), static_cast<double>(camera.position.z),
            static_cast<double>(light.x), static_cast<double>(light.y),
            static_cast<double>(light.z), static_cast<long>(stars));
    }
    const std::string sheetPath = outFolder + "/contact_sheet.png";
    if (!writePng(sheetPath, sheet)) {
        std::fprintf(stderr, "preview: cannot write %s\n", sheetPath.c_str());
        return 1;
    }
    std::printf("%s: %zu views\n", sheetPath.c_str(), entries.size());
    glfwTerminate();
    return 0;
}
