#version 330 core
layout (location = 0) in vec3 aPos;
layout (location = 1) in vec2 aTexCoords;

out vec2 TexCoords;

// Edge length of a star sprite in world units.
const float STAR_SIZE = 0.3;
// The quad covers 0 ... 1; its centre becomes the star's position.
const vec2 QUAD_CENTRE = vec2(0.5, 0.5);

uniform mat4 model;
uniform mat4 view;
uniform mat4 projection;
uniform vec3 offset;

void main()
{
    TexCoords = aTexCoords;
    // The star's centre goes through model and view; the corners are then
    // spread in view space, so every sprite faces the camera however it turns.
    vec4 centre = view * model * vec4(offset, 1.0);
    vec2 corner = (aPos.xy - QUAD_CENTRE) * STAR_SIZE;
    gl_Position = projection * (centre + vec4(corner, aPos.z, 0.0));
}
