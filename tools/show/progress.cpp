#include "show/progress.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iostream>

namespace {

constexpr std::size_t progressLineSize = 160;
constexpr double logInterval = 10.0;
constexpr double terminalInterval = 0.25;

} // namespace

std::string progressLine(long done, long total, float time, double elapsedSeconds) {
    const double rate = elapsedSeconds > 0.0 ? done / elapsedSeconds : 0.0;
    const long left = rate > 0.0 ? std::lround((total - done) / rate) : 0;
    char line[progressLineSize];
    std::snprintf(line, sizeof line, "frame %ld/%ld  show %.1f s  %.2f fps  %ld:%02ld:%02ld left",
                  done, total, static_cast<double>(time), rate, left / 3600, left / 60 % 60,
                  left % 60);
    return line;
}

ProgressPrinter progressOnStandardError() {
    ProgressPrinter printer;
    printer.terminal = isatty(STDERR_FILENO) != 0;
    return printer;
}

void showProgress(ProgressPrinter& printer, long done, long total, float time,
                  double elapsedSeconds, bool last) {
    const double interval = printer.terminal ? terminalInterval : logInterval;
    if (!last && printer.lastLine >= 0.0 && elapsedSeconds - printer.lastLine < interval) {
        return;
    }
    printer.lastLine = elapsedSeconds;
    const std::string line = progressLine(done, total, time, elapsedSeconds);
    if (printer.terminal) {
        std::cerr << "\r" << line << "\033[K" << (last ? "\n" : "") << std::flush;
    } else {
        std::cerr << line << std::endl;
    }
}
