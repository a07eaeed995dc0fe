#version 330 core
layout (location = 0) in vec3 aPos;

uniform mat4 model;

// World space only; the geometry stage applies each cube face's transform.
void main()
{
    gl_Position = model * vec4(aPos, 1.0);
}
