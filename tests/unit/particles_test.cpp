#include "effects/particle_pool.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr glm::vec3 emitter(0.0f, 1.5f, -2.5f);
constexpr glm::vec3 bias(0.5f, 0.5f, 0.5f);

std::vector<Particle> poolWithLives(std::initializer_list<float> lives) {
    std::vector<Particle> pool;
    for (float life : lives) {
        Particle particle;
        particle.life = life;
        pool.push_back(particle);
    }
    return pool;
}

TEST(Particles, DeadSlotSearchStartsAtTheLastAndWraps) {
    std::vector<Particle> pool = poolWithLives({0.0f, 1.0f, -0.5f, 1.0f});
    unsigned int last = 1;
    EXPECT_EQ(findDeadParticle(pool, last), 2u);
    EXPECT_EQ(last, 2u);
    pool[2].life = 1.0f;
    EXPECT_EQ(findDeadParticle(pool, last), 0u); // wrapped round
    EXPECT_EQ(last, 0u);

    // Every slot alive: slot 0 is taken again although it lives.
    pool = poolWithLives({1.0f, 1.0f, 1.0f});
    last = 2;
    EXPECT_EQ(findDeadParticle(pool, last), 0u);
    EXPECT_EQ(last, 0u);
}

TEST(Particles, RespawnDrawsFourRandomsInOrder) {
    std::srand(12345);
    int draws[5];
    for (int& draw : draws) {
        draw = std::rand();
    }
    std::srand(12345);
    Particle particle;
    respawnParticle(particle, emitter, bias);

    const glm::vec3 offset((draws[0] % 100 - 50) / 10.0f, (draws[1] % 100 - 50) / 10.0f,
                           (draws[2] % 100 - 50) / 10.0f);
    const float brightness = static_cast<float>(0.5 + (draws[3] % 100) / 100.0f);
    EXPECT_EQ(particle.position, emitter + offset);
    EXPECT_EQ(particle.velocity, (bias + offset) * 0.1f);
    EXPECT_EQ(particle.color, glm::vec4(brightness, brightness, brightness, 1.0f));
    EXPECT_FLOAT_EQ(particle.life, 5.0f);
    // Exactly four draws were used.
    EXPECT_EQ(std::rand(), draws[4]);
}

TEST(Particles, UpdateAgesEverySlotAndMovesOnlyTheLiving) {
    std::vector<Particle> pool = poolWithLives({0.0f, 2.0f, 0.05f});
    pool[1].velocity = glm::vec3(1.0f, 0.0f, 0.0f);
    pool[2].position = glm::vec3(3.0f);
    pool[2].velocity = glm::vec3(1.0f);
    unsigned int last = 0;
    updateParticles(pool, last, 0.1f, emitter, bias);

    // Slot 0 was re-seeded and has aged by one frame.
    EXPECT_FLOAT_EQ(pool[0].life, 4.9f);
    EXPECT_FLOAT_EQ(pool[0].color.a, 0.75f);
    // A live slot drifts against its velocity and fades by 2.5 per second.
    EXPECT_FLOAT_EQ(pool[1].life, 1.9f);
    EXPECT_FLOAT_EQ(pool[1].position.x, -0.1f);
    EXPECT_FLOAT_EQ(pool[1].color.a, 0.75f);
    // A slot that dies this frame keeps its place and keeps counting below zero.
    EXPECT_FLOAT_EQ(pool[2].life, -0.05f);
    EXPECT_EQ(pool[2].position, glm::vec3(3.0f));
    EXPECT_FLOAT_EQ(pool[2].color.a, 1.0f);
}

TEST(Particles, AlphaKeepsFallingBelowZero) {
    std::vector<Particle> pool = poolWithLives({5.0f, 5.0f});
    unsigned int last = 0;
    for (int frame = 0; frame < 100; ++frame) {
        updateParticles(pool, last, 0.01f, emitter, bias);
    }
    // Slot 1 lived a whole second: 1.0 - 2.5 per second, no clamp.
    EXPECT_NEAR(pool[1].color.a, -1.5f, 1e-3f);
    EXPECT_NEAR(pool[1].life, 4.0f, 1e-3f);
}

} // namespace
