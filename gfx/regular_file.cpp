#include "gfx/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

std::FILE* openRegularFile(const char* path, std::string& problem) {
    // Non-blocking, so a FIFO opens at once and can be refused; the check is made on the
    // opened file itself, so nothing can be swapped in between.
    const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        problem = errno == ENOENT || errno == ENOTDIR ? "no such file" : "cannot be opened";
        return nullptr;
    }
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        problem = "not a regular file";
        return nullptr;
    }
    // Reads block again as usual; a regular file never waits anyway.
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(descriptor, "rb");
    if (file == nullptr) {
        close(descriptor);
        problem = "cannot be opened";
    }
    return file;
}
