#include "obj_file.h"

#include "toolkit/image_io.h"

#include <glm/geometric.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_map>

namespace {

constexpr int positionDecimals = 3;
constexpr int directionDecimals = 4;
constexpr int uvDecimals = 4;

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

std::array<const MaterialRecord*, materialCount> inDrawOrder() {
    std::array<const MaterialRecord*, materialCount> order{};
    for (size_t m = 0; m < materialCount; ++m) {
        order[m] = &materialTable[m];
    }
    std::sort(order.begin(), order.end(), [](const MaterialRecord* a, const MaterialRecord* b) {
        return a->drawOrder < b->drawOrder;
    });
    return order;
}

} // namespace

bool writeObj(const std::string& path, const MeshSet& mesh, const std::string& mtlFileName,
              float modelScale) {
    std::string text = "# Lanternfall dungeon, model units (world units x " +
                       formatNumber(1.0f / modelScale, 1) + ")\nmtllib " + mtlFileName + "\n";
    std::unordered_map<std::string, int> positions;
    std::unordered_map<std::string, int> uvs;
    std::unordered_map<std::string, int> normals;
    for (const MaterialRecord* record : inDrawOrder()) {
        const std::vector<MeshVertex>& list = mesh.triangles[static_cast<size_t>(record->material)];
        if (list.empty()) {
            continue;
        }
        const std::string name = record->name;
        const float uvScale = textureTileSize / record->tileSize;
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
    for (const MaterialRecord& record : materialTable) {
        const std::string name = record.name;
        const std::string kd = formatNumber(record.diffuse, 3);
        const std::string ks = formatNumber(record.specular, 3);
        text += "\nnewmtl " + name + "\nKa 0 0 0\nKd " + kd + ' ' + kd + ' ' + kd + "\nKs " + ks +
                ' ' + ks + ' ' + ks + "\nNs " + formatNumber(record.shininess, 1) +
                "\nd 1\nillum 2\nmap_Kd textures/" + name + "_diffuse.png\nmap_Ks textures/" +
                name + "_specular.png\nmap_bump textures/" + name + "_normal.png\n";
    }
    return writeTextFile(path, text);
}
