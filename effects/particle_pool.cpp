#include "effects/particle_pool.h"

#include <cstdlib>

namespace {

constexpr float particleLife = 5.0f;
constexpr double alphaFadeRate = 2.5;
constexpr float velocityScale = 0.1f;
constexpr int offsetRange = 100;
constexpr int offsetCentre = 50;
constexpr float offsetStep = 10.0f;
constexpr int brightnessRange = 100;
constexpr double brightnessBase = 0.5;
constexpr float brightnessStep = 100.0f;

float randomOffset() {
    return static_cast<float>(std::rand() % offsetRange - offsetCentre) / offsetStep;
}

} // namespace

unsigned int findDeadParticle(const std::vector<Particle>& particles,
                              unsigned int& lastUsedParticle) {
    const unsigned int amount = static_cast<unsigned int>(particles.size());
    for (unsigned int i = lastUsedParticle; i < amount; ++i) {
        if (particles[i].life <= 0.0f) {
            lastUsedParticle = i;
            return i;
        }
    }
    for (unsigned int i = 0; i < lastUsedParticle && i < amount; ++i) {
        if (particles[i].life <= 0.0f) {
            lastUsedParticle = i;
            return i;
        }
    }
    lastUsedParticle = 0;
    return 0;
}

void respawnParticle(Particle& particle, glm::vec3 emitterPosition, glm::vec3 velocityBias) {
    const float rx = randomOffset();
    const float ry = randomOffset();
    const float rz = randomOffset();
    const float brightness = static_cast<float>(
        brightnessBase + static_cast<float>(std::rand() % brightnessRange) / brightnessStep);
    const glm::vec3 offset(rx, ry, rz);
    particle.life = particleLife;
    particle.position = emitterPosition + offset;
    particle.color = glm::vec4(brightness, brightness, brightness, 1.0f);
    particle.velocity = (velocityBias + offset) * velocityScale;
}

void updateParticles(std::vector<Particle>& particles, unsigned int& lastUsedParticle, float dt,
                     glm::vec3 emitterPosition, glm::vec3 velocityBias) {
    if (particles.empty()) {
        return;
    }
    respawnParticle(particles[findDeadParticle(particles, lastUsedParticle)], emitterPosition,
                    velocityBias);
    for (Particle& particle : particles) {
        particle.life -= dt;
        if (particle.life > 0.0f) {
            particle.position -= particle.velocity * dt;
            particle.color.a = static_cast<float>(particle.color.a - dt * alphaFadeRate);
        }
    }
}
