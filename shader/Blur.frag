#version 330 core
layout (location = 0) out vec4 FragColor;

in vec2 TexCoords;

// Each pass reads three times: the centre and a symmetric pair of bilinear
// taps, a different pair in each of the five passes per axis. Together the
// five passes make a smooth, nearly Gaussian halo (sigma about 12 texels) that
// a fixed kernel would need more reads per pass to reach. The pairs were
// fitted to that shape; the kernels commute, so their order does not matter.
const int STEPS = 5;
const float PAIR_WEIGHTS[STEPS] = float[](0.386329, 0.349031, 0.261401, 0.269144, 0.184308);
const float PAIR_OFFSETS[STEPS] = float[](3.492931, 2.879272, 4.272273, 9.675756, 13.704713);

uniform sampler2D image;
uniform int horizontal;
// 0 ... 9: passes 2k and 2k + 1 blur along x and y with pair k.
uniform int passIndex;

void main()
{
    vec2 texel = 1.0 / vec2(textureSize(image, 0));
    vec2 stepDir = horizontal == 1 ? vec2(texel.x, 0.0) : vec2(0.0, texel.y);
    int pair = clamp(passIndex / 2, 0, STEPS - 1);
    float weight = PAIR_WEIGHTS[pair];
    vec2 offset = stepDir * PAIR_OFFSETS[pair];

    vec3 result = texture(image, TexCoords).rgb * (1.0 - 2.0 * weight)
                + (texture(image, TexCoords + offset).rgb
                   + texture(image, TexCoords - offset).rgb) * weight;
    FragColor = vec4(result, 1.0);
}
