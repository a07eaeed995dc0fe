#include "effects/light_path.h"

#include <cmath>
#include <limits>

namespace {

constexpr double angleStep = 0.01;

// One axis of a window's step, in units of s: a steady factor, or the sine or
// cosine of the wobble angle.
enum class Step { steady, sine, cosine };

struct AxisStep {
    Step kind;
    float factor;
};

constexpr AxisStep steady(float factor) {
    return {Step::steady, factor};
}
constexpr AxisStep sine{Step::sine, 1.0f};
constexpr AxisStep cosine{Step::cosine, 1.0f};
constexpr AxisStep still{Step::steady, 0.0f};

struct RouteWindow {
    float start; // excluded
    float end;   // included
    bool moves;
    AxisStep x, y, z;
};

constexpr RouteWindow route[] = {
    {0.0f, 56.0f, true, steady(1), cosine, sine},
    {56.0f, 75.0f, true, sine, cosine, steady(-1)},
    {75.0f, 80.0f, true, sine, steady(-1), steady(-1)},
    {80.0f, 85.0f, true, sine, steady(1), steady(-1)},
    {85.0f, 100.0f, true, sine, cosine, steady(-1)},
    {100.0f, 105.0f, true, sine, steady(-1), steady(-1)},
    {105.0f, 112.0f, true, sine, steady(1), steady(-1)},
    {112.0f, 130.0f, true, sine, cosine, steady(-2)},
    {130.0f, 145.0f, false, still, still, still},
    {145.0f, std::numeric_limits<float>::infinity(), true, sine, steady(5), steady(-5)},
};

float stepAlong(AxisStep axis, float s, float sinA, float cosA) {
    switch (axis.kind) {
    case Step::sine:
        return sinA * s;
    case Step::cosine:
        return cosA * s;
    case Step::steady:
        break;
    }
    return axis.factor * s;
}

} // namespace

void moveLight(Light& light, float& lightPathAngle, float lightPathSpeed, float dt, float t) {
    glm::vec3 p = light.place();
    const float s = lightPathSpeed * dt;
    for (const RouteWindow& window : route) {
        if (t <= window.start || t > window.end) {
            continue;
        }
        if (window.moves) {
            const double a = lightPathAngle;
            const float sinA = static_cast<float>(std::sin(a));
            const float cosA = static_cast<float>(std::cos(a));
            lightPathAngle = static_cast<float>(lightPathAngle + angleStep);
            p += glm::vec3(stepAlong(window.x, s, sinA, cosA), stepAlong(window.y, s, sinA, cosA),
                           stepAlong(window.z, s, sinA, cosA));
        }
        break;
    }
    light.position = p;
}

std::vector<glm::vec3> pointLightRoute(int frames, float framesPerSecond) {
    Light light;
    light.isPointLight = true;
    light.position = pointLightStart;
    float angle = initialLightPathAngle;
    std::vector<glm::vec3> route = {light.position};
    for (int frame = 1; frame <= frames; ++frame) {
        moveLight(light, angle, initialLightPathSpeed, 1.0f / framesPerSecond,
                  static_cast<float>(frame) / framesPerSecond);
        route.push_back(light.position);
    }
    return route;
}
