#version 330 core
layout (location = 0) in vec3 aPos;

out vec3 Direction;

uniform mat4 view;
uniform mat4 projection;

void main()
{
    Direction = aPos;
    // The sky stays centred on the eye: only the camera's rotation applies.
    vec4 pos = projection * mat4(mat3(view)) * vec4(aPos, 1.0);
    // z = w puts the sky exactly on the far plane (depth 1.0), behind
    // everything drawn before it.
    gl_Position = pos.xyww;
}
