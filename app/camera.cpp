#include "app/camera.h"

#include <cmath>

namespace {

constexpr float degreesToRadians = 0.017453292f;

float radians(float degrees) {
    return degrees * degreesToRadians;
}

float cosine(float angle) {
    return static_cast<float>(std::cos(static_cast<double>(angle)));
}

float sine(float angle) {
    return static_cast<float>(std::sin(static_cast<double>(angle)));
}

glm::vec3 normalized(glm::vec3 v) {
    const float length = static_cast<float>(std::sqrt(static_cast<double>(glm::dot(v, v))));
    return v * (1.0f / length);
}

} // namespace

Camera camera(glm::vec3(-5.0f, 0.25f, 12.0f));
Camera storedCamera(glm::vec3(0.0f, 0.0f, -5.0f));

Camera::Camera(glm::vec3 position, glm::vec3 worldUp, float yaw, float pitch)
    : position(position), worldUp(worldUp), yaw(yaw), pitch(pitch) {
    updateCameraVectors();
}

Camera::Camera(glm::vec3 position, glm::vec3 worldUp, glm::vec3 front, int frameNumber)
    : position(position), front(front), worldUp(worldUp), frameNumber(frameNumber) {}

void Camera::updateCameraVectors() {
    const float yawRadians = radians(yaw);
    const float pitchRadians = radians(pitch);
    glm::vec3 direction;
    direction.x = cosine(yawRadians) * cosine(pitchRadians);
    direction.y = sine(pitchRadians);
    direction.z = sine(yawRadians) * cosine(pitchRadians);
    front = normalized(direction);
    right = normalized(glm::cross(front, worldUp));
    up = normalized(glm::cross(right, front));
}

void Camera::processKeyboard(CameraMovement direction, float deltaTime) {
    const float velocity = movementSpeed * deltaTime;
    switch (direction) {
    case CameraMovement::forward:
        position += front * velocity;
        break;
    case CameraMovement::backward:
        position -= front * velocity;
        break;
    case CameraMovement::left:
        position -= right * velocity;
        break;
    case CameraMovement::right:
        position += right * velocity;
        break;
    }
}

void Camera::processMouseMovement(float xoffset, float yoffset) {
    xoffset *= mouseSensitivity;
    yoffset *= mouseSensitivity;
    yaw += xoffset;
    pitch += yoffset;
    if (pitch > maxPitch) {
        pitch = maxPitch;
    } else if (pitch < -maxPitch) {
        pitch = -maxPitch;
    }
    updateCameraVectors();
}

void Camera::processMouseScroll(float yoffset) {
    if (zoom >= minZoom && zoom <= maxZoom) {
        zoom -= yoffset;
    }
    if (zoom <= minZoom) {
        zoom = minZoom;
    } else if (zoom >= maxZoom) {
        zoom = maxZoom;
    }
}

void Camera::processCommand(const std::string& command, float deltaTime) {
    if (command == "BLOOM") {
        bloom = !bloom;
    }
    if (command == "Q") {
        exposure = static_cast<float>(exposure - deltaTime * exposureRate);
    }
    if (command == "E") {
        exposure = static_cast<float>(exposure + deltaTime * exposureRate);
    }
}
