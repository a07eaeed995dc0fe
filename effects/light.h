#pragma once

#include <glm/glm.hpp>

// Where the moving point light starts its route.
constexpr glm::vec3 pointLightStart(-10.5f, 0.2f, 7.5f);

// A point light (uploaded as an element of "pointLights") or a directional light
// (uploaded as "dirLight"), with the small lamp cube drawn at it.
struct Light {
    bool isPointLight = false;
    glm::vec3 direction{0.0f};
    glm::vec3 position{0.0f};
    glm::vec3 ambient{0.0f};
    glm::vec3 diffuse{0.0f};
    glm::vec3 specular{0.0f};
    float constant = 0.0f;
    float linear = 0.0f;
    float quadratic = 0.0f;
    unsigned int lampVao = 0;
    unsigned int lampVbo = 0;

    // Where the light is: its position for a point light, its direction otherwise.
    glm::vec3 place() const { return isPointLight ? position : direction; }

    // Writes this light into the current lighting program: element index of
    // "pointLights" for a point light, "dirLight" otherwise. Needs a GL context.
    void setUniforms(unsigned int program, int index) const;
};

// The moving, shadow-casting point light.
Light pointLight();
// The fixed, dim directional light.
Light directionalLight();
