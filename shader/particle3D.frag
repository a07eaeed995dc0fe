#version 330 core
layout (location = 0) out vec4 FragColor;
layout (location = 1) out vec4 BrightColor;

in vec2 TexCoords;

// The pool lowers color.a by this much per second from 1.0 at birth and
// kills a particle after its lifetime; the age is recovered from it and
// given a visible envelope of our own, since the raw value is below zero
// for most of the life.
const float ALPHA_FADE_RATE = 2.5;
const float PARTICLE_LIFETIME = 5.0;
const float FADE_IN_TIME = 0.3;
const float FADE_OUT_TIME = 1.2;
// Never fully invisible while alive.
const float MIN_VISIBILITY = 0.15;

const float TWINKLE_SPEED = 9.0;
const float TWINKLE_DEPTH = 0.35;
// Spreads the pool's brightness steps over many twinkle phases.
const float TWINKLE_PHASE_SPREAD = 40.0;

// Cool white; for most of the pool's brightness range this lies above the
// bloom threshold, so the stars glow.
const vec3 STAR_TINT = vec3(0.85, 0.9, 1.0);
const float STAR_INTENSITY = 2.0;
// Texels that add (almost) nothing, transparent or black, are dropped, so
// the empty corners of the quad do not write depth and hide stars behind them.
const float MIN_COVERAGE = 1.0 / 255.0;

uniform sampler2D sprite;
uniform vec4 color;

void main()
{
    vec4 texel = texture(sprite, TexCoords);

    float age = clamp((1.0 - color.a) / ALPHA_FADE_RATE, 0.0, PARTICLE_LIFETIME);
    float fadeIn = smoothstep(0.0, FADE_IN_TIME, age);
    float fadeOut = 1.0 - smoothstep(PARTICLE_LIFETIME - FADE_OUT_TIME, PARTICLE_LIFETIME, age);
    // Each star twinkles with its own phase, taken from its brightness.
    float twinkle = 1.0 - TWINKLE_DEPTH * (0.5 + 0.5 * sin(age * TWINKLE_SPEED + color.r * TWINKLE_PHASE_SPREAD));
    float visibility = max(fadeIn * fadeOut * twinkle, MIN_VISIBILITY);

    // Blended with (SRC_ALPHA, ONE): alpha scales how much light each star adds.
    float alpha = texel.a * visibility;
    if (alpha * max(texel.r, max(texel.g, texel.b)) < MIN_COVERAGE)
        discard;

    vec3 colour = max(color.rgb, vec3(0.0)) * STAR_TINT * texel.rgb * STAR_INTENSITY;
    FragColor = vec4(colour, alpha);
    BrightColor = vec4(colour, alpha);
}
