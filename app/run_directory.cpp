#include "app/run_directory.h"

#include "app/camera_path.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr const char* neededFolders[] = {"shader", "resources"};
// From the executable's folder (PREFIX/bin) to the data.
constexpr const char* installedData = "../share/lanternfall";
// The running executable, whatever name or link it was started by.
constexpr const char* executableLink = "/proc/self/exe";

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

RunDirectorySearch enterRunDirectory(const std::string& projectRoot) {
    RunDirectorySearch search;
    std::error_code error;
    search.current = std::filesystem::current_path(error).string();
    search.installed =
        installedDataDirectory(std::filesystem::read_symlink(executableLink, error).string());
    search.projectRoot = projectRoot;
    search.chosen = chooseRunDirectory({search.current, search.installed, search.projectRoot});
    if (!search.chosen.empty() && search.chosen != search.current) {
        std::filesystem::current_path(search.chosen, error);
        buildCameraPath();
    }
    return search;
}

std::string noRunDirectoryMessage(const RunDirectorySearch& search, const std::string& program,
                                  bool installable) {
    std::string message =
        "ERROR::FILES:: " + search.current + " has no shader/ and resources/, nor has " +
        (search.installed.empty() ? std::string("an installed copy") : search.installed);
    if (!search.projectRoot.empty()) {
        message += " or " + search.projectRoot;
    }
    message += "; run " + program + " from the project's root folder";
    return installable ? message + ", or install it" : message;
}
