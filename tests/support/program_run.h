#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// A program run by a test as a user runs it: its exit, and what it wrote to standard
// output and standard error, together, line by line.
struct ProgramRun {
    int status = -1;
    int signal = 0;
    std::vector<std::string> lines;
};

// Runs the binary with the arguments and this process's environment; onLine sees each line
// as it comes, with the child's pid, and may signal it.
ProgramRun runProgram(const std::string& binary, const std::vector<std::string>& args,
                      const std::function<void(const std::string&, pid_t)>& onLine = {});

// The lines, each ended by a newline: for failure messages.
std::string joinedLines(const std::vector<std::string>& lines);
