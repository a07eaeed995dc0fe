#include "pass_timer.h"

#include "gfx/registry.h"
#include "scene/programs.h"

#include <chrono>

namespace {

struct ProgramPass {
    const char* program;
    Pass pass;
};

constexpr ProgramPass programPassTable[] = {
    {"depth", Pass::shadow},        {"normalMapping", Pass::lighting}, {"lamp", Pass::lampsAndSky},
    {"cubeMap", Pass::lampsAndSky}, {"particle3D", Pass::stars},       {"blur", Pass::blur},
    {"bloom", Pass::composite},
};

constexpr const char* passNames[passCount] = {"shadow", "lighting", "lamps+sky",
                                              "stars",  "blur",     "composite"};

PassTimer* activeTimer = nullptr;
PFNGLUSEPROGRAMPROC realUseProgram = nullptr;

double wallMilliseconds() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void markStart(PassTimer& timer) {
    if (timer.clock == PassClock::finishWall) {
        glFinish();
        timer.wallMarks.push_back(wallMilliseconds());
        return;
    }
    if (timer.queriesUsed == timer.queries.size()) {
        GLuint query = 0;
        glGenQueries(1, &query);
        timer.queries.push_back(query);
    }
    glBeginQuery(GL_TIME_ELAPSED, timer.queries[timer.queriesUsed++]);
}

void markEnd(PassTimer& timer) {
    if (timer.clock == PassClock::finishWall) {
        glFinish();
        timer.wallMarks.push_back(wallMilliseconds());
        return;
    }
    glEndQuery(GL_TIME_ELAPSED);
}

void GLAD_API_PTR timedUseProgram(GLuint program) {
    PassTimer* timer = activeTimer;
    if (timer != nullptr && timer->timing) {
        const auto found = timer->programPasses.find(program);
        if (found != timer->programPasses.end()) {
            if (!timer->started) {
                timer->started = true;
                timer->current = found->second;
                timer->passes.push_back(found->second);
            } else if (found->second != timer->current) {
                markEnd(*timer);
                markStart(*timer);
                timer->current = found->second;
                timer->passes.push_back(found->second);
            }
        }
    }
    realUseProgram(program);
}

} // namespace

const char* passName(Pass pass) {
    return passNames[static_cast<int>(pass)];
}

bool passOfProgram(const std::string& programName, Pass& pass) {
    for (const ProgramPass& entry : programPassTable) {
        if (programName == entry.program) {
            pass = entry.pass;
            return true;
        }
    }
    return false;
}

void installPassTimer(PassTimer& timer) {
    timer.programPasses.clear();
    for (const ProgramFiles& program : scenePrograms) {
        Pass pass;
        if (passOfProgram(program.name, pass)) {
            timer.programPasses[getShader(program.name).ID] = pass;
        }
    }
    if (activeTimer == nullptr) {
        realUseProgram = glad_glUseProgram;
        glad_glUseProgram = timedUseProgram;
    }
    activeTimer = &timer;
}

void removePassTimer(PassTimer& timer) {
    if (activeTimer != &timer) {
        return;
    }
    glad_glUseProgram = realUseProgram;
    activeTimer = nullptr;
    glDeleteQueries(static_cast<GLsizei>(timer.queries.size()), timer.queries.data());
    timer.queries.clear();
}

void beginTimedFrame(PassTimer& timer, PassClock clock) {
    timer.clock = clock;
    timer.timing = true;
    timer.started = false;
    timer.queriesUsed = 0;
    timer.passes.clear();
    timer.wallMarks.clear();
    markStart(timer);
}

std::vector<PassTime> endTimedFrame(PassTimer& timer) {
    markEnd(timer);
    timer.timing = false;
    std::vector<PassTime> frame;
    for (size_t i = 0; i < timer.passes.size(); ++i) {
        PassTime time;
        time.pass = timer.passes[i];
        if (timer.clock == PassClock::finishWall) {
            time.milliseconds = timer.wallMarks[2 * i + 1] - timer.wallMarks[2 * i];
        } else {
            GLuint64 nanoseconds = 0;
            glGetQueryObjectui64v(timer.queries[i], GL_QUERY_RESULT, &nanoseconds);
            time.milliseconds = static_cast<double>(nanoseconds) * 1e-6;
        }
        frame.push_back(time);
    }
    return frame;
}

void addFrame(PassTotals& totals, const std::vector<PassTime>& frame) {
    for (const PassTime& time : frame) {
        const auto index = static_cast<size_t>(time.pass);
        totals.sum[index] += time.milliseconds;
        ++totals.count[index];
    }
}

double meanMilliseconds(const PassTotals& totals, Pass pass) {
    const auto index = static_cast<size_t>(pass);
    return totals.count[index] > 0 ? totals.sum[index] / totals.count[index] : 0.0;
}
