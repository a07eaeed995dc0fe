#include "scene/scene.h"

#include "app/frame_loop.h"
#include "effects/light_path.h"
#include "gfx/cube_map.h"
#include "gfx/debug_names.h"
#include "gfx/image_prefetch.h"
#include "gfx/model_prefetch.h"
#include "gfx/registry.h"
#include "gfx/screen.h"
#include "gfx/soil.h"
#include "scene/programs.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <string>

namespace {

constexpr const char* starTexturePath = "resources/textures/star.png";
constexpr const char* dungeonPath = "resources/Dungeon50/Dungeon.obj";
constexpr const char* soundInterfaceVersion = "1.5.0";
constexpr float dungeonScale = 0.1f;
constexpr float cameraNearPlane = 0.1f;
constexpr float cameraFarPlane = 100.0f;

// What frame debuggers show for the Scene's objects and its set-up.
constexpr const char* starWarmUpName = "stars, prepared at set-up";
constexpr const char* skyLabel = "sky cube map";

// +X, -X, +Y, -Y, +Z, -Z: "back" is +Z and "front" is -Z.
const std::vector<const char*> skyboxFaces = {
    "resources/skybox3/right.png",  "resources/skybox3/left.png", "resources/skybox3/up.png",
    "resources/skybox3/bottom.png", "resources/skybox3/back.png", "resources/skybox3/front.png",
};

GLint location(const char* program, const std::string& uniform) {
    return glGetUniformLocation(getShader(program).ID, uniform.c_str());
}

// The dungeon never moves: one model matrix for the shadow and lighting passes.
const glm::mat4 dungeonModel =
    glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(0.0f)), glm::vec3(dungeonScale));

} // namespace

Scene::Scene() {
    frameCamera = camera;
    startReadingSceneFiles();
    registerPrograms();
    loadTexture(starTexturePath, "stars");
    particles = new ParticleGenerator(getShader("particle3D"), getTexture("stars"), starCount);
    dungeon.load(dungeonPath);
    fillLights();
    skyboxTexture = loadCubeMapTexture(skyboxFaces);
    labelObject(GL_TEXTURE, skyboxTexture, skyLabel);
    cacheUniformLocations();
    shadowMap = createShadowMap(shadowResolution);
    createBloomTargets(bloomTargets, getShader("blur").ID, getShader("bloom").ID);
    warmUpStarPass();
    startMusic();
}

void startReadingSceneFiles() {
    std::vector<ImageRequest> requests = {{starTexturePath, SOIL_LOAD_RGBA}};
    for (const char* face : skyboxFaces) {
        requests.push_back({face, SOIL_LOAD_RGB});
    }
    prefetchImages(requests);
    prefetchModel(dungeonPath);
}

Scene::~Scene() {
    delete particles;
    delete soundEngine;
}

void Scene::registerPrograms() {
    for (const ProgramFiles& program : scenePrograms) {
        loadShader(program.vertex, program.fragment, program.geometry, program.name);
    }
}

// Each lamp cube is made right after its light is filled.
void Scene::fillLights() {
    lights[0] = pointLight();
    setupLampCube(lights[0]);
    lights[1] = directionalLight();
    setupLampCube(lights[1]);
}

void Scene::cacheUniformLocations() {
    lampModelLoc = location("lamp", "model");
    lampViewLoc = location("lamp", "view");
    lampProjectionLoc = location("lamp", "projection");
    lightingModelLoc = location("normalMapping", "model");
    lightingViewPosLoc = location("normalMapping", "viewPos");
    lightingViewLoc = location("normalMapping", "view");
    lightingProjectionLoc = location("normalMapping", "projection");
    lightingFarPlaneLoc = location("normalMapping", "far_plane");
    lightingNearPlaneLoc = location("normalMapping", "near_plane");
    skyboxSamplerLoc = location("cubeMap", "skybox");
    skyboxViewLoc = location("cubeMap", "view");
    skyboxProjectionLoc = location("cubeMap", "projection");
    depthModelLoc = location("depth", "model");
    depthLightPosLoc = location("depth", "lightPos");
    depthFarPlaneLoc = location("depth", "far_plane");
    depthNearPlaneLoc = location("depth", "near_plane");
    for (int i = 0; i < cubeFaceCount; ++i) {
        shadowTransformsLocs[static_cast<size_t>(i)] =
            location("depth", "shadowTransforms[" + std::to_string(i) + "]");
    }
    blurHorizontalLoc = location("blur", "horizontal");
    blurPassIndexLoc = location("blur", "passIndex");
    bloomFlagLoc = location("bloom", "bloom");
    bloomExposureLoc = location("bloom", "exposure");
}

// The stars are the one pass the first frame does not draw; preparing it now keeps its
// first frame as quick as the ones around it. It draws nothing visible into the HDR
// target, which every frame clears.
void Scene::warmUpStarPass() {
    glBindFramebuffer(GL_FRAMEBUFFER, bloomTargets.hdrFramebuffer);
    glViewport(0, 0, screenWidth, screenHeight);
    beginPass(starWarmUpName);
    warmUpParticles(*particles);
    endPass();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// The last step of set-up: the music loops in the background from here on. Without
// a sound device there is no engine and no music.
void Scene::startMusic() {
    soundEngine = irrklang::createIrrKlangDevice(
        irrklang::ESOD_AUTO_DETECT, irrklang::ESEO_DEFAULT_OPTIONS, nullptr, soundInterfaceVersion);
    if (soundEngine != nullptr) {
        soundEngine->play2D(musicPath, true, false, false, irrklang::ESM_AUTO_DETECT, false);
    }
}

void Scene::render(float time) {
    frameCamera = camera;
    const float dt = deltaTime;
    glm::mat4 view =
        glm::lookAt(frameCamera.position, frameCamera.position + frameCamera.front, frameCamera.up);
    const glm::mat4 projection = glm::perspective(glm::radians(frameCamera.zoom), screenAspect,
                                                  cameraNearPlane, cameraFarPlane);

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    moveLight(lights[0], dt, time);
    beginPass(shadowPassName);
    renderShadowMap(shadowMap);
    endPass();

    beginPass(lightingPassName);
    glViewport(0, 0, screenWidth, screenHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, bloomTargets.hdrFramebuffer);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawLitDungeon(view, projection, dungeonModel);
    endPass();

    beginPass(lampsAndSkyPassName);
    drawLamps(getShader("lamp").ID, {lampModelLoc, lampViewLoc, lampProjectionLoc}, view,
              projection, lights);
    view = withoutTranslation(view);
    drawSkybox(getShader("cubeMap").ID, {skyboxSamplerLoc, skyboxViewLoc, skyboxProjectionLoc},
               view, projection, skyboxTexture, skybox);
    endPass();

    if (time > starsStartTime) {
        beginPass(starsPassName);
        renderParticles(*particles, view, projection, dt);
        endPass();
    }

    renderBloom();
}

void Scene::drawLitDungeon(const glm::mat4& view, const glm::mat4& projection,
                           const glm::mat4& model) {
    const GLuint lighting = getShader("normalMapping").ID;
    glUseProgram(lighting);
    glUniform3f(lightingViewPosLoc, frameCamera.position.x, frameCamera.position.y,
                frameCamera.position.z);
    glUniformMatrix4fv(lightingViewLoc, 1, GL_FALSE, glm::value_ptr(view));
    glUniformMatrix4fv(lightingProjectionLoc, 1, GL_FALSE, glm::value_ptr(projection));
    lights[0].setUniforms(lighting, 0);
    lights[1].setUniforms(lighting, 1);
    glUniform1f(lightingFarPlaneLoc, farPlane);
    glUniform1f(lightingNearPlaneLoc, nearPlane);
    glUniformMatrix4fv(lightingModelLoc, 1, GL_FALSE, glm::value_ptr(model));
    for (const Mesh& mesh : dungeon.meshes) {
        mesh.draw(lighting, shadowMap[1]);
    }
}

void Scene::moveLight(Light& light, float dt, float t) {
    ::moveLight(light, lightPathAngle, lightPathSpeed, dt, t);
}

void Scene::renderShadowMap(std::vector<GLuint> shadowMap) {
    DepthUniforms uniforms;
    uniforms.modelLoc = depthModelLoc;
    uniforms.lightPosLoc = depthLightPosLoc;
    uniforms.farPlaneLoc = depthFarPlaneLoc;
    uniforms.nearPlaneLoc = depthNearPlaneLoc;
    uniforms.shadowTransformsLocs = shadowTransformsLocs;
    renderShadowPass(shadowMap, getShader("depth").ID, uniforms, lights[0].place(), dungeon,
                     dungeonModel, shadowResolution, nearPlane, farPlane);
}

void Scene::renderBloom() {
    ::renderBloom(bloomTargets, getShader("blur").ID, getShader("bloom").ID,
                  {blurHorizontalLoc, bloomFlagLoc, bloomExposureLoc, blurPassIndexLoc},
                  frameCamera.bloom, frameCamera.exposure, framebufferWidth, framebufferHeight);
}

void Scene::renderQuad() {
    ::renderQuad(bloomTargets);
}
