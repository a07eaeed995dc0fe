#pragma once

#include "effects/particle_pool.h"
#include "gfx/shader.h"
#include "gfx/texture2d.h"

#include <glm/glm.hpp>

#include <vector>

constexpr unsigned int starCount = 500;
// Where the stars are born, relative to the eye, and the drift they move against.
constexpr glm::vec3 starEmitterPosition(0.0f, 1.5f, -2.5f);
constexpr glm::vec3 starVelocityBias(0.5f, 0.5f, 0.5f);

// A fixed pool of star sprites: one slot is re-seeded per update, every slot ages.
struct ParticleGenerator {
    std::vector<Particle> particles;
    unsigned int amount = 0;
    Shader shader;
    Texture2D texture;
    GLuint vao = 0;
    // Where the next search for a dead slot starts.
    unsigned int lastUsedParticle = 0;

    // Creates the sprite quad and the pool: a GL context must be current.
    ParticleGenerator(Shader shader, Texture2D texture, unsigned int amount);

    void init();
    void update(float dt, glm::vec3 emitterPosition, glm::vec3 velocityBias);
    unsigned int findDeadParticle();
    void respawnParticle(unsigned int index, glm::vec3 emitterPosition, glm::vec3 velocityBias);
};

// Draws one fully transparent star into the bound framebuffer with the star pass's
// program, sprite and blending, and leaves the pool as it is. The driver prepares the
// pass's shaders for that state at the first draw that uses it; done during set-up, this
// keeps that work out of the frame where the stars begin.
void warmUpParticles(const ParticleGenerator& generator);

// The star pass: updates the pool and draws every live star additively with the
// translation-free view.
void renderParticles(ParticleGenerator& generator, const glm::mat4& view,
                     const glm::mat4& projection, float dt);
