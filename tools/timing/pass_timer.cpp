#include "pass_timer.h"

#include "effects/bloom.h"
#include "gfx/debug_names.h"
#include "gfx/registry.h"
#include "scene/programs.h"
#include "scene/scene.h"

#include <chrono>

namespace {

struct NamedPass {
    const char* name;
    Pass pass;
};

// The blur's groups are numbered ("bloom blur 3/10, horizontal"): blurPassName gives them.
constexpr NamedPass groupPassTable[] = {
    {shadowPassName, Pass::shadow},           {lightingPassName, Pass::lighting},
    {lampsAndSkyPassName, Pass::lampsAndSky}, {starsPassName, Pass::stars},
    {compositePassName, Pass::composite},
};

constexpr NamedPass programPassTable[] = {
    {"depth", Pass::shadow},        {"normalMapping", Pass::lighting}, {"lamp", Pass::lampsAndSky},
    {"cubeMap", Pass::lampsAndSky}, {"particle3D", Pass::stars},       {"blur", Pass::blur},
    {"bloom", Pass::composite},
};

constexpr const char* passNames[passCount] = {"shadow", "lighting", "lamps+sky",
                                              "stars",  "blur",     "composite"};

PassTimer* activeTimer = nullptr;
PFNGLUSEPROGRAMPROC realUseProgram = nullptr;
PFNGLPUSHDEBUGGROUPPROC realPushDebugGroup = nullptr;

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

// A mark of the frame: the first starts its first pass, one of another pass ends the
// current pass and starts that one.
void markPass(PassTimer& timer, Pass pass) {
    if (!timer.started) {
        timer.started = true;
    } else if (pass == timer.current) {
        return;
    } else {
        markEnd(timer);
        markStart(timer);
    }
    timer.current = pass;
    timer.passes.push_back(pass);
}

void GLAD_API_PTR timedUseProgram(GLuint program) {
    PassTimer* timer = activeTimer;
    if (timer != nullptr && timer->timing) {
        const auto found = timer->programPasses.find(program);
        if (found != timer->programPasses.end()) {
            markPass(*timer, found->second);
        }
    }
    realUseProgram(program);
}

void GLAD_API_PTR timedPushDebugGroup(GLenum source, GLuint id, GLsizei length,
                                      const GLchar* message) {
    PassTimer* timer = activeTimer;
    Pass pass;
    // A negative length means the message ends at its first zero byte.
    const std::string name =
        length >= 0 ? std::string(message, static_cast<size_t>(length)) : std::string(message);
    if (timer != nullptr && timer->timing && passOfGroup(name, pass)) {
        markPass(*timer, pass);
    }
    realPushDebugGroup(source, id, length, message);
}

} // namespace

const char* passName(Pass pass) {
    return passNames[static_cast<int>(pass)];
}

bool passOfGroup(const std::string& groupName, Pass& pass) {
    for (const NamedPass& entry : groupPassTable) {
        if (groupName == entry.name) {
            pass = entry.pass;
            return true;
        }
    }
    for (int blur = 0; blur < blurPasses; ++blur) {
        if (groupName == blurPassName(blur)) {
            pass = Pass::blur;
            return true;
        }
    }
    return false;
}

bool passOfProgram(const std::string& programName, Pass& pass) {
    for (const NamedPass& entry : programPassTable) {
        if (programName == entry.name) {
            pass = entry.pass;
            return true;
        }
    }
    return false;
}

PassMarks availablePassMarks() {
    return debugNamesAvailable() ? PassMarks::debugGroups : PassMarks::programs;
}

void installPassTimer(PassTimer& timer, PassMarks marks) {
    if (activeTimer != nullptr) {
        removePassTimer(*activeTimer);
    }
    timer.marks = marks;
    timer.programPasses.clear();
    if (timer.marks == PassMarks::debugGroups) {
        realPushDebugGroup = glad_glPushDebugGroup;
        glad_glPushDebugGroup = timedPushDebugGroup;
    } else {
        for (const ProgramFiles& program : scenePrograms) {
            Pass pass;
            if (passOfProgram(program.name, pass)) {
                timer.programPasses[getShader(program.name).ID] = pass;
            }
        }
        realUseProgram = glad_glUseProgram;
        glad_glUseProgram = timedUseProgram;
    }
    activeTimer = &timer;
}

void removePassTimer(PassTimer& timer) {
    if (activeTimer != &timer) {
        return;
    }
    if (timer.marks == PassMarks::debugGroups) {
        glad_glPushDebugGroup = realPushDebugGroup;
    } else {
        glad_glUseProgram = realUseProgram;
    }
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
