#pragma once

// Creates one hidden window with a 3.3 core debug context for the whole test
// program, loads the GL entry points and keeps the context current. Tests that
// need GL call requireGlContext() first; the first call fixes the window size.
void requireGlContext(int width = 64, int height = 64);
