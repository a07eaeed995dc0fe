#pragma once

#include <glm/glm.hpp>

#include <string>

enum class CameraMovement { forward, backward, left, right };

constexpr float defaultYaw = -90.0f;
constexpr float defaultPitch = 0.0f;
constexpr float defaultSpeed = 3.0f;
constexpr float defaultSensitivity = 0.05f;
constexpr float defaultZoom = 45.0f;
constexpr float defaultExposure = 1.0f;
constexpr float maxPitch = 89.0f;
constexpr float minZoom = 1.0f;
constexpr float maxZoom = 45.0f;
// Exposure change per second while Q or E is held.
constexpr double exposureRate = 0.5;

// The viewer's state. Also the element type of the scripted camera path, whose
// records carry only position, front and frameNumber (plus the defaults).
struct Camera {
    glm::vec3 position;
    glm::vec3 front{0.0f, 0.0f, -1.0f};
    glm::vec3 up{0.0f};
    glm::vec3 right{0.0f};
    glm::vec3 worldUp{0.0f, 1.0f, 0.0f};
    float yaw = defaultYaw;
    float pitch = defaultPitch;
    float movementSpeed = defaultSpeed;
    float mouseSensitivity = defaultSensitivity;
    float zoom = defaultZoom;
    int frameNumber = 0;
    bool bloom = true;
    float exposure = defaultExposure;

    // Free camera: derives front, right and up from yaw and pitch.
    explicit Camera(glm::vec3 position = glm::vec3(0.0f),
                    glm::vec3 worldUp = glm::vec3(0.0f, 1.0f, 0.0f), float yaw = defaultYaw,
                    float pitch = defaultPitch);
    // Path record: keeps front exactly as given; up and right stay zero.
    Camera(glm::vec3 position, glm::vec3 worldUp, glm::vec3 front, int frameNumber);

    void updateCameraVectors();
    void processKeyboard(CameraMovement direction, float deltaTime);
    void processMouseMovement(float xoffset, float yoffset);
    void processMouseScroll(float yoffset);
    void processCommand(const std::string& command, float deltaTime);
};

// The live camera the Scene draws from, and the one waiting for the C key.
extern Camera camera;
extern Camera storedCamera;
