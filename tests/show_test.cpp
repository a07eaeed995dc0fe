// The show library as the tools use it, on the real Scene: bringing it to a frame, and the
// pass timer's split of a frame.
#include "app/camera.h"
#include "effects/particles.h"
#include "gfx/debug_names.h"
#include "gfx/screen.h"
#include "scene/scene.h"
#include "show/clock.h"
#include "support/gl_context.h"
#include "timing/pass_timer.h"

#include <glm/gtx/string_cast.hpp>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// The stars begin after 142 s, at frame 8520: these frames lie on both sides of it.
constexpr long playedFrom = 8516;
constexpr long broughtTo = 8524;
// Frames visited before, in an order no tool would choose.
constexpr long earlierVisits[] = {8700, 120, 8530, 4200};

struct ShowTest : ::testing::Test {
    static void SetUpTestSuite() {
        requireGlContext(screenWidth, screenHeight);
        scene = std::make_unique<Scene>();
        showStart = new SceneRunState(saveRunState(*scene));
    }
    static void TearDownTestSuite() {
        delete showStart;
        scene.reset();
    }
    static std::unique_ptr<Scene> scene;
    static SceneRunState* showStart;
};

std::unique_ptr<Scene> ShowTest::scene;
SceneRunState* ShowTest::showStart = nullptr;

std::vector<unsigned char> readWindow() {
    std::vector<unsigned char> rgba(static_cast<size_t>(screenWidth) * screenHeight * 4);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadPixels(0, 0, screenWidth, screenHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

struct Moment {
    SceneRunState state;
    glm::vec3 eye;
    std::vector<unsigned char> picture;
};

// What a frame shows once the Scene is at it: the state it is drawn from, and the picture.
Moment renderHere(Scene& scene, long frame) {
    Moment moment{saveRunState(scene), camera.position, {}};
    drawShowFrame(scene, frame, showFrameRate);
    moment.picture = readWindow();
    return moment;
}

void expectSameMoment(const Moment& got, const Moment& expected, const char* how) {
    SCOPED_TRACE(how);
    EXPECT_EQ(got.state.light.position, expected.state.light.position);
    EXPECT_EQ(got.state.lightPathAngle, expected.state.lightPathAngle);
    EXPECT_EQ(got.state.lastUsedParticle, expected.state.lastUsedParticle);
    ASSERT_EQ(got.state.particles.size(), expected.state.particles.size());
    int alive = 0;
    for (size_t i = 0; i < got.state.particles.size(); ++i) {
        const Particle& a = got.state.particles[i];
        const Particle& b = expected.state.particles[i];
        ASSERT_TRUE(a.position == b.position && a.velocity == b.velocity && a.color == b.color &&
                    a.life == b.life)
            << "star " << i << ": " << glm::to_string(a.position) << " against "
            << glm::to_string(b.position);
        alive += a.life > 0.0f ? 1 : 0;
    }
    EXPECT_GT(alive, 0) << "no star is out: the frames do not reach the stars";
    EXPECT_EQ(got.eye, expected.eye);
    EXPECT_TRUE(got.picture == expected.picture) << "the pictures differ";
}

// A frame brought to is the frame the show plays there: from a fresh Scene, after visits
// to other frames (later ones with stars among them), and the same as rendering every
// frame up to it from a frame brought to before.
TEST_F(ShowTest, ABroughtFrameIsThePlayedFrameWhateverCameBefore) {
    bringSceneTo(*scene, *showStart, broughtTo, showFrameRate);
    const Moment fresh = renderHere(*scene, broughtTo);

    for (long frame : earlierVisits) {
        bringSceneTo(*scene, *showStart, frame, showFrameRate);
        drawShowFrame(*scene, frame, showFrameRate);
    }
    bringSceneTo(*scene, *showStart, broughtTo, showFrameRate);
    expectSameMoment(renderHere(*scene, broughtTo), fresh, "after other frames");

    bringSceneTo(*scene, *showStart, playedFrom, showFrameRate);
    for (long frame = playedFrom; frame < broughtTo; ++frame) {
        drawShowFrame(*scene, frame, showFrameRate);
    }
    enterFrame(broughtTo, showFrameRate);
    expectSameMoment(renderHere(*scene, broughtTo), fresh, "played up to it");
}

// A frame split into its passes, in the order drawn, by the frame's own debug groups
// and, where a driver has none, by the programs the passes select. Removed, the timer
// leaves the entry points as they were.
TEST_F(ShowTest, PassTimerSplitsAFrameIntoItsPasses) {
    ASSERT_TRUE(debugNamesAvailable());
    const std::vector<Pass> drawn = {Pass::shadow, Pass::lighting, Pass::lampsAndSky,
                                     Pass::stars,  Pass::blur,     Pass::composite};
    const auto pushGroup = glad_glPushDebugGroup;
    const auto useProgram = glad_glUseProgram;
    for (PassMarks marks : {PassMarks::debugGroups, PassMarks::programs}) {
        for (PassClock clock : {PassClock::timerQuery, PassClock::finishWall}) {
            SCOPED_TRACE(std::string(marks == PassMarks::debugGroups ? "groups" : "programs") +
                         (clock == PassClock::timerQuery ? ", timer queries" : ", wall clock"));
            bringSceneTo(*scene, *showStart, broughtTo, showFrameRate);
            PassTimer timer;
            installPassTimer(timer, marks);
            beginTimedFrame(timer, clock);
            drawShowFrame(*scene, broughtTo, showFrameRate);
            const std::vector<PassTime> times = endTimedFrame(timer);
            removePassTimer(timer);
            std::vector<Pass> passes;
            double total = 0.0;
            for (const PassTime& time : times) {
                passes.push_back(time.pass);
                EXPECT_GE(time.milliseconds, 0.0) << passName(time.pass);
                total += time.milliseconds;
            }
            EXPECT_EQ(passes, drawn);
            EXPECT_GT(total, 0.0);
            EXPECT_EQ(glad_glPushDebugGroup, pushGroup);
            EXPECT_EQ(glad_glUseProgram, useProgram);
        }
    }
    EXPECT_EQ(availablePassMarks(), PassMarks::debugGroups);
}

} // namespace
