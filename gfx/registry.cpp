#include "gfx/registry.h"

#include "gfx/debug_names.h"
#include "gfx/image_prefetch.h"
#include "gfx/soil.h"

#include <iostream>

std::map<std::string, Shader> Shaders;
std::map<std::string, Texture2D> Textures;

Shader loadShader(const char* vertexPath, const char* fragmentPath, const char* geometryPath,
                  const std::string& name) {
    Shaders.insert_or_assign(name, loadShaderFromFile(vertexPath, fragmentPath, geometryPath));
    labelObject(GL_PROGRAM, Shaders[name].ID, name);
    return Shaders[name];
}

Shader getShader(const std::string& name) {
    return Shaders[name];
}

Texture2D loadTexture(const char* file, const std::string& name) {
    Texture2D texture;
    texture.internalFormat = GL_RGBA;
    texture.imageFormat = GL_RGBA;
    int width = 0;
    int height = 0;
    unsigned char* pixels = loadImage(file, &width, &height, SOIL_LOAD_RGBA);
    if (pixels == nullptr) {
        std::cout << "ERROR::TEXTURE:: Failed to load " << file << "; the texture stays empty"
                  << std::endl;
    }
    texture.generate(width, height, pixels);
    labelObject(GL_TEXTURE, texture.ID, name);
    SOIL_free_image_data(pixels);
    Textures.insert_or_assign(name, texture);
    return Textures.at(name);
}

Texture2D getTexture(const std::string& name) {
    auto found = Textures.find(name);
    if (found == Textures.end()) {
        found = Textures.emplace(name, Texture2D()).first;
    }
    return found->second;
}
