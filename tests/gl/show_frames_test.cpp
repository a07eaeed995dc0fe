// Whole frames of the show on the real Scene, brought to their moments by the show's clock:
// the clock itself, the pass timer's split, GL errors and where the stars are seen.
#include "app/camera.h"
#include "app/camera_path.h"
#include "app/frame_loop.h"
#include "app/input.h"
#include "effects/particles.h"
#include "gfx/debug_names.h"
#include "gfx/screen.h"
#include "scene/scene.h"
#include "show/clock.h"
#include "show/span.h"
#include "show/window.h"
#include "support/gl_context.h"
#include "timing/pass_timer.h"

#include <GLFW/glfw3.h>
#include <glm/gtx/string_cast.hpp>
#include <gtest/gtest.h>

#include <sstream>

namespace {

// Half a second of keys held in free flight.
constexpr int heldFrames = 30;
// Where the stars' light is centred on the show's last frame, in pixels from the top left,
// as it is seen today; their birthplace moved half a unit up, down, sideways, nearer or
// farther shifts it by 30 or more.
constexpr glm::dvec2 keptStarLightCentre(682.0, 271.0);
constexpr double starLightTolerance = 8.0;
// Less than this (summed over the channels) is no star's light.
constexpr double starLightFloor = 0.05;
// The stars begin after 142 s, at frame 8520: these frames lie on both sides of it.
constexpr long playedFrom = 8516;
constexpr long broughtTo = 8524;
// The show's first frames, drawn one by one from its start.
constexpr long firstFramesPlayed = 3;
// Frames visited before, in an order no tool would choose.
constexpr long earlierVisits[] = {8700, 120, 8530, 4200};

void press(int key) {
    recordKeyEvent(key, GLFW_PRESS);
}
void release(int key) {
    recordKeyEvent(key, GLFW_RELEASE);
}

// One Scene for the program, on a context of the demo's size that reports what the driver
// refuses. The demo itself never asks.
class ShowFrames : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        requireGlContext(screenWidth, screenHeight);
        GLint flags = 0;
        glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
        ASSERT_NE(flags & GL_CONTEXT_FLAG_DEBUG_BIT, 0) << "not a debug context";
        listenForGlErrors();
        setDemoGlState();
        scene = new Scene();
        setUpMessages = glErrors;
        showStart = saveRunState(*scene);
    }

    void SetUp() override {
        ASSERT_NE(scene, nullptr);
        glErrors.clear();
    }

    static Scene* scene;
    static std::vector<std::string> setUpMessages;
    static SceneRunState showStart;
};

Scene* ShowFrames::scene = nullptr;
std::vector<std::string> ShowFrames::setUpMessages;
SceneRunState ShowFrames::showStart;

// Whole frames at moments of the show, and one in free flight reached through the keys as
// a viewer reaches it: C, then Space (bloom off) and E (brighter) held while flying on.
TEST_F(ShowFrames, NoGlErrorInAWholeFrame) {
    struct Moment {
        const char* name;
        long entry;
        bool freeFlight;
    };
    const Moment moments[] = {{"the pillared hall", 586, false},
                              {"the corridor", 4200, false},
                              {"the stars", 8700, false},
                              {"free flight, bloom off, brighter", 8700, true}};
    std::ostringstream reported;
    for (const std::string& message : setUpMessages) {
        reported << "set-up: " << message << "\n";
    }
    for (const Moment& moment : moments) {
        bringSceneTo(*scene, showStart, moment.entry, showFrameRate);
        if (moment.freeFlight) {
            press(GLFW_KEY_C);
            release(GLFW_KEY_C);
            ASSERT_FALSE(pathPlayback);
            for (int key : {GLFW_KEY_W, GLFW_KEY_SPACE, GLFW_KEY_E}) {
                press(key);
            }
            for (int frame = 0; frame < heldFrames; ++frame) {
                processInput(deltaTime);
            }
            for (int key : {GLFW_KEY_W, GLFW_KEY_SPACE, GLFW_KEY_E}) {
                release(key);
            }
        }
        glErrors.clear();
        scene->render(showTime(moment.entry, showFrameRate));
        for (const std::string& message : glErrors) {
            reported << moment.name << " (entry " << moment.entry << "): " << message << "\n";
        }
        if (moment.freeFlight) {
            EXPECT_FALSE(scene->frameCamera.bloom);
            EXPECT_GT(scene->frameCamera.exposure, defaultExposure);
            press(GLFW_KEY_C);
            release(GLFW_KEY_C);
        }
        // Between frames, a call the driver must refuse reaches the listener.
        glErrors.clear();
        glEnable(GL_NONE);
        EXPECT_EQ(glErrors.size(), 1u) << "the listener missed glEnable(GL_NONE)";
    }
    EXPECT_TRUE(pathPlayback);
    EXPECT_EQ(reported.str(), "");
}

// Where the stars are born decides where the viewer sees them. At the show's last frame,
// eight seconds into the stars and seen from the path's end, the light the stars add (the
// frame against itself drawn with the pool emptied; the star born in that frame is in both)
// is centred where it is kept.
TEST_F(ShowFrames, StarsShineWhereTheyAreKept) {
    const long last = framesBetween(0.0, -1.0, showFrameRate, cameraPath.size()).end - 1;
    const auto hdrScene = [&](bool withStars) {
        bringSceneTo(*scene, showStart, last, showFrameRate);
        if (!withStars) {
            for (Particle& star : scene->particles->particles) {
                star.life = 0.0f;
            }
        }
        scene->render(showTime(last, showFrameRate));
        std::vector<float> texels(static_cast<size_t>(screenWidth) * screenHeight * 3);
        glBindTexture(GL_TEXTURE_2D, scene->bloomTargets.colorBuffers[0]);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return texels;
    };
    const std::vector<float> lit = hdrScene(true);
    const std::vector<float> unlit = hdrScene(false);
    double total = 0.0;
    glm::dvec2 weighted(0.0);
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            const size_t at = (static_cast<size_t>(y) * screenWidth + x) * 3;
            double added = 0.0;
            for (size_t c = 0; c < 3; ++c) {
                added += lit[at + c] - unlit[at + c];
            }
            if (added > starLightFloor) {
                total += added;
                weighted += added * glm::dvec2(x, screenHeight - 1 - y);
            }
        }
    }
    ASSERT_GT(total, 0.0) << "no star in sight";
    const glm::dvec2 centre = weighted / total;
    EXPECT_LT(glm::distance(centre, keptStarLightCentre), starLightTolerance)
        << "the stars' light is centred at (" << centre.x << ", " << centre.y << ")";
}

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

void expectSameMoment(const Moment& got, const Moment& expected, const char* how,
                      bool starsOut = true) {
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
    EXPECT_EQ(alive > 0, starsOut) << alive << " stars out";
    EXPECT_EQ(got.eye, expected.eye);
    EXPECT_TRUE(got.picture == expected.picture) << "the pictures differ";
}

// A frame brought to is the frame the show plays there: the same as the show's first
// frames drawn one by one from its start, and later, from a fresh Scene, after visits to
// other frames (with stars among them), and as every frame drawn up to it from a frame
// brought to before.
TEST_F(ShowFrames, ABroughtFrameIsThePlayedFrameWhateverCameBefore) {
    restoreRunState(*scene, showStart);
    for (long frame = 0; frame < firstFramesPlayed; ++frame) {
        drawShowFrame(*scene, frame, showFrameRate);
    }
    enterFrame(firstFramesPlayed, showFrameRate);
    const Moment early = renderHere(*scene, firstFramesPlayed);
    bringSceneTo(*scene, showStart, firstFramesPlayed, showFrameRate);
    expectSameMoment(renderHere(*scene, firstFramesPlayed), early, "from the show's start", false);

    bringSceneTo(*scene, showStart, broughtTo, showFrameRate);
    const Moment fresh = renderHere(*scene, broughtTo);

    for (long frame : earlierVisits) {
        bringSceneTo(*scene, showStart, frame, showFrameRate);
        drawShowFrame(*scene, frame, showFrameRate);
    }
    bringSceneTo(*scene, showStart, broughtTo, showFrameRate);
    expectSameMoment(renderHere(*scene, broughtTo), fresh, "after other frames");

    bringSceneTo(*scene, showStart, playedFrom, showFrameRate);
    for (long frame = playedFrom; frame < broughtTo; ++frame) {
        drawShowFrame(*scene, frame, showFrameRate);
    }
    enterFrame(broughtTo, showFrameRate);
    expectSameMoment(renderHere(*scene, broughtTo), fresh, "played up to it");
}

// A frame split into its passes, in the order drawn, by the frame's own debug groups
// and, where a driver has none, by the programs the passes select. Removed, the timer
// leaves the entry points as they were.
TEST_F(ShowFrames, PassTimerSplitsAFrameIntoItsPasses) {
    ASSERT_TRUE(debugNamesAvailable());
    const std::vector<Pass> drawn = {Pass::shadow, Pass::lighting, Pass::lampsAndSky,
                                     Pass::stars,  Pass::blur,     Pass::composite};
    const auto pushGroup = glad_glPushDebugGroup;
    const auto useProgram = glad_glUseProgram;
    for (PassMarks marks : {PassMarks::debugGroups, PassMarks::programs}) {
        for (PassClock clock : {PassClock::timerQuery, PassClock::finishWall}) {
            SCOPED_TRACE(std::string(marks == PassMarks::debugGroups ? "groups" : "programs") +
                         (clock == PassClock::timerQuery ? ", timer queries" : ", wall clock"));
            bringSceneTo(*scene, showStart, broughtTo, showFrameRate);
            PassTimer timer;
            installPassTimer(timer, marks);
            beginTimedFrame(timer, clock);
            // A group of no pass (a debugger's own, say) is no boundary.
            glPushDebugGroup(GL_DEBUG_SOURCE_THIRD_PARTY, 0, -1, "not a pass");
            glPopDebugGroup();
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
