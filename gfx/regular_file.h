#pragma once

#include <cstdio>
#include <string>

// Opens a file for reading only when it is a regular file. Anything else (a FIFO, a
// directory, a device) is refused without blocking: opening a FIFO for reading would wait
// for a writer that never comes. Null on failure, with `problem` saying why ("no such
// file", "not a regular file", "cannot be opened").
std::FILE* openRegularFile(const char* path, std::string& problem);
