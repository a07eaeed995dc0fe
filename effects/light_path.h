#pragma once

#include "effects/light.h"

constexpr float initialLightPathAngle = 0.1f;
constexpr float initialLightPathSpeed = 0.2f;

// Advances the light along its route, scripted against the clock t (seconds):
// time windows of steady movement along some axes and a wobble, by the sine and
// cosine of lightPathAngle, along the others. dt is the frame's duration.
// lightPathAngle grows by 0.01 on every frame in which the light moves.
void moveLight(Light& light, float& lightPathAngle, float lightPathSpeed, float dt, float t);
