#pragma once

#include "app/camera.h"
#include "effects/bloom.h"
#include "effects/light.h"
#include "effects/light_path.h"
#include "effects/particles.h"
#include "effects/shadows.h"
#include "effects/skybox.h"
#include "gfx/model.h"
#include "scene/sound.h"

#include <glad/gl.h>

#include <array>
#include <vector>

// The music that loops from the end of set-up, relative to the working directory.
constexpr const char* musicPath = "resources/audio/37_Catacombs.mp3";

// The groups frame debuggers show for the Scene's own passes, in the order a frame draws
// them; the bloom names its own (effects/bloom.h).
constexpr const char* shadowPassName = "shadow";
constexpr const char* lightingPassName = "lighting";
constexpr const char* lampsAndSkyPassName = "lamps and sky";
constexpr const char* starsPassName = "stars";

// Starts reading the Scene's files on worker threads: decoding the star sprite and the
// sky, importing the dungeon and then decoding its maps, so that they are ready when
// set-up uploads them. Needs no GL context: a program calls it before it opens its
// window, and the Scene's set-up calls it again (a no-op then) for programs that do not.
void startReadingSceneFiles();

// Owns every resource of the demo that is not global and draws one frame. Built
// once with the GL context current and its entry points loaded; never copied.
struct Scene {
    // [0] the moving, shadow-casting point light; [1] the directional light.
    std::array<Light, 2> lights{};
    GLint lampModelLoc = -1;
    GLint lampViewLoc = -1;
    GLint lampProjectionLoc = -1;
    GLint lightingModelLoc = -1;
    GLint lightingViewPosLoc = -1;
    GLint lightingViewLoc = -1;
    GLint lightingProjectionLoc = -1;
    GLint lightingFarPlaneLoc = -1;
    GLint lightingNearPlaneLoc = -1;
    GLint depthModelLoc = -1;
    GLint depthFarPlaneLoc = -1;
    GLint depthNearPlaneLoc = -1;
    GLint depthLightPosLoc = -1;
    std::array<GLint, cubeFaceCount> shadowTransformsLocs{};
    GLint blurHorizontalLoc = -1;
    GLint blurPassIndexLoc = -1;
    GLint skyboxSamplerLoc = -1;
    GLint skyboxViewLoc = -1;
    GLint skyboxProjectionLoc = -1;
    GLint bloomFlagLoc = -1;
    GLint bloomExposureLoc = -1;
    Model dungeon;
    GLuint shadowResolution = defaultShadowResolution;
    // {framebuffer, depth cube map}
    std::vector<GLuint> shadowMap;
    float nearPlane = defaultShadowNearPlane;
    float farPlane = defaultShadowFarPlane;
    BloomTargets bloomTargets;
    // This frame's copy of the live camera.
    Camera frameCamera;
    ParticleGenerator* particles = nullptr;
    GLuint skyboxTexture = 0;
    SkyboxCube skybox;
    float lightPathAngle = initialLightPathAngle;
    float lightPathSpeed = initialLightPathSpeed;
    irrklang::ISoundEngine* soundEngine = nullptr;

    Scene();
    // Frees the particle generator and the sound engine (its music stops). GL objects are
    // left to the end of the context.
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Draws one complete frame into the default framebuffer; time in seconds.
    void render(float time);

    // Set-up steps, in the order the constructor runs them.
    void registerPrograms();
    void fillLights();
    void cacheUniformLocations();
    void warmUpStarPass();
    void startMusic();

    void moveLight(Light& light, float dt, float t);
    // The lighting pass: the dungeon lit by both lights and shadowed by the point light.
    void drawLitDungeon(const glm::mat4& view, const glm::mat4& projection, const glm::mat4& model);
    void renderShadowMap(std::vector<GLuint> shadowMap);
    void renderBloom();
    void renderQuad();
};
