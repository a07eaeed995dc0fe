#include "cue_sheet.h"

#include "app/camera_path.h"
#include "effects/particle_pool.h"

#include <glm/geometric.hpp>
#include <glm/trigonometric.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr const char* starsName = "stars";

const char* eventWords(CueEvent event) {
    switch (event) {
    case CueEvent::enters:
        return "the eye enters";
    case CueEvent::looksInto:
        return "the eye looks in";
    case CueEvent::starsComeOut:
        return "the stars come out";
    }
    return "";
}

// True when a look from `from` along `direction` passes through open air lookDepth into
// `place`.
bool reachesInto(const OpenSpace& space, const PlaceAir& place, glm::vec3 from,
                 glm::vec3 direction) {
    float inside = 0.0f;
    for (float travelled = lookStep; travelled < lookReach; travelled += lookStep) {
        const glm::vec3 point = from + direction * travelled;
        if (!inAir(space, point)) {
            return false;
        }
        inside = isInside(place, point) ? inside + lookStep : 0.0f;
        if (inside >= lookDepth) {
            return true;
        }
    }
    return false;
}

} // namespace

const char* placeName(Place place) {
    switch (place) {
    case Place::entranceHall:
        return "entrance hall";
    case Place::gallery:
        return "gallery";
    case Place::chapel:
        return "chapel";
    case Place::corridor:
        return "corridor";
    case Place::sideHall:
        return "side hall";
    case Place::stairs:
        return "stairs";
    case Place::openAir:
        return "open air";
    }
    return "";
}

bool isInside(const PlaceAir& place, glm::vec3 point) {
    return containsAny(place.boxes, point);
}

bool looksInto(const OpenSpace& space, const PlaceAir& place, const Camera& eye) {
    const glm::vec3 side = glm::cross(eye.front, glm::vec3(0.0f, 1.0f, 0.0f));
    if (glm::length(eye.front) <= 0.0f || glm::length(side) <= 0.0f) {
        return false;
    }
    const glm::vec3 middle = glm::normalize(eye.front);
    const glm::vec3 right = glm::normalize(side);
    const glm::vec3 up = glm::cross(right, middle);
    const float spread = std::tan(glm::radians(lookSpreadDegrees));
    int reached = 0;
    for (int row = 0; row < lookGrid; ++row) {
        for (int column = 0; column < lookGrid; ++column) {
            const float across = spread * (2.0f * column / (lookGrid - 1) - 1.0f);
            const float rise = spread * (2.0f * row / (lookGrid - 1) - 1.0f);
            const glm::vec3 look = glm::normalize(middle + across * right + rise * up);
            reached += reachesInto(space, place, eye.position, look) ? 1 : 0;
        }
    }
    return static_cast<float>(reached) >= lookShare * lookGrid * lookGrid;
}

ShowPlan planShow() {
    ShowPlan show;
    std::vector<Camera> keyframes;
    expandCameraPath(defaultPathTimeScale, keyframes, show.path);
    MeshSet mesh;
    buildDungeon(levelsForRoute(simulateLightRoute()), mesh, show.space, show.sound);
    return show;
}

std::vector<Cue> cueSheet(const std::vector<Camera>& path, const OpenSpace& space,
                          const std::vector<PlaceAir>& places, std::string& missing) {
    std::vector<Cue> cues;
    missing.clear();
    for (const PlaceAir& place : places) {
        long entered = -1;
        for (std::size_t n = 0; n < path.size() && entered < 0; ++n) {
            if (isInside(place, path[n].position)) {
                entered = static_cast<long>(n);
            }
        }
        CueEvent event = CueEvent::enters;
        if (entered < 0) {
            event = CueEvent::looksInto;
            for (std::size_t n = 0; n < path.size() && entered < 0; ++n) {
                if (looksInto(space, place, path[n])) {
                    entered = static_cast<long>(n);
                }
            }
        }
        if (entered < 0) {
            missing = placeName(place.place);
            continue;
        }
        cues.push_back({placeName(place.place), event, entered,
                        static_cast<double>(entered) / pathFramesPerSecond});
    }
    // The Scene draws the stars from the first frame whose time is past their start.
    const long starsFrame = static_cast<long>(std::floor(starsStartTime * pathFramesPerSecond)) + 1;
    cues.push_back({starsName, CueEvent::starsComeOut, starsFrame,
                    static_cast<double>(starsFrame) / pathFramesPerSecond});
    std::stable_sort(cues.begin(), cues.end(),
                     [](const Cue& a, const Cue& b) { return a.frame < b.frame; });
    return cues;
}

std::string cueSheetTable(const std::vector<Cue>& cues) {
    std::string table = "| time | frame | cue | what happens |\n|---:|---:|---|---|\n";
    char row[160];
    for (const Cue& cue : cues) {
        std::snprintf(row, sizeof(row), "| %.2f s | %ld | %s | %s |\n", cue.seconds, cue.frame,
                      cue.name, eventWords(cue.event));
        table += row;
    }
    return table;
}
