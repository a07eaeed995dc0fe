#version 330 core
layout (location = 0) out vec4 FragColor;
layout (location = 1) out vec4 BrightColor;

in vec3 Direction;

// The sky images are sRGB-encoded; the scene is lit and blended in linear space.
const float GAMMA = 2.2;
const vec3 LUMINANCE = vec3(0.2126, 0.7152, 0.0722);
// Only near-white texels (the brightest stars) feed the glow; the rest of the
// sky stays crisp.
const float STAR_GLOW_START = 0.75;
const float STAR_GLOW_FULL = 0.95;
const float STAR_GLOW_GAIN = 1.5;

uniform samplerCube skybox;

void main()
{
    vec3 sky = pow(texture(skybox, Direction).rgb, vec3(GAMMA));
    float glow = smoothstep(STAR_GLOW_START, STAR_GLOW_FULL, dot(sky, LUMINANCE));
    FragColor = vec4(sky, 1.0);
    BrightColor = vec4(sky * glow * STAR_GLOW_GAIN, 1.0);
}
