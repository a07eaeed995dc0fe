#version 330 core
layout (location = 0) in vec3 aPos;
layout (location = 1) in vec3 aNormal;
layout (location = 2) in vec2 aTexCoords;
layout (location = 3) in vec3 aTangent;

// Below this squared length a vector carries no usable direction.
const float MIN_LENGTH_SQUARED = 1e-8;

out vec3 FragPos;
out vec2 TexCoords;
out vec3 Normal;
out vec3 Tangent;
out vec3 Bitangent;

uniform mat4 model;
uniform mat4 view;
uniform mat4 projection;

void main()
{
    vec4 worldPos = model * vec4(aPos, 1.0);
    FragPos = worldPos.xyz;
    TexCoords = aTexCoords;

    mat3 normalMatrix = mat3(transpose(inverse(model)));
    vec3 n = normalMatrix * aNormal;
    vec3 t = mat3(model) * aTangent;

    // Zero vectors are passed on as zero; the fragment stage falls back
    // to whatever frame is still valid.
    Normal = dot(n, n) > MIN_LENGTH_SQUARED ? normalize(n) : vec3(0.0);

    // Gram-Schmidt: the imported tangent is only approximately
    // perpendicular to the smoothed normal.
    vec3 tOrtho = t - dot(t, Normal) * Normal;
    if (dot(tOrtho, tOrtho) > MIN_LENGTH_SQUARED && dot(Normal, Normal) > 0.0)
    {
        Tangent = normalize(tOrtho);
        Bitangent = cross(Normal, Tangent);
    }
    else
    {
        // Meshes without texture coordinates have no tangent frame.
        Tangent = vec3(0.0);
        Bitangent = vec3(0.0);
    }

    gl_Position = projection * view * worldPos;
}
