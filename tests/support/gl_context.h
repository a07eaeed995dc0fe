#pragma once

#include <string>
#include <vector>

// Creates one hidden window with a 3.3 core debug context for the whole test
// program, loads the GL entry points and keeps the context current. Tests that
// need GL call requireGlContext() first; the first call fixes the window size.
void requireGlContext(int width = 64, int height = 64);

// What the driver reports as an error, or with high severity, through the debug output of
// the current context, from listenForGlErrors() on. Reported synchronously, so a message
// follows the call that caused it.
extern std::vector<std::string> glErrors;
void listenForGlErrors();
