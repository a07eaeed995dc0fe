#version 330 core
layout (location = 0) out vec4 FragColor;
layout (location = 1) out vec4 BrightColor;

in vec3 LocalPos;

// The point light's diffuse colour, so the lamp matches the light it casts.
const vec3 LAMP_COLOUR = vec3(1.0, 0.8, 0.8);
// Well above the bloom threshold so the cube always glows.
const float LAMP_INTENSITY = 4.0;
// Face centres burn hotter than the edges, which keeps the cube readable as
// a shape after tone mapping instead of a flat saturated blot.
const float EDGE_INTENSITY = 0.35;
const float CUBE_HALF_EXTENT = 0.5;

void main()
{
    // On a cube face one coordinate sits at the half extent; the larger of
    // the other two measures how far the fragment is from the face's centre.
    vec3 a = abs(LocalPos) / CUBE_HALF_EXTENT;
    float largest = max(a.x, max(a.y, a.z));
    float smallest = min(a.x, min(a.y, a.z));
    float edge = a.x + a.y + a.z - largest - smallest;
    float core = mix(1.0, EDGE_INTENSITY, smoothstep(0.0, 1.0, edge));

    vec3 colour = LAMP_COLOUR * LAMP_INTENSITY * core;
    FragColor = vec4(colour, 1.0);
    BrightColor = vec4(colour, 1.0);
}
