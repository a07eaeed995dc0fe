#version 330 core
layout (triangles) in;
layout (triangle_strip, max_vertices = 18) out;

const int CUBE_FACES = 6;

uniform mat4 shadowTransforms[CUBE_FACES];

out vec4 FragPos;

// True when the whole triangle lies outside one side of the face's frustum;
// such triangles are skipped instead of being sent to the clipper.
bool outsideFace(vec4 a, vec4 b, vec4 c)
{
    return (a.w <= 0.0 && b.w <= 0.0 && c.w <= 0.0)
        || (a.x >  a.w && b.x >  b.w && c.x >  c.w)
        || (a.x < -a.w && b.x < -b.w && c.x < -c.w)
        || (a.y >  a.w && b.y >  b.w && c.y >  c.w)
        || (a.y < -a.w && b.y < -b.w && c.y < -c.w);
}

void main()
{
    for (int face = 0; face < CUBE_FACES; ++face)
    {
        vec4 clip0 = shadowTransforms[face] * gl_in[0].gl_Position;
        vec4 clip1 = shadowTransforms[face] * gl_in[1].gl_Position;
        vec4 clip2 = shadowTransforms[face] * gl_in[2].gl_Position;
        if (outsideFace(clip0, clip1, clip2))
            continue;

        // gl_Layer is undefined after EmitVertex, so it is set per vertex.
        gl_Layer = face;
        FragPos = gl_in[0].gl_Position;
        gl_Position = clip0;
        EmitVertex();

        gl_Layer = face;
        FragPos = gl_in[1].gl_Position;
        gl_Position = clip1;
        EmitVertex();

        gl_Layer = face;
        FragPos = gl_in[2].gl_Position;
        gl_Position = clip2;
        EmitVertex();

        EndPrimitive();
    }
}
