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

// A place the eye does not enter counts as seen once it fills a good part of the middle
// of the picture: of looks spread evenly over lookSpreadDegrees round the middle of the
// view (lookGrid by lookGrid of them), at least lookShare reach lookDepth into it through
// open air. A glimpse through a far doorway at the picture's edge is not a look.
constexpr float lookDepth = 1.0f;
constexpr float lookReach = 20.0f;
constexpr float lookStep = 0.05f;
constexpr float lookSpreadDegrees = 10.0f;
constexpr int lookGrid = 5;
constexpr float lookShare = 0.4f;

const char* placeName(Place place);

// True when `place` fills the middle of the eye's view as above.
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
