// JPEG pictures for the docs, which would be too large as PNG files:
//   docs_jpeg OUT.jpg PICTURE.png                 the picture as it is
//   docs_jpeg OUT.jpg BEFORE_FOLDER AFTER_FOLDER  two runs of the preview side by side:
// each view that both folders hold, shrunk, the first folder's on the left of each pair,
// two pairs to a row, to show the show before and after a change of its content.
#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr const char* usage =
    "usage: docs_jpeg OUT.jpg PICTURE.png | docs_jpeg OUT.jpg BEFORE_FOLDER AFTER_FOLDER";
constexpr int shrink = 5;
constexpr int pairsPerRow = 2;
constexpr int gap = 4;      // pixels between the two of a pair
constexpr int pairGap = 16; // and between pairs
constexpr int jpegQuality = 82;

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

Image readPng(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    Image image;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        return image;
    }
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr) == 0) {
        return {};
    }
    return image;
}

// The view's box average, shrink by shrink pixels, pasted at (left, top).
void paste(Image& sheet, const Image& view, int left, int top) {
    for (int y = 0; y < view.height / shrink; ++y) {
        for (int x = 0; x < view.width / shrink; ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < shrink; ++dy) {
                    for (int dx = 0; dx < shrink; ++dx) {
                        const size_t at = (static_cast<size_t>(y * shrink + dy) * view.width +
                                           static_cast<size_t>(x * shrink + dx)) *
                                          3;
                        sum += view.rgb[at + static_cast<size_t>(c)];
                    }
                }
                const size_t to =
                    (static_cast<size_t>(top + y) * sheet.width + static_cast<size_t>(left + x)) *
                    3;
                sheet.rgb[to + static_cast<size_t>(c)] =
                    static_cast<unsigned char>(sum / (shrink * shrink));
            }
        }
    }
}

bool writeJpeg(const char* path, const Image& image) {
    tjhandle compressor = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int failed = tjCompress2(compressor, image.rgb.data(), image.width, 0, image.height,
                                   TJPF_RGB, &jpeg, &size, TJSAMP_420, jpegQuality, 0);
    bool written = false;
    if (failed == 0) {
        if (FILE* out = std::fopen(path, "wb")) {
            written = std::fwrite(jpeg, 1, size, out) == size;
            written = std::fclose(out) == 0 && written;
        }
    }
    tjFree(jpeg);
    tjDestroy(compressor);
    if (!written) {
        std::fprintf(stderr, "docs_jpeg: could not write %s\n", path);
    }
    return written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3) {
        const Image picture = readPng(argv[2]);
        if (picture.rgb.empty()) {
            std::fprintf(stderr, "docs_jpeg: cannot read %s\n", argv[2]);
            return 1;
        }
        return writeJpeg(argv[1], picture) ? 0 : 1;
    }
    if (argc != 4) {
        std::fprintf(stderr, "%s\n", usage);
        return 2;
    }
    const std::filesystem::path before = argv[2];
    const std::filesystem::path after = argv[3];
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& file : std::filesystem::directory_iterator(before, error)) {
        const std::string name = file.path().filename().string();
        if (name.rfind("view_", 0) == 0 && std::filesystem::exists(after / name)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    if (names.empty()) {
        std::fprintf(stderr, "docs_jpeg: no view in both %s and %s\n", argv[2], argv[3]);
        return 1;
    }
    const Image first = readPng((before / names[0]).string());
    const int w = first.width / shrink;
    const int h = first.height / shrink;
    const int pairWidth = 2 * w + gap;
    const int rows = (static_cast<int>(names.size()) + pairsPerRow - 1) / pairsPerRow;
    Image sheet{pairsPerRow * pairWidth + (pairsPerRow - 1) * pairGap, rows * (h + gap), {}};
    sheet.rgb.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, 0);
    for (size_t i = 0; i < names.size(); ++i) {
        const int left = static_cast<int>(i % pairsPerRow) * (pairWidth + pairGap);
        const int top = static_cast<int>(i / pairsPerRow) * (h + gap);
        const Image a = readPng((before / names[i]).string());
        const Image b = readPng((after / names[i]).string());
        if (a.width != first.width || b.width != first.width || a.height != first.height ||
            b.height != first.height) {
            std::fprintf(stderr, "docs_jpeg: %s differs in size or is unreadable\n",
                         names[i].c_str());
            return 1;
        }
        paste(sheet, a, left, top);
        paste(sheet, b, left + w + gap, top);
    }
    if (!writeJpeg(argv[1], sheet)) {
        return 1;
    }
    std::printf("%s: %zu views side by side\n", argv[1], names.size());
    return 0;
}
