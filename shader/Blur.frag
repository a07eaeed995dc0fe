#version 330 core
layout (location = 0) out vec4 FragColor;

in vec2 TexCoords;

// A 13-tap Gaussian (sigma 3 texels), normalised so that the centre plus
// both sides sum to 1. On each side, neighbouring taps are merged in pairs
// into one bilinear fetch placed between them, so a pass costs 7 reads.
// The taps are spread SPREAD texels apart, so that ten passes give the lamps
// a halo of a few dozen pixels rather than a thin rim.
const int PAIR_COUNT = 3;
const float CENTRE_WEIGHT = 0.13702282;
const float PAIR_WEIGHTS[PAIR_COUNT] = float[](0.23933732, 0.13944030, 0.05271096);
const float PAIR_OFFSETS[PAIR_COUNT] = float[](1.45842952, 3.40398481, 5.35180578);
const float SPREAD = 2.0;

uniform sampler2D image;
uniform int horizontal;

void main()
{
    vec2 texel = 1.0 / vec2(textureSize(image, 0));
    vec2 stepDir = horizontal == 1 ? vec2(texel.x, 0.0) : vec2(0.0, texel.y);

    vec3 result = texture(image, TexCoords).rgb * CENTRE_WEIGHT;
    for (int i = 0; i < PAIR_COUNT; ++i)
    {
        vec2 offset = stepDir * PAIR_OFFSETS[i] * SPREAD;
        result += texture(image, TexCoords + offset).rgb * PAIR_WEIGHTS[i];
        result += texture(image, TexCoords - offset).rgb * PAIR_WEIGHTS[i];
    }
    FragColor = vec4(result, 1.0);
}
