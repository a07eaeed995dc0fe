#pragma once

// The show's timeline as the camera path meets the dungeon's places: when the eye enters
// each place, or first looks into one it never enters, and when the stars come out.

#include "app/camera.h"
#include "dungeon/dungeon_layout.h"

#include <string>
#include <vector>

// The path's rate at the time scale of 1.0: entry n is shown at n / 60 s.
constexpr int pathFramesPerSecond = 60;

enum class CueEvent { enters, looksInto, starsComeOut };

struct Cue {
    const char* name; // the place, or "stars"
    CueEvent event;
    long frame;
    double seconds;
};

// How far a look reaches into a place it does not enter before the place counts as seen,
// and how far off the middle of the view (up, down and to each side) it may stray: the
// place then stands in the middle of the picture, not at its edge.
constexpr float lookDepth = 1.0f;
constexpr float lookReach = 20.0f;
constexpr float lookStep = 0.05f;
constexpr float lookSpreadDegrees = 8.0f;

const char* placeName(Place place);

// True when a look along the middle of the eye's view, or lookSpreadDegrees off it, passes
// through the dungeon's air at least lookDepth into `place`.
bool looksInto(const OpenSpace& space, const PlaceAir& place, const Camera& eye);
bool isInside(const PlaceAir& place, glm::vec3 point);

// The show as the music follows it: the camera path at the time scale of 1.0, the dungeon's
// open space, and what the sound takes from its plan.
struct ShowPlan {
    std::vector<Camera> path;
    OpenSpace space;
    SoundPlan sound;
};

ShowPlan planShow();

// Every place's cue and the stars', in time order. A place the path neither enters nor
// looks into leaves `missing` with its name and no cue.
std::vector<Cue> cueSheet(const std::vector<Camera>& path, const OpenSpace& space,
                          const std::vector<PlaceAir>& places, std::string& missing);

// The sheet as a Markdown table, as the generator prints it and docs/ keeps it.
std::string cueSheetTable(const std::vector<Cue>& cues);
