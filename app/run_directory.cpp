#include "app/run_directory.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr const char* neededFolders[] = {"shader", "resources"};
// From the executable's folder (PREFIX/bin) to the data.
constexpr const char* installedData = "../share/lanternfall";

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

std::string installedDataDirectory(const std::string& executable) {
    if (executable.empty()) {
        return {};
    }
    return (std::filesystem::path(executable).parent_path() / installedData)
        .lexically_normal()
        .string();
}

std::string chooseRunDirectory(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        if (isRunDirectory(candidate)) {
            return candidate;
        }
    }
    return {};
}
