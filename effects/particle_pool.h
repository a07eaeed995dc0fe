#pragma once

#include <glm/glm.hpp>

#include <vector>

// Show seconds after which the stars join: from the first frame whose time is past it.
constexpr float starsStartTime = 142.0f;

struct Particle {
    glm::vec3 position{0.0f};
    glm::vec3 velocity{0.0f};
    glm::vec4 color{1.0f};
    // Seconds left; alive while above zero.
    float life = 0.0f;
};

// The pool's bookkeeping, free of GL so it can be exercised on its own.

// The first dead slot from lastUsedParticle on, wrapping round; when every slot is
// alive, slot 0. Updates lastUsedParticle to the slot returned.
unsigned int findDeadParticle(const std::vector<Particle>& particles,
                              unsigned int& lastUsedParticle);

// Re-seeds a particle with four draws of rand(): offsets x, y, z in -5.0 .. 4.9,
// then a brightness in 0.5 .. 1.49. It lives five seconds.
void respawnParticle(Particle& particle, glm::vec3 emitterPosition, glm::vec3 velocityBias);

// Re-seeds one slot, then ages every slot by dt; live ones drift and fade.
void updateParticles(std::vector<Particle>& particles, unsigned int& lastUsedParticle, float dt,
                     glm::vec3 emitterPosition, glm::vec3 velocityBias);
