#include "show/data.h"

#include "app/run_directory.h"
#include "gfx/registry.h"
#include "scene/programs.h"
#include "scene/scene.h"

#include <glad/gl.h>

#include <filesystem>
#include <iostream>

namespace {

// A face the cube map got from no file at all is this wide (gfx/cube_map.h).
constexpr GLint standInFaceSize = 1;
constexpr const char* starSprite = "stars";

// A program that did not build is replaced by one without uniforms (gfx/shader.cpp); each
// of the Scene's own has some.
bool programBuilt(GLuint program) {
    GLint uniforms = 0;
    if (program != 0) {
        glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &uniforms);
    }
    return uniforms > 0;
}

GLint skyFaceSize(GLuint cubeMap) {
    GLint width = 0;
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X, 0, GL_TEXTURE_WIDTH, &width);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return width;
}

} // namespace

bool enterToolRunDirectory(const std::string& tool) {
    const RunDirectorySearch search = enterRunDirectory(LANTERNFALL_PROJECT_ROOT);
    if (search.chosen.empty()) {
        std::cerr << noRunDirectoryMessage(search, tool, false) << std::endl;
        return false;
    }
    return true;
}

std::string fromStartFolder(const std::string& path, const std::string& defaultPath) {
    if (path.empty() || path == defaultPath) {
        return path;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

std::vector<std::string> missingSceneData(const Scene& scene) {
    std::vector<std::string> missing;
    for (const ProgramFiles& program : scenePrograms) {
        if (!programBuilt(getShader(program.name).ID)) {
            missing.push_back(std::string("the program ") + program.name + " (" + program.vertex +
                              ", " + program.fragment +
                              (program.geometry != nullptr ? std::string(", ") + program.geometry
                                                           : std::string()) +
                              ") did not build");
        }
    }
    if (scene.dungeon.meshes.empty()) {
        missing.push_back("the dungeon has no meshes");
    }
    if (skyFaceSize(scene.skyboxTexture) <= standInFaceSize) {
        missing.push_back("no face of the sky could be read");
    }
    const auto stars = Textures.find(starSprite);
    if (stars == Textures.end() || stars->second.width == 0) {
        missing.push_back("the star sprite could not be read");
    }
    return missing;
}

bool dataComplete(const std::vector<std::string>& missing, const std::string& tool) {
    for (const std::string& line : missing) {
        std::cerr << "ERROR::DATA:: " << line << std::endl;
    }
    if (!missing.empty()) {
        std::cerr << "ERROR::DATA:: " << tool << " stops: the show's data is incomplete"
                  << std::endl;
    }
    return missing.empty();
}
