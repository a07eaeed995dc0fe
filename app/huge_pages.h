#pragma once

#include <string>

// Large allocations on transparent huge pages. With a software renderer the GPU's memory
// is the process's own: every texture and render target is a large allocation, and
// faulting it in 4 KB pages at a time is a good part of start-up. glibc backs its
// allocations with huge pages when its hugetlb tunable is set, which it reads only when
// a process starts, so the process starts itself once more with the tunable added to its
// environment. Returns, and the program goes on as it is, when the tunable is set
// already or the restart fails.
void restartWithHugePages(char** argv);

// GLIBC_TUNABLES with the huge-page tunable added to what is there (current may be null);
// empty when a hugetlb setting is there already, which is left as it is.
std::string tunablesWithHugePages(const char* current);
