#pragma once

#include <string>

// One line of progress: frames done of total, the show time reached, the rate and the
// time left.
std::string progressLine(long done, long total, float time, double elapsedSeconds);

// Progress on standard error: on a terminal one line rewritten in place a few times a
// second, in a log a line at the first frame, every few seconds and at the end.
struct ProgressPrinter {
    bool terminal = false;
    double lastLine = -1.0;
};

ProgressPrinter progressOnStandardError();
void showProgress(ProgressPrinter& printer, long done, long total, float time,
                  double elapsedSeconds, bool last);
