#pragma once

// The sound of the places the camera passes: fires crackling, water and air under the
// corridor's light well, the wind outside. Each source is heard from the eye as the path
// carries it, panned to its side of the view and fading with its distance.

#include "app/camera.h"
#include "dungeon/dungeon_layout.h"
#include "music_score.h"

#include <vector>

// Where the eye is and looks at `seconds` into the file: the path at 60 entries a second,
// its last entry once past its end.
Camera eyeAt(const std::vector<Camera>& path, double seconds);

// -1 when `source` is straight to the eye's left, 1 to its right, 0 ahead or behind.
double sideOf(const Camera& eye, glm::vec3 source);

void renderAmbience(const Score& score, const std::vector<Camera>& path, const SoundPlan& plan,
                    Buses& buses);
