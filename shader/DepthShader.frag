#version 330 core
in vec4 FragPos;

const float MIN_FAR_PLANE = 1e-4;

uniform vec3 lightPos;
uniform float far_plane;
uniform float near_plane;

// The shadow projection's near plane is 0, which puts every fragment at
// window depth 1.0; the linear distance to the light is stored instead,
// scaled to 0 ... 1, and the lighting pass compares against the same value.
void main()
{
    gl_FragDepth = length(FragPos.xyz - lightPos) / max(far_plane, MIN_FAR_PLANE);
}
