#pragma once

#include "app/camera.h"

#include <istream>
#include <vector>

constexpr const char* pathScaleFile = "resources/file/path.txt";
constexpr float defaultPathTimeScale = 1.0f;
// Largest frame number a keyframe may get. It bounds the expanded path (about
// 80 MB of records, hours of frames) and keeps every frame number within 32 bits.
constexpr int maxPathFrame = 1 << 20;

extern std::vector<Camera> pathKeyframes;
extern std::vector<Camera> cameraPath;
extern float pathTimeScale;
// True while the path drives the live camera; false in free flight.
extern bool pathPlayback;

// Reads the time scale from the start of the stream. Garbage or nothing gives the
// default silently; a number that is not finite or stretches the path past
// maxPathFrame gives the default with one line on standard output.
float readPathTimeScale(std::istream& in);

// The keyframes at `timeScale`, and the path expanded from them into one record per
// frame (at 60 frames a second for the scale of 1.0).
void expandCameraPath(float timeScale, std::vector<Camera>& keyframes,
                      std::vector<Camera>& entries);

// Reads pathScaleFile relative to the working directory and expands the keyframes
// into one record per frame. Runs before main; safe to run again.
void buildCameraPath();

// Puts the path entry for the given frame (the last entry once past the end) into
// the target's position and front; nothing else of the target changes.
void playCameraPath(Camera& target, unsigned int frame);
