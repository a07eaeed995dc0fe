#pragma once

// The demo's shader programs: registry name and source files, in the order the
// Scene registers them.
struct ProgramFiles {
    const char* name;
    const char* vertex;
    const char* fragment;
    const char* geometry;
};

constexpr ProgramFiles scenePrograms[] = {
    {"lamp", "shader/Lamp.vert", "shader/Lamp.frag", nullptr},
    {"normalMapping", "shader/LightingAndNormalMapping.vert",
     "shader/LightingAndNormalMapping.frag", nullptr},
    {"blur", "shader/Blur.vert", "shader/Blur.frag", nullptr},
    {"bloom", "shader/Bloom.vert", "shader/Bloom.frag", nullptr},
    {"depth", "shader/DepthShader.vert", "shader/DepthShader.frag", "shader/DepthShader.geom"},
    {"cubeMap", "shader/CubeMap.vert", "shader/CubeMap.frag", nullptr},
    {"particle3D", "shader/particle3D.vert", "shader/particle3D.frag", nullptr},
};
