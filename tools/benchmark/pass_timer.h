#pragma once

#include <glad/gl.h>

#include <array>
#include <map>
#include <string>
#include <vector>

// The passes of one frame of the Scene, in the order it draws them.
enum class Pass { shadow, lighting, lampsAndSky, stars, blur, composite };
constexpr int passCount = 6;

const char* passName(Pass pass);

// The pass that draws with the registered program of this name; false for a name that
// belongs to none.
bool passOfProgram(const std::string& programName, Pass& pass);

// How the time of each pass is taken: GL timer queries (GL_TIME_ELAPSED) around each
// pass, or the wall clock between glFinish calls at each pass boundary.
enum class PassClock { timerQuery, finishWall };

struct PassTime {
    Pass pass = Pass::shadow;
    double milliseconds = 0.0;
};

// Splits frames into passes by watching which program each glUseProgram call selects:
// a program of another pass ends the current pass and starts the next. Programs of no
// pass (or 0) do not split. Installing it wraps glad's glUseProgram entry point; the
// calls the frame makes and their order are unchanged, with only the timer's own
// queries or glFinish calls added between passes.
struct PassTimer {
    // Program object to pass, from the registry's names.
    std::map<GLuint, Pass> programPasses;
    PassClock clock = PassClock::timerQuery;
    bool timing = false;
    bool started = false;
    Pass current = Pass::shadow;
    std::vector<GLuint> queries;
    size_t queriesUsed = 0;
    std::vector<Pass> passes;
    std::vector<double> wallMarks;
};

// Maps the registered programs to their passes and wraps glUseProgram; one timer at a
// time.
void installPassTimer(PassTimer& timer);
void removePassTimer(PassTimer& timer);

// Brackets one frame; the work before the frame's first glUseProgram counts towards
// the first pass. The end waits for the GPU and returns the passes in the order drawn.
void beginTimedFrame(PassTimer& timer, PassClock clock);
std::vector<PassTime> endTimedFrame(PassTimer& timer);

// Mean milliseconds per pass over frames, indexed by Pass.
struct PassTotals {
    std::array<double, passCount> sum{};
    std::array<int, passCount> count{};
};
void addFrame(PassTotals& totals, const std::vector<PassTime>& frame);
double meanMilliseconds(const PassTotals& totals, Pass pass);
