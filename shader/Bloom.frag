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

// Edge-directed anti-aliasing of the tone-mapped picture. A pixel is smoothed
// only where the local contrast of its neighbourhood passes both thresholds
// (relative to its brightest neighbour, and absolute for dark areas), so
// texture detail below them is left as it is.
const float EDGE_THRESHOLD = 0.166;
const float EDGE_THRESHOLD_MIN = 0.0833;
// How much of a lone pixel that stands out is blended with its neighbours.
const float SUBPIXEL_BLEND = 0.5;
// The walk along an edge to its ends: strides grow so long edges stay cheap.
const int EDGE_SEARCH_STEPS = 10;
const int EDGE_SEARCH_STRIDES[EDGE_SEARCH_STEPS] = int[](1, 1, 1, 1, 1, 2, 2, 2, 4, 8);
// A change of a quarter of the gradient across the edge marks its end.
const float EDGE_END_FRACTION = 0.25;
const vec3 LUMA_WEIGHTS = vec3(0.299, 0.587, 0.114);

uniform sampler2D scene;
uniform sampler2D bloomBlur;
uniform int bloom;
uniform float exposure;

float interleavedGradientNoise(vec2 pixel)
{
    return fract(52.9829189 * fract(dot(pixel, vec2(0.06711056, 0.00583715))));
}

// The tone-mapped, gamma-corrected colour of one pixel of the HDR targets.
vec3 displayed(ivec2 pixel)
{
    pixel = clamp(pixel, ivec2(0), textureSize(scene, 0) - 1);
    vec3 hdr = texelFetch(scene, pixel, 0).rgb;
    if (bloom == 1)
        hdr += texelFetch(bloomBlur, pixel, 0).rgb * BLOOM_STRENGTH;
    hdr = max(hdr, vec3(0.0));

    vec3 mapped = vec3(1.0) - exp(-hdr * max(exposure, MIN_EXPOSURE));
    return pow(mapped, vec3(1.0 / GAMMA));
}

float luma(ivec2 pixel)
{
    return dot(displayed(pixel), LUMA_WEIGHTS);
}

// The centre pixel blended towards its neighbour across the edge it lies on,
// by how near it is to the edge's nearer end (where a staircase steps).
vec3 antialiased(ivec2 pixel)
{
    vec3 centre = displayed(pixel);
    float lumaCentre = dot(centre, LUMA_WEIGHTS);
    float lumaN = luma(pixel + ivec2(0, 1));
    float lumaS = luma(pixel + ivec2(0, -1));
    float lumaE = luma(pixel + ivec2(1, 0));
    float lumaW = luma(pixel + ivec2(-1, 0));
    float lumaMin = min(lumaCentre, min(min(lumaN, lumaS), min(lumaE, lumaW)));
    float lumaMax = max(lumaCentre, max(max(lumaN, lumaS), max(lumaE, lumaW)));
    float range = lumaMax - lumaMin;
    if (range < max(EDGE_THRESHOLD_MIN, lumaMax * EDGE_THRESHOLD))
        return centre;

    float lumaNE = luma(pixel + ivec2(1, 1));
    float lumaNW = luma(pixel + ivec2(-1, 1));
    float lumaSE = luma(pixel + ivec2(1, -1));
    float lumaSW = luma(pixel + ivec2(-1, -1));

    // An edge runs along x where luma changes most along y, and the other way.
    float alongX = abs(lumaNW + lumaSW - 2.0 * lumaW) + 2.0 * abs(lumaN + lumaS - 2.0 * lumaCentre)
                 + abs(lumaNE + lumaSE - 2.0 * lumaE);
    float alongY = abs(lumaNW + lumaNE - 2.0 * lumaN) + 2.0 * abs(lumaW + lumaE - 2.0 * lumaCentre)
                 + abs(lumaSW + lumaSE - 2.0 * lumaS);
    bool horizontal = alongX >= alongY;
    ivec2 along = horizontal ? ivec2(1, 0) : ivec2(0, 1);
    ivec2 across = horizontal ? ivec2(0, 1) : ivec2(1, 0);

    // The side across the edge where luma changes most.
    float lumaBelow = horizontal ? lumaS : lumaW;
    float lumaAbove = horizontal ? lumaN : lumaE;
    bool belowSteeper = abs(lumaBelow - lumaCentre) >= abs(lumaAbove - lumaCentre);
    if (belowSteeper)
        across = -across;
    float lumaAcross = belowSteeper ? lumaBelow : lumaAbove;
    float endGradient = EDGE_END_FRACTION * max(abs(lumaBelow - lumaCentre),
                                                abs(lumaAbove - lumaCentre));
    float edgeLuma = 0.5 * (lumaCentre + lumaAcross);

    // Walk both ways along the edge, on the pair of rows it separates, until the
    // pair's mean luma leaves the edge's.
    int distanceBack = 0;
    int distanceOn = 0;
    float endBack = 0.0;
    float endOn = 0.0;
    bool backDone = false;
    bool onDone = false;
    for (int i = 0; i < EDGE_SEARCH_STEPS && !(backDone && onDone); ++i) {
        if (!backDone) {
            distanceBack += EDGE_SEARCH_STRIDES[i];
            ivec2 at = pixel - along * distanceBack;
            endBack = 0.5 * (luma(at) + luma(at + across)) - edgeLuma;
            backDone = abs(endBack) >= endGradient;
        }
        if (!onDone) {
            distanceOn += EDGE_SEARCH_STRIDES[i];
            ivec2 at = pixel + along * distanceOn;
            endOn = 0.5 * (luma(at) + luma(at + across)) - edgeLuma;
            onDone = abs(endOn) >= endGradient;
        }
    }

    // Only the nearer end counts, and only when the edge steps towards this
    // pixel's side there.
    bool backNearer = distanceBack < distanceOn;
    float nearest = float(min(distanceBack, distanceOn));
    float edgeLength = float(distanceBack + distanceOn);
    float nearEnd = backNearer ? endBack : endOn;
    bool stepsHere = (nearEnd < 0.0) != (lumaCentre < edgeLuma);
    float edgeBlend = stepsHere ? 0.5 - nearest / edgeLength : 0.0;

    // A pixel unlike all its neighbours gets part of their colour.
    float neighbourhood = (2.0 * (lumaN + lumaS + lumaE + lumaW)
                           + lumaNE + lumaNW + lumaSE + lumaSW) / 12.0;
    float standsOut = clamp(abs(neighbourhood - lumaCentre) / range, 0.0, 1.0);
    float smoothStandsOut = (3.0 - 2.0 * standsOut) * standsOut * standsOut;
    float subpixelBlend = smoothStandsOut * smoothStandsOut * SUBPIXEL_BLEND;

    return mix(centre, displayed(pixel + across), max(edgeBlend, subpixelBlend));
}

void main()
{
    ivec2 pixel = ivec2(TexCoords * vec2(textureSize(scene, 0)));
    vec3 display = antialiased(pixel);
    display += (interleavedGradientNoise(gl_FragCoord.xy) - 0.5) * DITHER_AMPLITUDE;
    FragColor = vec4(clamp(display, 0.0, 1.0), 1.0);
}
