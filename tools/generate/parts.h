#pragma once

#include <string>

// Each part writes its files under the resources folder `root` and returns false
// (after printing why) when it could not. Every part is deterministic: the same
// bytes on every run.
bool generateMaterials(const std::string& root); // Dungeon50/textures/*.png
bool generateDungeon(const std::string& root);   // Dungeon50/Dungeon.obj, .mtl, walkable volumes
bool generateSky(const std::string& root);       // skybox3/*.png
bool generateStar(const std::string& root);      // textures/star.png
bool generateMusic(const std::string& root);     // audio/37_Catacombs.mp3
bool generateIcon(const std::string& root);      // icon/lanternfall.png
