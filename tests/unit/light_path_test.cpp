#include "effects/light_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr float speed = 0.2f;
constexpr float dt = 1.0f;
constexpr float s = speed * dt;

struct Step {
    glm::vec3 delta;
    float angle;
};

// Moves a point light at the origin once with angle 0.1; returns the displacement.
Step stepAt(float t, float frameTime = dt) {
    Light light;
    light.isPointLight = true;
    float angle = initialLightPathAngle;
    moveLight(light, angle, speed, frameTime, t);
    return {light.position, angle};
}

TEST(LightPath, EachWindowMovesAlongItsAxes) {
    const float a = initialLightPathAngle;
    const float sa = static_cast<float>(std::sin(static_cast<double>(a)));
    const float ca = static_cast<float>(std::cos(static_cast<double>(a)));
    // For each window: a time inside it, its end (which belongs to it), and the step.
    const struct {
        float inside, end;
        glm::vec3 step;
    } windows[] = {
        {30.0f, 56.0f, {s, ca * s, sa * s}},       {60.0f, 75.0f, {sa * s, ca * s, -s}},
        {77.0f, 80.0f, {sa * s, -s, -s}},          {82.0f, 85.0f, {sa * s, s, -s}},
        {90.0f, 100.0f, {sa * s, ca * s, -s}},     {102.0f, 105.0f, {sa * s, -s, -s}},
        {110.0f, 112.0f, {sa * s, s, -s}},         {120.0f, 130.0f, {sa * s, ca * s, -2 * s}},
        {200.0f, 1.0e6f, {sa * s, 5 * s, -5 * s}},
    };
    for (const auto& window : windows) {
        for (float t : {window.inside, window.end}) {
            SCOPED_TRACE(t);
            const Step step = stepAt(t);
            EXPECT_NEAR(step.delta.x, window.step.x, 1e-6f);
            EXPECT_NEAR(step.delta.y, window.step.y, 1e-6f);
            EXPECT_NEAR(step.delta.z, window.step.z, 1e-6f);
            EXPECT_FLOAT_EQ(step.angle, static_cast<float>(a + 0.01));
        }
    }
    // Just past a boundary the next window applies.
    EXPECT_NEAR(stepAt(std::nextafter(56.0f, 100.0f)).delta.z, -s, 1e-6f);
    EXPECT_NEAR(stepAt(std::nextafter(145.0f, 200.0f)).delta.y, 5 * s, 1e-6f);
}

TEST(LightPath, StandsStillBeforeTheStartAndDuringThePause) {
    for (float t : {-5.0f, 0.0f, std::nextafter(130.0f, 200.0f), 137.0f, 145.0f}) {
        SCOPED_TRACE(t);
        const Step step = stepAt(t);
        EXPECT_EQ(step.delta, glm::vec3(0.0f));
        EXPECT_EQ(step.angle, initialLightPathAngle);
    }
}

TEST(LightPath, DirectionalLightStartsFromItsDirection) {
    Light light;
    light.isPointLight = false;
    light.direction = glm::vec3(-30.0f, 10.0f, 10.0f);
    light.position = glm::vec3(7.0f);
    float angle = initialLightPathAngle;
    moveLight(light, angle, speed, dt, 140.0f);
    EXPECT_EQ(light.position, light.direction);
    moveLight(light, angle, speed, dt, 200.0f);
    EXPECT_NEAR(light.position.y, 10.0f + 5 * s, 1e-5f);
}

TEST(LightPath, WobbleFollowsTheFrameCountAndTravelTheClock) {
    // Two frames of half a second travel as far along x as one of a second.
    Light light;
    light.isPointLight = true;
    float angle = initialLightPathAngle;
    moveLight(light, angle, speed, 0.5f, 10.0f);
    moveLight(light, angle, speed, 0.5f, 10.5f);
    EXPECT_NEAR(light.position.x, s, 1e-6f);
    EXPECT_FLOAT_EQ(angle,
                    static_cast<float>(static_cast<float>(initialLightPathAngle + 0.01) + 0.01));
}

// The route the recorder and the content checks follow: the start, then where each
// frame leaves the light, stepped as the frame loop steps it.
TEST(LightPath, RouteHoldsTheStartAndThePlaceAfterEachFrame) {
    const int frames = 90;
    const float fps = 60.0f;
    const std::vector<glm::vec3> route = pointLightRoute(frames, fps);
    ASSERT_EQ(route.size(), static_cast<size_t>(frames + 1));
    Light light;
    light.isPointLight = true;
    light.position = pointLightStart;
    float angle = initialLightPathAngle;
    EXPECT_EQ(route[0], light.position);
    for (int frame = 1; frame <= frames; ++frame) {
        moveLight(light, angle, initialLightPathSpeed, 1.0f / fps, static_cast<float>(frame) / fps);
        EXPECT_EQ(route[static_cast<size_t>(frame)], light.position) << "frame " << frame;
    }
}

} // namespace
