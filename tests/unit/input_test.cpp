#include "app/camera_path.h"
#include "app/input.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

// Distinct values in every field, so an exchange that misses one shows.
Camera distinctCamera(float seed) {
    Camera c(glm::vec3(seed, seed + 1, seed + 2), glm::vec3(0, 1, 0), seed * 10, seed);
    c.movementSpeed = seed + 3;
    c.mouseSensitivity = seed + 4;
    c.zoom = seed + 5;
    c.frameNumber = static_cast<int>(seed) + 6;
    c.bloom = static_cast<int>(seed) % 2 == 0;
    c.exposure = seed + 7;
    return c;
}

bool sameRecord(const Camera& a, const Camera& b) {
    return a.position == b.position && a.front == b.front && a.up == b.up && a.right == b.right &&
           a.worldUp == b.worldUp && a.yaw == b.yaw && a.pitch == b.pitch &&
           a.movementSpeed == b.movementSpeed && a.mouseSensitivity == b.mouseSensitivity &&
           a.zoom == b.zoom && a.frameNumber == b.frameNumber && a.bloom == b.bloom &&
           a.exposure == b.exposure;
}

// Every test starts from the program's start state and restores the globals after.
class InputTest : public testing::Test {
  protected:
    void SetUp() override {
        savedCamera = camera;
        savedStored = storedCamera;
        camera = Camera(glm::vec3(-5.0f, 0.25f, 12.0f));
        storedCamera = Camera(glm::vec3(0.0f, 0.0f, -5.0f));
        keys.fill(false);
        keysProcessed.fill(false);
        pathPlayback = true;
        firstMouse = true;
        lastX = 640.0f;
        lastY = 384.0f;
    }
    void TearDown() override {
        camera = savedCamera;
        storedCamera = savedStored;
        keys.fill(false);
        keysProcessed.fill(false);
        pathPlayback = true;
        firstMouse = true;
    }

    static void press(int key) { recordKeyEvent(key, GLFW_PRESS); }
    static void release(int key) { recordKeyEvent(key, GLFW_RELEASE); }
    static void repeat(int key) { recordKeyEvent(key, GLFW_REPEAT); }
    static void toFreeFlight() {
        press(GLFW_KEY_C);
        release(GLFW_KEY_C);
        ASSERT_FALSE(pathPlayback);
    }

    Camera savedCamera;
    Camera savedStored;
};

TEST_F(InputTest, CExchangesTheWholeRecordAndTogglesPlayback) {
    const Camera a = distinctCamera(1);
    const Camera b = distinctCamera(2);
    camera = a;
    storedCamera = b;

    press(GLFW_KEY_C);
    EXPECT_FALSE(pathPlayback);
    EXPECT_TRUE(sameRecord(camera, b));
    EXPECT_TRUE(sameRecord(storedCamera, a));
    EXPECT_TRUE(keys[GLFW_KEY_C]);

    // Release and repeat change nothing but the key state.
    repeat(GLFW_KEY_C);
    release(GLFW_KEY_C);
    EXPECT_FALSE(pathPlayback);
    EXPECT_TRUE(sameRecord(camera, b));
    EXPECT_FALSE(keys[GLFW_KEY_C]);

    press(GLFW_KEY_C);
    EXPECT_TRUE(pathPlayback);
    EXPECT_TRUE(sameRecord(camera, a));
    EXPECT_TRUE(sameRecord(storedCamera, b));
}

TEST_F(InputTest, EscapeAsksToCloseInBothModes) {
    EXPECT_TRUE(recordKeyEvent(GLFW_KEY_ESCAPE, GLFW_PRESS));
    EXPECT_FALSE(recordKeyEvent(GLFW_KEY_ESCAPE, GLFW_REPEAT));
    EXPECT_FALSE(recordKeyEvent(GLFW_KEY_ESCAPE, GLFW_RELEASE));
    toFreeFlight();
    EXPECT_TRUE(recordKeyEvent(GLFW_KEY_ESCAPE, GLFW_PRESS));
    EXPECT_TRUE(keys[GLFW_KEY_ESCAPE]);
    for (int key : {GLFW_KEY_W, GLFW_KEY_SPACE, GLFW_KEY_C}) {
        EXPECT_FALSE(recordKeyEvent(key, GLFW_PRESS));
    }
}

TEST_F(InputTest, KeyCodesOutsideTheTableAreIgnored) {
    for (int key : {-1, -1000, keyCount, keyCount + 1, 1 << 30}) {
        EXPECT_FALSE(recordKeyEvent(key, GLFW_PRESS));
        EXPECT_FALSE(recordKeyEvent(key, GLFW_RELEASE));
    }
    for (bool down : keys) {
        ASSERT_FALSE(down);
    }
    press(keyCount - 1);
    EXPECT_TRUE(keys[keyCount - 1]);
}

TEST_F(InputTest, RepeatKeepsTheKeyStateAndReleaseClearsIt) {
    toFreeFlight();
    press(GLFW_KEY_W);
    repeat(GLFW_KEY_W);
    EXPECT_TRUE(keys[GLFW_KEY_W]);
    const glm::vec3 start = camera.position;
    processInput(0.5f);
    EXPECT_NEAR(glm::distance(camera.position, start), 1.5f, 1e-5f);
    release(GLFW_KEY_W);
    processInput(0.5f);
    EXPECT_NEAR(glm::distance(camera.position, start), 1.5f, 1e-5f);
}

TEST_F(InputTest, OppositeKeysCancel) {
    toFreeFlight();
    const glm::vec3 start = camera.position;
    press(GLFW_KEY_W);
    press(GLFW_KEY_S);
    press(GLFW_KEY_A);
    press(GLFW_KEY_D);
    processInput(1.0f);
    EXPECT_NEAR(glm::distance(camera.position, start), 0.0f, 1e-5f);
}

TEST_F(InputTest, SpaceTogglesOncePerPressOrRepeat) {
    toFreeFlight();
    press(GLFW_KEY_SPACE);
    processInput(0.01f);
    EXPECT_FALSE(camera.bloom);
    processInput(0.01f);
    processInput(0.01f);
    EXPECT_FALSE(camera.bloom);

    repeat(GLFW_KEY_SPACE);
    processInput(0.01f);
    EXPECT_TRUE(camera.bloom);
    processInput(0.01f);
    EXPECT_TRUE(camera.bloom);

    release(GLFW_KEY_SPACE);
    processInput(0.01f);
    EXPECT_TRUE(camera.bloom);
    press(GLFW_KEY_SPACE);
    processInput(0.01f);
    EXPECT_FALSE(camera.bloom);
}

TEST_F(InputTest, KeysHeldAcrossTheSwitchActOnTheFirstFreeFrame) {
    press(GLFW_KEY_SPACE);
    press(GLFW_KEY_W);
    const glm::vec3 start = storedCamera.position;
    press(GLFW_KEY_C);
    processInput(1.0f);
    EXPECT_FALSE(camera.bloom);
    EXPECT_NEAR(glm::distance(camera.position, start), 3.0f, 1e-5f);
}

TEST_F(InputTest, QWinsOverE) {
    toFreeFlight();
    press(GLFW_KEY_Q);
    press(GLFW_KEY_E);
    processInput(1.0f);
    EXPECT_FLOAT_EQ(camera.exposure, 0.5f);
    release(GLFW_KEY_Q);
    processInput(1.0f);
    EXPECT_FLOAT_EQ(camera.exposure, 1.0f);
    // No lower bound: held long enough, Q takes exposure below zero.
    release(GLFW_KEY_E);
    press(GLFW_KEY_Q);
    for (int frame = 0; frame < 3; ++frame) {
        processInput(1.0f);
    }
    EXPECT_FLOAT_EQ(camera.exposure, -0.5f);
}

TEST_F(InputTest, MouseLooksOnlyInFreeFlightAndFirstEventSeeds) {
    const Camera pathCamera = camera;
    mouseCallback(nullptr, 900.0, 100.0);
    EXPECT_TRUE(sameRecord(camera, pathCamera));
    EXPECT_EQ(lastX, 640.0f);
    EXPECT_EQ(lastY, 384.0f);
    EXPECT_TRUE(firstMouse);

    toFreeFlight();
    const float yaw = camera.yaw;
    mouseCallback(nullptr, 1000.0, 500.0);
    EXPECT_FALSE(firstMouse);
    EXPECT_EQ(camera.yaw, yaw);
    EXPECT_EQ(camera.pitch, 0.0f);

    // Window y grows downward, so moving the cursor up raises the pitch.
    mouseCallback(nullptr, 1100.0, 440.0);
    EXPECT_NEAR(camera.yaw, yaw + 5.0f, 1e-4f);
    EXPECT_NEAR(camera.pitch, 3.0f, 1e-4f);
}

TEST_F(InputTest, MotionDuringThePathTurnsOnReturnToFreeFlight) {
    toFreeFlight();
    mouseCallback(nullptr, 0.0, 0.0); // seeds
    press(GLFW_KEY_C);                // back to the path
    release(GLFW_KEY_C);
    mouseCallback(nullptr, 150.0, -20.0);
    mouseCallback(nullptr, 200.0, -40.0);
    toFreeFlight();
    const float yaw = camera.yaw;
    const float pitch = camera.pitch;
    mouseCallback(nullptr, 200.0, -40.0);
    EXPECT_NEAR(camera.yaw, yaw + 10.0f, 1e-4f);
    EXPECT_NEAR(camera.pitch, pitch + 2.0f, 1e-4f);
}

TEST_F(InputTest, ScrollZoomsTheLiveCameraInBothModes) {
    scrollCallback(nullptr, 7.0, 5.0); // x offset is ignored
    EXPECT_FLOAT_EQ(camera.zoom, 40.0f);
    toFreeFlight();
    EXPECT_FLOAT_EQ(camera.zoom, 45.0f);
    scrollCallback(nullptr, 0.0, 10.0);
    EXPECT_FLOAT_EQ(camera.zoom, 35.0f);
    // The path camera keeps its zoom for later trips along the path.
    press(GLFW_KEY_C);
    EXPECT_FLOAT_EQ(camera.zoom, 40.0f);
}

} // namespace
