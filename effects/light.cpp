#include "effects/light.h"

#include <glad/gl.h>

#include <string>

namespace {

constexpr glm::vec3 directionalLightDirection(-30.0f, 10.0f, 10.0f);
constexpr float attenuationConstant = 1.0f;
constexpr float attenuationLinear = 0.09f;
constexpr float attenuationQuadratic = 0.032f;

void setVec3(GLuint program, const std::string& name, const glm::vec3& value) {
    glUniform3f(glGetUniformLocation(program, name.c_str()), value.x, value.y, value.z);
}

void setFloat(GLuint program, const std::string& name, float value) {
    glUniform1f(glGetUniformLocation(program, name.c_str()), value);
}

} // namespace

Light pointLight() {
    Light light;
    light.isPointLight = true;
    light.position = pointLightStart;
    light.ambient = glm::vec3(0.05f);
    light.diffuse = glm::vec3(1.0f, 0.8f, 0.8f);
    light.specular = glm::vec3(1.0f);
    light.constant = attenuationConstant;
    light.linear = attenuationLinear;
    light.quadratic = attenuationQuadratic;
    return light;
}

Light directionalLight() {
    Light light;
    light.isPointLight = false;
    light.direction = directionalLightDirection;
    light.ambient = glm::vec3(0.01f);
    light.diffuse = glm::vec3(0.2f);
    light.specular = glm::vec3(0.1f);
    light.constant = attenuationConstant;
    light.linear = attenuationLinear;
    light.quadratic = attenuationQuadratic;
    return light;
}

void Light::setUniforms(unsigned int program, int index) const {
    const std::string element = "pointLights[" + std::to_string(index);
    if (isPointLight) {
        setVec3(program, element + "].position", position);
        setVec3(program, element + "].ambient", ambient);
        setVec3(program, element + "].diffuse", diffuse);
        setVec3(program, element + "].specular", specular);
        setFloat(program, element + "].constant", constant);
        setFloat(program, element + "].linear", linear);
        setFloat(program, element + "].quadratic", quadratic);
    } else {
        setVec3(program, "dirLight.direction", direction);
        setVec3(program, "dirLight.ambient", ambient);
        setVec3(program, "dirLight.diffuse", diffuse);
        setVec3(program, "dirLight.specular", specular);
    }
}
