#include "app/huge_pages.h"

#include <unistd.h>

#include <cstdlib>

namespace {

constexpr const char* tunablesVariable = "GLIBC_TUNABLES";
constexpr const char* hugePagesTunable = "glibc.malloc.hugetlb";
// 1: madvise the heap and large mappings for transparent huge pages.
constexpr const char* hugePagesSetting = "glibc.malloc.hugetlb=1";
constexpr const char* ownExecutable = "/proc/self/exe";

} // namespace

std::string tunablesWithHugePages(const char* current) {
    const std::string tunables = current != nullptr ? current : "";
    if (tunables.find(hugePagesTunable) != std::string::npos) {
        return "";
    }
    return tunables.empty() ? hugePagesSetting : tunables + ":" + hugePagesSetting;
}

void restartWithHugePages(char** argv) {
    const char* current = std::getenv(tunablesVariable);
    const std::string previous = current != nullptr ? current : "";
    const std::string tunables = tunablesWithHugePages(current);
    if (tunables.empty()) {
        return;
    }
    setenv(tunablesVariable, tunables.c_str(), 1);
    execv(ownExecutable, argv);
    // Still here: the restart failed; go on without huge pages, environment as it was.
    if (current == nullptr) {
        unsetenv(tunablesVariable);
    } else {
        setenv(tunablesVariable, previous.c_str(), 1);
    }
}
