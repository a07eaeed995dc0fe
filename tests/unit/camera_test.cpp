#include "app/camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float tolerance = 1e-5f;

void expectVec(glm::vec3 actual, glm::vec3 expected) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

Camera turnedTo(float yaw, float pitch) {
    return Camera(glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f), yaw, pitch);
}

TEST(CameraVectors, FollowYawAndPitch) {
    const float halfRoot2 = std::sqrt(0.5f);
    struct Case {
        float yaw, pitch;
        glm::vec3 front, right, up;
    } cases[] = {
        {-90, 0, {0, 0, -1}, {1, 0, 0}, {0, 1, 0}},
        {0, 0, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {180, 0, {-1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
        {-90, 45, {0, halfRoot2, -halfRoot2}, {1, 0, 0}, {0, halfRoot2, halfRoot2}},
        {0, -30, {0.8660254f, -0.5f, 0}, {0, 0, 1}, {0.5f, 0.8660254f, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "yaw " << c.yaw << " pitch " << c.pitch);
        const Camera turned = turnedTo(c.yaw, c.pitch);
        expectVec(turned.front, c.front);
        expectVec(turned.right, c.right);
        expectVec(turned.up, c.up);
        EXPECT_NEAR(glm::length(turned.front), 1.0f, tolerance);
    }
}

// The globals as the program starts with them (ctest runs each test in a process of its
// own, so nothing has moved them yet).
TEST(CameraVectors, GlobalCamerasStartLookingDownNegativeZ) {
    expectVec(camera.position, {-5.0f, 0.25f, 12.0f});
    expectVec(storedCamera.position, {0.0f, 0.0f, -5.0f});
    for (const Camera* c : {&camera, &storedCamera}) {
        expectVec(c->front, {0, 0, -1});
        expectVec(c->right, {1, 0, 0});
        expectVec(c->up, {0, 1, 0});
        EXPECT_EQ(c->frameNumber, 0);
        EXPECT_TRUE(c->bloom);
        EXPECT_FLOAT_EQ(c->exposure, 1.0f);
        EXPECT_FLOAT_EQ(c->zoom, 45.0f);
    }
}

TEST(CameraMouse, PitchIsClampedAtEightyNine) {
    Camera c = turnedTo(-90, 0);
    c.mouseSensitivity = 1.0f;

    c.processMouseMovement(0, 89);
    EXPECT_EQ(c.pitch, 89.0f);
    c.processMouseMovement(0, 0.5f);
    EXPECT_EQ(c.pitch, 89.0f);
    EXPECT_NEAR(c.front.y, std::sin(glm::radians(89.0f)), tolerance);

    c.processMouseMovement(0, -178);
    EXPECT_EQ(c.pitch, -89.0f);
    c.processMouseMovement(0, -1000);
    EXPECT_EQ(c.pitch, -89.0f);
    EXPECT_LT(c.front.y, -0.99f);
}

TEST(CameraMouse, OffsetsAreScaledAndYawNeverWraps) {
    Camera c = turnedTo(350, 0);
    c.processMouseMovement(400, -100); // 0.05 degrees per unit
    EXPECT_NEAR(c.yaw, 370.0f, tolerance);
    EXPECT_NEAR(c.pitch, -5.0f, tolerance);
    const Camera same = turnedTo(10, -5);
    expectVec(c.front, same.front);
}

TEST(CameraZoom, ScrollNarrowsAndClamps) {
    Camera c;
    c.processMouseScroll(1.0f);
    EXPECT_FLOAT_EQ(c.zoom, 44.0f);

    c.zoom = 2.0f;
    c.processMouseScroll(3.0f);
    EXPECT_FLOAT_EQ(c.zoom, 1.0f);

    // 1.0 lies inside the range, so the offset applies before clamping.
    c.processMouseScroll(-2.0f);
    EXPECT_FLOAT_EQ(c.zoom, 3.0f);
    c.zoom = 1.0f;
    c.processMouseScroll(0.5f);
    EXPECT_FLOAT_EQ(c.zoom, 1.0f);

    c.zoom = 45.0f;
    c.processMouseScroll(-4.0f);
    EXPECT_FLOAT_EQ(c.zoom, 45.0f);

    // Outside the range the offset is not applied, only the clamp.
    c.zoom = 60.0f;
    c.processMouseScroll(10.0f);
    EXPECT_FLOAT_EQ(c.zoom, 45.0f);
}

TEST(CameraCommands, BloomToggleAndExposureSteps) {
    Camera c;
    c.processCommand("BLOOM", 0.1f);
    EXPECT_FALSE(c.bloom);
    c.processCommand("BLOOM", 0.1f);
    EXPECT_TRUE(c.bloom);

    c.processCommand("E", 0.5f);
    EXPECT_FLOAT_EQ(c.exposure, 1.25f);
    c.processCommand("Q", 0.5f);
    EXPECT_FLOAT_EQ(c.exposure, 1.0f);

    // Exposure has no lower bound.
    for (int i = 0; i < 3; ++i) {
        c.processCommand("Q", 1.0f);
    }
    EXPECT_FLOAT_EQ(c.exposure, -0.5f);

    const Camera before = c;
    for (const char* other : {"bloom", "q", "QE", "BLOOM ", ""}) {
        c.processCommand(other, 1.0f);
    }
    EXPECT_EQ(c.bloom, before.bloom);
    EXPECT_EQ(c.exposure, before.exposure);
}

TEST(CameraKeyboard, MovesAlongFrontAndRight) {
    Camera c(glm::vec3(1, 2, 3), glm::vec3(0, 1, 0), -90, 30);
    const glm::vec3 start = c.position;
    c.processKeyboard(CameraMovement::forward, 0.5f);
    expectVec(c.position, start + c.front * 1.5f); // speed 3 units per second
    c.processKeyboard(CameraMovement::backward, 0.5f);
    expectVec(c.position, start);
    c.processKeyboard(CameraMovement::right, 1.0f);
    expectVec(c.position, start + glm::vec3(3, 0, 0));
    c.processKeyboard(CameraMovement::left, 1.0f);
    expectVec(c.position, start);
}

} // namespace
