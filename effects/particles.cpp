#include "effects/particles.h"

#include "gfx/debug_names.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace {

constexpr int spriteVertexCount = 6;
constexpr GLsizei spriteStride = 5 * sizeof(float);
constexpr size_t spriteTexCoordOffset = 3 * sizeof(float);
constexpr const char* spriteLabel = "star sprite";

// The unit square in z = 0, texture coordinates equal to (x, y).
constexpr float spriteVertices[spriteVertexCount * 5] = {
    0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 1, 1, 0, 1, 1, 1, 0, 0, 1, 0,
};

void setUniform(GLuint program, const char* name, const glm::mat4& value) {
    glUniformMatrix4fv(glGetUniformLocation(program, name), 1, GL_FALSE, glm::value_ptr(value));
}

// Stars add their light to what is behind them; the blending is put back afterwards.
void startAdditiveBlending() {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
}

void endAdditiveBlending() {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_BLEND);
}

// One sprite with the current program and uniforms.
void drawSprite(const ParticleGenerator& generator) {
    glBindTexture(GL_TEXTURE_2D, generator.texture.ID);
    glBindVertexArray(generator.vao);
    glDrawArrays(GL_TRIANGLES, 0, spriteVertexCount);
    glBindVertexArray(0);
}

} // namespace

ParticleGenerator::ParticleGenerator(Shader shader, Texture2D texture, unsigned int amount)
    : amount(amount), shader(shader), texture(texture) {
    init();
}

void ParticleGenerator::init() {
    GLuint vbo = 0;
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glBindVertexArray(vao);
    labelObject(GL_VERTEX_ARRAY, vao, spriteLabel);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(spriteVertices), spriteVertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, spriteStride, nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, spriteStride,
                          reinterpret_cast<void*>(spriteTexCoordOffset));
    glBindVertexArray(0);
    particles.insert(particles.end(), amount, Particle());
}

void ParticleGenerator::update(float dt, glm::vec3 emitterPosition, glm::vec3 velocityBias) {
    updateParticles(particles, lastUsedParticle, dt, emitterPosition, velocityBias);
}

unsigned int ParticleGenerator::findDeadParticle() {
    return ::findDeadParticle(particles, lastUsedParticle);
}

void ParticleGenerator::respawnParticle(unsigned int index, glm::vec3 emitterPosition,
                                        glm::vec3 velocityBias) {
    ::respawnParticle(particles[index], emitterPosition, velocityBias);
}

void warmUpParticles(const ParticleGenerator& generator) {
    const GLuint program = generator.shader.ID;
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "sprite"), 0);
    glUniform4f(glGetUniformLocation(program, "color"), 0.0f, 0.0f, 0.0f, 0.0f);
    startAdditiveBlending();
    // The sprite on the unit its sampler reads: the prepared shaders are for its format.
    glActiveTexture(GL_TEXTURE0);
    drawSprite(generator);
    glBindTexture(GL_TEXTURE_2D, 0);
    endAdditiveBlending();
}

void renderParticles(ParticleGenerator& generator, const glm::mat4& view,
                     const glm::mat4& projection, float dt) {
    const GLuint program = generator.shader.ID;
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "sprite"), 0);
    setUniform(program, "view", view);
    setUniform(program, "projection", projection);
    setUniform(program, "model", glm::translate(glm::mat4(1.0f), starEmitterPosition));

    generator.update(dt, starEmitterPosition, starVelocityBias);

    startAdditiveBlending();
    glUseProgram(program);
    for (const Particle& particle : generator.particles) {
        if (particle.life <= 0.0f) {
            continue;
        }
        glUniform3f(glGetUniformLocation(program, "offset"), particle.position.x,
                    particle.position.y, particle.position.z);
        glUniform4f(glGetUniformLocation(program, "color"), particle.color.r, particle.color.g,
                    particle.color.b, particle.color.a);
        drawSprite(generator);
    }
    endAdditiveBlending();
}
