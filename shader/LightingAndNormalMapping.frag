#version 330 core
layout (location = 0) out vec4 FragColor;
layout (location = 1) out vec4 BrightColor;

in vec3 FragPos;
in vec2 TexCoords;
in vec3 Normal;
in vec3 Tangent;
in vec3 Bitangent;

struct Material {
    float shininess;
};

struct DirLight {
    vec3 direction;
    vec3 ambient;
    vec3 diffuse;
    vec3 specular;
};

struct PointLight {
    vec3 position;
    vec3 ambient;
    vec3 diffuse;
    vec3 specular;
    float constant;
    float linear;
    float quadratic;
};

// The Scene has one point light; a longer array would cost every pixel the
// test for each unset element.
const int POINT_LIGHT_COUNT = 1;
// Only this light renders the depth cube map.
const int SHADOW_CASTER = 0;

// Colour textures hold sRGB-encoded values; lighting is done in linear space.
const float GAMMA = 2.2;
const vec3 LUMINANCE = vec3(0.2126, 0.7152, 0.0722);
const float BLOOM_THRESHOLD = 1.0;
// The diffuse map's alpha marks what burns: a texel glows by 1 - alpha, so maps without
// alpha glow nowhere. A glowing texel adds its own colour this many times over, enough
// to pass the bloom threshold from embers upwards; the light falling on it is kept.
const float EMISSION_STRENGTH = 8.0;

const float MIN_SHININESS = 1.0;
const float MIN_LENGTH_SQUARED = 1e-8;
const float MIN_ATTENUATION_DENOMINATOR = 1e-4;
// A decoded normal this close to the surface plane (or below it) cannot come
// from a tangent-space normal map, e.g. when a mesh lacks one and the sampler
// reads another texture; such texels are treated as flat.
const float MIN_NORMAL_MAP_Z = 0.05;

const int PCF_SAMPLES = 20;
// The last few taps of the spiral lie on its rim, spread round the disc. They are
// taken first; where they all agree the fragment is fully lit or fully shadowed and
// the rest of the filter is skipped, so only penumbrae pay for all the taps.
const int PCF_PROBES = 4;
const float GOLDEN_ANGLE = 2.39996323;
const float TWO_PI = 6.28318531;
// Filter radius in shadow texels, widened with view distance so that far
// surfaces, seen with fewer pixels, get softer, alias-free edges.
const float PCF_RADIUS_TEXELS = 3.0;
// Depth bias in shadow texels: a constant part for the depth quantisation
// and a slope part for nearest-texel lookups on slanted receivers.
const float BIAS_CONSTANT_TEXELS = 0.6;
const float BIAS_SLOPE_TEXELS = 0.8;
const float MAX_BIAS_SLOPE = 8.0;
// Fades the shadow term in over the last few degrees before the terminator,
// so that normal-mapped detail does not end in a hard line there.
const float TERMINATOR_SOFTNESS = 0.08;
// Far off, the lit colour fades into the colour the sky shows along the horizon
// (its nearest hills, sRGB-encoded there), so that the ground outside meets
// them without a seam. It starts beyond anything seen indoors.
const float HAZE_START = 30.0;
const float HAZE_END = 80.0;
const vec3 HAZE_COLOUR = pow(vec3(0.016, 0.018, 0.026), vec3(GAMMA));

uniform vec3 viewPos;
uniform float far_plane;
uniform float near_plane;

uniform Material material;
uniform DirLight dirLight;
uniform PointLight pointLights[POINT_LIGHT_COUNT];

uniform sampler2D texture_diffuse;
uniform sampler2D texture_specular;
uniform sampler2D texture_normal;
uniform samplerCube depthMap;

vec3 safeNormalize(vec3 v, vec3 fallback)
{
    float lenSq = dot(v, v);
    return lenSq > MIN_LENGTH_SQUARED ? v * inversesqrt(lenSq) : fallback;
}

// Per-pixel rotation of the PCF pattern: turns banding in the penumbra into
// fine, screen-stable noise.
float interleavedGradientNoise(vec2 pixel)
{
    return fract(52.9829189 * fract(dot(pixel, vec2(0.06711056, 0.00583715))));
}

// 1 where the shadow map sees the surface point of spiral tap i, else 0.
float shadowTap(vec3 fragPos, vec3 lightPos, vec3 axisU, vec3 axisV, vec2 direction, int i,
                float radius, float bias)
{
    float r = sqrt((float(i) + 0.5) / float(PCF_SAMPLES)) * radius;
    vec3 tapDir = fragPos + (axisU * direction.x + axisV * direction.y) * r - lightPos;
    // Geometry beyond far_plane is stored clamped to 1.0.
    float tapDistance = min(length(tapDir), far_plane);
    // The map has a single level; an explicit LOD keeps the lookup valid inside
    // divergent branches.
    float closest = textureLod(depthMap, tapDir, 0.0).r * far_plane;
    return tapDistance - bias > closest ? 0.0 : 1.0;
}

// Fraction of the shadow-casting light that reaches fragPos, 0 ... 1.
// The depth map stores distance to the light divided by far_plane.
float shadowVisibility(vec3 fragPos, vec3 surfaceNormal, vec3 lightPos)
{
    vec3 lightToFrag = fragPos - lightPos;
    float lightDistance = length(lightToFrag);
    if (far_plane <= 0.0 || lightDistance <= 0.0)
        return 1.0;

    float cosTheta = dot(surfaceNormal, -lightToFrag / lightDistance);
    if (cosTheta <= 0.0)
        return 0.0;
    float tanTheta = min(sqrt(max(1.0 - cosTheta * cosTheta, 0.0)) / cosTheta, MAX_BIAS_SLOPE);

    // A cube face spans 90 degrees, two units at unit distance.
    float texelSize = 2.0 * lightDistance / float(textureSize(depthMap, 0).x);
    float bias = texelSize * (BIAS_CONSTANT_TEXELS + BIAS_SLOPE_TEXELS * tanTheta);
    float viewDistance = length(viewPos - fragPos);
    float radius = texelSize * PCF_RADIUS_TEXELS * (1.0 + viewDistance / far_plane);

    // Taps are spread over the receiving surface's own plane, so each one is
    // compared with the distance that surface really has in the tap's
    // direction: slanted walls need no large bias, hence no peter-panning.
    vec3 helper = abs(surfaceNormal.y) < 0.99 ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0);
    vec3 axisU = normalize(cross(surfaceNormal, helper));
    vec3 axisV = cross(surfaceNormal, axisU);
    float rotation = interleavedGradientNoise(gl_FragCoord.xy) * TWO_PI;

    // Vogel spiral: even coverage of the disc for any sample count. Tap i lies at
    // angle i * GOLDEN_ANGLE + rotation; each step turns the direction by the
    // golden angle, which needs no sine or cosine per tap.
    mat2 turn = mat2(cos(GOLDEN_ANGLE), sin(GOLDEN_ANGLE), -sin(GOLDEN_ANGLE), cos(GOLDEN_ANGLE));
    int firstProbe = PCF_SAMPLES - PCF_PROBES;
    float probeAngle = float(firstProbe) * GOLDEN_ANGLE + rotation;
    vec2 direction = vec2(cos(probeAngle), sin(probeAngle));
    float lit = 0.0;
    for (int i = firstProbe; i < PCF_SAMPLES; ++i)
    {
        lit += shadowTap(fragPos, lightPos, axisU, axisV, direction, i, radius, bias);
        direction = turn * direction;
    }
    // A loop rather than an if: a software rasteriser runs both sides of an if
    // for every pixel, but leaves a loop once none of its pixels needs another turn.
    int remaining = lit == 0.0 || lit == float(PCF_PROBES) ? 0 : firstProbe;
    // The probes left the direction at tap PCF_SAMPLES; turning it back by that
    // many golden angles gives tap 0's without another sine and cosine.
    float back = -float(PCF_SAMPLES) * GOLDEN_ANGLE;
    direction = mat2(cos(back), sin(back), -sin(back), cos(back)) * direction;
    for (int i = 0; i < remaining; ++i)
    {
        lit += shadowTap(fragPos, lightPos, axisU, axisV, direction, i, radius, bias);
        direction = turn * direction;
    }
    return lit / float(PCF_PROBES + remaining) * smoothstep(0.0, TERMINATOR_SOFTNESS, cosTheta);
}

// Blinn-Phong for one light direction; the specular lobe carries the usual
// (n + 8) / 8 normalisation so that highlights keep their energy as the
// shininess changes, and both terms fade out with N.L.
vec3 blinnPhong(vec3 lightDir, vec3 N, vec3 V, vec3 lightDiffuse, vec3 lightSpecular,
                vec3 albedo, float specularMask, float shininess)
{
    float NdotL = max(dot(N, lightDir), 0.0);
    vec3 H = safeNormalize(lightDir + V, N);
    float specular = pow(max(dot(N, H), 0.0), shininess) * (shininess + 8.0) / 8.0;
    return (lightDiffuse * albedo + lightSpecular * specular * specularMask) * NdotL;
}

void main()
{
    // The triangle's true plane; used where no vertex normal exists and for
    // the shadow lookup, which must match the geometry in the depth map.
    // The cross product of two pixel-sized steps is tiny but only zero for
    // a degenerate triangle, so it is tested against zero, not a length.
    vec3 faceCross = cross(dFdx(FragPos), dFdy(FragPos));
    vec3 faceNormal = dot(faceCross, faceCross) > 0.0 ? normalize(faceCross) : vec3(0.0, 1.0, 0.0);
    vec3 V = safeNormalize(viewPos - FragPos, faceNormal);

    vec3 vertexNormal = safeNormalize(Normal, vec3(0.0));
    if (dot(vertexNormal, vertexNormal) == 0.0)
        vertexNormal = dot(faceNormal, V) < 0.0 ? -faceNormal : faceNormal;
    if (dot(faceNormal, vertexNormal) < 0.0)
        faceNormal = -faceNormal;

    // Sampled outside the branch so that mipmap selection stays well defined.
    vec3 mapped = texture(texture_normal, TexCoords).rgb * 2.0 - 1.0;
    vec3 N = vertexNormal;
    if (dot(Tangent, Tangent) > MIN_LENGTH_SQUARED && mapped.z > MIN_NORMAL_MAP_Z)
    {
        mat3 TBN = mat3(normalize(Tangent), normalize(Bitangent), vertexNormal);
        N = safeNormalize(TBN * mapped, vertexNormal);
    }

    vec4 diffuseTexel = texture(texture_diffuse, TexCoords);
    vec3 albedo = pow(diffuseTexel.rgb, vec3(GAMMA));
    float glow = 1.0 - diffuseTexel.a;
    float specularMask = dot(texture(texture_specular, TexCoords).rgb, vec3(1.0 / 3.0));
    float shininess = max(material.shininess, MIN_SHININESS);

    // The demo draws the directional light's lamp at the point its direction
    // names, so the vector is read as pointing from the scene to the light.
    vec3 sunDir = safeNormalize(dirLight.direction, vec3(0.0, 1.0, 0.0));
    vec3 colour = dirLight.ambient * albedo
                + blinnPhong(sunDir, N, V, dirLight.diffuse, dirLight.specular,
                             albedo, specularMask, shininess);

    for (int i = 0; i < POINT_LIGHT_COUNT; ++i)
    {
        PointLight light = pointLights[i];

        vec3 toLight = light.position - FragPos;
        float distance = length(toLight);
        vec3 L = safeNormalize(toLight, N);
        float attenuation = 1.0 / max(light.constant + light.linear * distance
                                      + light.quadratic * distance * distance,
                                      MIN_ATTENUATION_DENOMINATOR);
        vec3 direct = blinnPhong(L, N, V, light.diffuse, light.specular,
                                 albedo, specularMask, shininess) * attenuation;
        // Where the light adds nothing (the surface faces away, or an unset
        // element) there is nothing to shadow.
        if (i == SHADOW_CASTER && max(direct.r, max(direct.g, direct.b)) > 0.0)
            direct *= shadowVisibility(FragPos, faceNormal, light.position);

        // Ambient stands for the light's bounce around the room: neither
        // attenuated nor shadowed, so unlit corners stay readable.
        colour += light.ambient * albedo + direct;
    }

    colour = max(colour, vec3(0.0)) + albedo * glow * EMISSION_STRENGTH;
    float haze = smoothstep(HAZE_START, HAZE_END, length(viewPos - FragPos));
    colour = mix(colour, HAZE_COLOUR, haze);
    FragColor = vec4(colour, 1.0);
    BrightColor = dot(colour, LUMINANCE) > BLOOM_THRESHOLD ? vec4(colour, 1.0) : vec4(0.0, 0.0, 0.0, 1.0);
}
