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

// The pass a frame's named group belongs to (the names the Scene and the bloom give
// their groups); false for a name that belongs to none.
bool passOfGroup(const std::string& groupName, Pass& pass);

// The pass that draws with the registered program of this name; false for a name that
// belongs to none.
bool passOfProgram(const std::string& programName, Pass& pass);

// How the time of each pass is taken: GL timer queries (GL_TIME_ELAPSED) around each
// pass, or the wall clock between glFinish calls at each pass boundary.
enum class PassClock { timerQuery, finishWall };

// Where a pass ends and the next begins: at each named group the frame opens for a
// frame debugger (where the driver offers KHR_debug), or else at each glUseProgram that
// selects a program of another pass.
enum class PassMarks { debugGroups, programs };

struct PassTime {
    Pass pass = Pass::shadow;
    double milliseconds = 0.0;
};

// Splits frames into passes at their marks: a mark of another pass ends the current pass
// and starts the next; marks of no pass (or program 0) do not split. Installing it wraps
// glad's entry point for the marks; the calls the frame makes and their order are
// unchanged, with only the timer's own queries or glFinish calls added between passes.
struct PassTimer {
    PassMarks marks = PassMarks::programs;
    // Program object to pass, from the registry's names, when the programs mark passes.
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

// The marks this context offers: its debug groups where KHR_debug is there, else the
// programs.
PassMarks availablePassMarks();

// Maps the marks to their passes and wraps their entry point; one timer at a time.
void installPassTimer(PassTimer& timer, PassMarks marks);
void removePassTimer(PassTimer& timer);

// Brackets one frame; the work before the frame's first mark counts towards the first
// pass. The end waits for the GPU and returns the passes in the order drawn.
void beginTimedFrame(PassTimer& timer, PassClock clock);
std::vector<PassTime> endTimedFrame(PassTimer& timer);

// Mean milliseconds per pass over frames, indexed by Pass.
struct PassTotals {
    std::array<double, passCount> sum{};
    std::array<int, passCount> count{};
};
void addFrame(PassTotals& totals, const std::vector<PassTime>& frame);
double meanMilliseconds(const PassTotals& totals, Pass pass);
