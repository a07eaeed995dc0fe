#include "obj_file.h"

#include "toolkit/image_io.h"

#include <glm/geometric.hpp>

#include <cstdio>
#include <unordered_map>

namespace {

constexpr int positionDecimals = 3;
constexpr int directionDecimals = 4;
constexpr int uvDecimals = 4;

struct MaterialLook {
    const char* name;
    float diffuse;
    float specular;
    float shininess;
    float tileSize; // world units per texture repeat
};

// Same order as Material. The small maps repeat every metre, at the big ones' density.
constexpr MaterialLook materialLooks[materialCount] = {
    {"wall", 0.8f, 0.3f, 24.0f, 2.0f},          {"floor", 0.8f, 0.35f, 32.0f, 2.0f},
    {"ceiling", 0.75f, 0.15f, 12.0f, 2.0f},     {"wood", 0.8f, 0.2f, 16.0f, 2.0f},
    {"metal", 0.7f, 0.9f, 64.0f, 2.0f},         {"ground", 0.8f, 0.1f, 8.0f, 2.0f},
    {"brick", 0.8f, 0.2f, 16.0f, 1.0f},         {"plaster", 0.8f, 0.15f, 12.0f, 2.0f},
    {"dressed_stone", 0.8f, 0.3f, 24.0f, 2.0f}, {"rubble", 0.8f, 0.25f, 16.0f, 2.0f},
    {"ruin_stone", 0.8f, 0.2f, 16.0f, 2.0f},    {"cobbles", 0.8f, 0.35f, 32.0f, 1.0f},
    {"tiles", 0.8f, 0.5f, 48.0f, 1.0f},         {"basketweave", 0.8f, 0.25f, 16.0f, 1.0f},
    {"slate", 0.8f, 0.4f, 32.0f, 1.0f},         {"worn_step", 0.8f, 0.35f, 32.0f, 1.0f},
    {"embers", 0.8f, 0.1f, 8.0f, 0.5f},         {"flame", 0.8f, 0.0f, 1.0f, 0.5f},
};

// The demo draws the meshes in the order they stand in the file, each behind what is
// already drawn rejected before it is shaded. The rooms' walls come first, as they hide the
// rooms beyond them, the corridor's (the longest stretch of the show) before the others;
// then floors, ceilings and the things in the rooms; last the ground outside, which from
// inside lies behind everything.
constexpr Material writingOrder[materialCount] = {
    Material::brick,       Material::wall,      Material::plaster, Material::dressedStone,
    Material::rubble,      Material::ruinStone, Material::cobbles, Material::floor,
    Material::basketweave, Material::tiles,     Material::slate,   Material::wornStep,
    Material::ceiling,     Material::wood,      Material::metal,   Material::embers,
    Material::flame,       Material::ground,
};

std::string formatNumber(float value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') {
            s.pop_back();
        }
        if (s.back() == '.') {
            s.pop_back();
        }
    }
    return s == "-0" ? "0" : s;
}

// Index of the line `text` in its OBJ list, appending it to `out` when new.
int indexOf(std::unordered_map<std::string, int>& indices, const std::string& text,
            std::string& out) {
    const auto found = indices.find(text);
    if (found != indices.end()) {
        return found->second;
    }
    const int index = static_cast<int>(indices.size()) + 1;
    indices.emplace(text, index);
    out += text;
    out += '\n';
    return index;
}

// The material's name in the MTL file and in its texture file names.
const char* materialName(Material material) {
    return materialLooks[static_cast<size_t>(material)].name;
}

} // namespace

bool writeObj(const std::string& path, const MeshSet& mesh, const std::string& mtlFileName,
              float modelScale) {
    std::string text = "# Lanternfall dungeon, model units (world units x " +
                       formatNumber(1.0f / modelScale, 1) + ")\nmtllib " + mtlFileName + "\n";
    std::unordered_map<std::string, int> positions;
    std::unordered_map<std::string, int> uvs;
    std::unordered_map<std::string, int> normals;
    for (Material material : writingOrder) {
        const size_t m = static_cast<size_t>(material);
        const std::vector<MeshVertex>& list = mesh.triangles[m];
        if (list.empty()) {
            continue;
        }
        const std::string name = materialName(material);
        const float uvScale = textureTileSize / materialLooks[m].tileSize;
        std::string lists;
        std::string faces;
        for (size_t t = 0; t < list.size(); t += 3) {
            faces += 'f';
            for (size_t k = 0; k < 3; ++k) {
                const MeshVertex& v = list[t + k];
                const glm::vec3 p = v.position / modelScale;
                const glm::vec3 n = glm::normalize(v.normal);
                const glm::vec2 uv = v.uv * uvScale;
                const int positionIndex = indexOf(positions,
                                                  "v " + formatNumber(p.x, positionDecimals) + ' ' +
                                                      formatNumber(p.y, positionDecimals) + ' ' +
                                                      formatNumber(p.z, positionDecimals),
                                                  lists);
                const int ti = indexOf(uvs,
                                       "vt " + formatNumber(uv.x, uvDecimals) + ' ' +
                                           formatNumber(uv.y, uvDecimals),
                                       lists);
                const int ni = indexOf(normals,
                                       "vn " + formatNumber(n.x, directionDecimals) + ' ' +
                                           formatNumber(n.y, directionDecimals) + ' ' +
                                           formatNumber(n.z, directionDecimals),
                                       lists);
                faces += ' ' + std::to_string(positionIndex) + '/' + std::to_string(ti) + '/' +
                         std::to_string(ni);
            }
            faces += '\n';
        }
        text += "o " + name + "\nusemtl " + name + '\n' + lists + faces;
    }
    return writeTextFile(path, text);
}

bool writeMtl(const std::string& path) {
    std::string text = "# Lanternfall dungeon materials\n";
    for (const MaterialLook& look : materialLooks) {
        const std::string name = look.name;
        const std::string kd = formatNumber(look.diffuse, 3);
        const std::string ks = formatNumber(look.specular, 3);
        text += "\nnewmtl " + name + "\nKa 0 0 0\nKd " + kd + ' ' + kd + ' ' + kd + "\nKs " + ks +
                ' ' + ks + ' ' + ks + "\nNs " + formatNumber(look.shininess, 1) +
                "\nd 1\nillum 2\nmap_Kd textures/" + name + "_diffuse.png\nmap_Ks textures/" +
                name + "_specular.png\nmap_bump textures/" + name + "_normal.png\n";
    }
    return writeTextFile(path, text);
}
