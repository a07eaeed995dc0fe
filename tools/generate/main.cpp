// Makes every resource file the demo reads.
// Usage: generate_content PART|all RESOURCES_DIR
#include "parts.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

struct Part {
    const char* name;
    bool (*generate)(const std::string& root);
};

constexpr Part parts[] = {
    {"materials", generateMaterials}, {"dungeon", generateDungeon}, {"sky", generateSky},
    {"star", generateStar},           {"music", generateMusic},     {"icon", generateIcon},
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PART|all RESOURCES_DIR\n", argv[0]);
        return 2;
    }
    const std::string root = argv[2];
    std::error_code error;
    std::filesystem::create_directories(root, error);
    bool known = false;
    for (const Part& part : parts) {
        if (std::strcmp(argv[1], "all") == 0 || std::strcmp(argv[1], part.name) == 0) {
            known = true;
            if (!part.generate(root)) {
                std::fprintf(stderr, "generate_content: the %s could not be made\n", part.name);
                return 1;
            }
        }
    }
    if (!known) {
        std::fprintf(stderr, "generate_content: no part named %s\n", argv[1]);
        return 2;
    }
    return 0;
}
