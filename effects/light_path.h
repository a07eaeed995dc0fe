#pragma once

#include "effects/light.h"

#include <vector>

constexpr float initialLightPathAngle = 0.1f;
constexpr float initialLightPathSpeed = 0.2f;

// Advances the light along its route, scripted against the clock t (seconds):
// time windows of steady movement along some axes and a wobble, by the sine and
// cosine of lightPathAngle, along the others. dt is the frame's duration.
// lightPathAngle grows by 0.01 on every frame in which the light moves.
void moveLight(Light& light, float& lightPathAngle, float lightPathSpeed, float dt, float t);

// The point light's route when the show runs at a steady frame rate: element f is
// where frame f leaves the light (element 0 is its start).
std::vector<glm::vec3> pointLightRoute(int frames, float framesPerSecond);
