#version 330 core
layout (location = 0) out vec4 FragColor;

in vec2 TexCoords;

const float GAMMA = 2.2;
// The viewer can drive exposure to zero or below; clamping keeps the
// exponential curve monotonic, so the picture only goes dark.
const float MIN_EXPOSURE = 0.01;
const float BLOOM_STRENGTH = 0.8;
// Noise of up to half a display step either way hides banding in dark
// gradients.
const float DITHER_AMPLITUDE = 1.0 / 255.0;

uniform sampler2D scene;
uniform sampler2D bloomBlur;
uniform int bloom;
uniform float exposure;

float interleavedGradientNoise(vec2 pixel)
{
    return fract(52.9829189 * fract(dot(pixel, vec2(0.06711056, 0.00583715))));
}

void main()
{
    vec3 hdr = texture(scene, TexCoords).rgb;
    if (bloom == 1)
        hdr += texture(bloomBlur, TexCoords).rgb * BLOOM_STRENGTH;
    hdr = max(hdr, vec3(0.0));

    vec3 mapped = vec3(1.0) - exp(-hdr * max(exposure, MIN_EXPOSURE));
    vec3 display = pow(mapped, vec3(1.0 / GAMMA));
    display += (interleavedGradientNoise(gl_FragCoord.xy) - 0.5) * DITHER_AMPLITUDE;
    FragColor = vec4(clamp(display, 0.0, 1.0), 1.0);
}
