#include "scene/scene.h"

Scene::Scene() : frameCamera(camera) {}

void Scene::render(float /*time*/) {
    frameCamera = camera;
}
