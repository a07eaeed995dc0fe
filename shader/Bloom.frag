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
const float EDGE_THRESHOLD = 0.125;
const float EDGE_THRESHOLD_MIN = 0.0312;
// How much of a lone pixel that stands out is blended with its neighbours.
const float SUBPIXEL_BLEND = 0.5;
// The walk along an edge to its ends, in strides that grow; an end not found
// within them is taken to lie that much further on.
const int EDGE_SEARCH_STEPS = 2;
const float EDGE_SEARCH_STRIDES[EDGE_SEARCH_STEPS] = float[](1.0, 3.0);
const float EDGE_SEARCH_GUESS = 6.0;
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

vec3 toneMapped(vec3 hdr)
{
    vec3 mapped = vec3(1.0) - exp(-max(hdr, vec3(0.0)) * max(exposure, MIN_EXPOSURE));
    return pow(mapped, vec3(1.0 / GAMMA));
}

// Neighbours past the picture's border read the border.
ivec2 inside(ivec2 pixel)
{
    return clamp(pixel, ivec2(0), textureSize(scene, 0) - 1);
}

// The tone-mapped, gamma-corrected colour of one pixel, given its scene colour.
vec3 displayed(ivec2 pixel, vec3 sceneColour)
{
    vec3 hdr = sceneColour;
    if (bloom == 1)
        hdr += texelFetch(bloomBlur, inside(pixel), 0).rgb * BLOOM_STRENGTH;
    return toneMapped(hdr);
}

vec3 sceneAt(ivec2 pixel)
{
    return texelFetch(scene, inside(pixel), 0).rgb;
}

// Perceived brightness of a scene colour, for finding edges: the scene alone
// (the bloom is smooth), through a cheap curve of the same shape as the tone map's.
float edgeLuma(vec3 sceneColour)
{
    float y = max(dot(sceneColour, LUMA_WEIGHTS), 0.0);
    float exposed = y * max(exposure, MIN_EXPOSURE);
    return sqrt(exposed / (1.0 + exposed));
}

float edgeLuma(ivec2 pixel)
{
    return edgeLuma(sceneAt(pixel));
}

// The same between pixel centres, where it reads their mean.
float edgeLuma(vec2 at)
{
    return edgeLuma(texture(scene, at / vec2(textureSize(scene, 0))).rgb);
}

// The centre pixel blended towards its neighbour across the edge it lies on,
// by how near it is to the edge's nearer end (where a staircase steps).
vec3 antialiased(ivec2 pixel)
{
    vec3 sceneCentre = sceneAt(pixel);
    float lumaCentre = edgeLuma(sceneCentre);
    float lumaN = edgeLuma(pixel + ivec2(0, 1));
    float lumaS = edgeLuma(pixel + ivec2(0, -1));
    float lumaE = edgeLuma(pixel + ivec2(1, 0));
    float lumaW = edgeLuma(pixel + ivec2(-1, 0));
    float lumaMin = min(lumaCentre, min(min(lumaN, lumaS), min(lumaE, lumaW)));
    float lumaMax = max(lumaCentre, max(max(lumaN, lumaS), max(lumaE, lumaW)));
    float range = lumaMax - lumaMin;
    vec3 centre = displayed(pixel, sceneCentre);
    if (range < max(EDGE_THRESHOLD_MIN, lumaMax * EDGE_THRESHOLD))
        return centre;

    // An edge runs along x where luma changes most along y, and the other way.
    bool horizontal = abs(lumaN + lumaS - 2.0 * lumaCentre) >= abs(lumaE + lumaW - 2.0 * lumaCentre);
    vec2 along = horizontal ? vec2(1.0, 0.0) : vec2(0.0, 1.0);
    vec2 across = horizontal ? vec2(0.0, 1.0) : vec2(1.0, 0.0);

    // The side across the edge where luma changes most.
    float lumaBelow = horizontal ? lumaS : lumaW;
    float lumaAbove = horizontal ? lumaN : lumaE;
    bool belowSteeper = abs(lumaBelow - lumaCentre) >= abs(lumaAbove - lumaCentre);
    if (belowSteeper)
        across = -across;
    float endGradient = EDGE_END_FRACTION * max(abs(lumaBelow - lumaCentre),
                                                abs(lumaAbove - lumaCentre));

    // Walk both ways along the edge, on the line between the two rows it
    // separates, until their mean luma leaves its value here.
    vec2 onEdge = vec2(pixel) + 0.5 + 0.5 * across;
    float edgeMean = edgeLuma(onEdge);
    float distanceBack = 0.0;
    float distanceOn = 0.0;
    float endBack = 0.0;
    float endOn = 0.0;
    bool backDone = false;
    bool onDone = false;
    for (int i = 0; i < EDGE_SEARCH_STEPS; ++i) {
        if (!backDone) {
            distanceBack += EDGE_SEARCH_STRIDES[i];
            endBack = edgeLuma(onEdge - along * distanceBack) - edgeMean;
            backDone = abs(endBack) >= endGradient;
        }
        if (!onDone) {
            distanceOn += EDGE_SEARCH_STRIDES[i];
            endOn = edgeLuma(onEdge + along * distanceOn) - edgeMean;
            onDone = abs(endOn) >= endGradient;
        }
    }
    distanceBack += backDone ? 0.0 : EDGE_SEARCH_GUESS;
    distanceOn += onDone ? 0.0 : EDGE_SEARCH_GUESS;

    // Only the nearer end counts, and only when the edge steps towards this
    // pixel's side there.
    bool backNearer = distanceBack < distanceOn;
    float nearest = min(distanceBack, distanceOn);
    float nearEnd = backNearer ? endBack : endOn;
    bool stepsHere = (nearEnd < 0.0) != (lumaCentre < edgeMean);
    float edgeBlend = stepsHere ? 0.5 - nearest / (distanceBack + distanceOn) : 0.0;

    // A pixel unlike all its neighbours gets part of their colour.
    float neighbourhood = 0.25 * (lumaN + lumaS + lumaE + lumaW);
    float standsOut = clamp(abs(neighbourhood - lumaCentre) / range, 0.0, 1.0);
    float smoothStandsOut = (3.0 - 2.0 * standsOut) * standsOut * standsOut;
    float subpixelBlend = smoothStandsOut * smoothStandsOut * SUBPIXEL_BLEND;

    ivec2 neighbour = pixel + ivec2(across);
    return mix(centre, displayed(neighbour, sceneAt(neighbour)), max(edgeBlend, subpixelBlend));
}

void main()
{
    ivec2 pixel = ivec2(TexCoords * vec2(textureSize(scene, 0)));
    vec3 display = antialiased(pixel);
    display += (interleavedGradientNoise(gl_FragCoord.xy) - 0.5) * DITHER_AMPLITUDE;
    FragColor = vec4(clamp(display, 0.0, 1.0), 1.0);
}
