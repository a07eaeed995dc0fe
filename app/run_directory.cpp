#include "app/run_directory.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr const char* neededFolders[] = {"shader", "resources"};

} // namespace

bool isRunDirectory(const std::string& directory) {
    if (directory.empty()) {
        return false;
    }
    for (const char* folder : neededFolders) {
        std::error_code error;
        if (!std::filesystem::is_directory(std::filesystem::path(directory) / folder, error)) {
            return false;
        }
    }
    return true;
}

std::string chooseRunDirectory(const std::string& current, const std::string& recorded) {
    if (isRunDirectory(current)) {
        return current;
    }
    return isRunDirectory(recorded) ? recorded : std::string();
}
