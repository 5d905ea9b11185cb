#include "render/content.h"
#include "render/content_steps.h"

#include "app/settings.h"
#include "render/resources.h"
#include "shaders/final.glsl.h"
#include "shaders/glow.glsl.h"
#include "shaders/scene.glsl.h"
#include "tracks/tracks.h"

#include <GL/glew.h>

static GLuint greetsTex;
static GLuint qrvTex;
static ShaderProgram sceneProgram;
static ShaderProgram glowProgram;
static ShaderProgram finalProgram;
static GLuint fbo, depthId, fboTexture;
static GLuint gfbo, gdepthId, gfboTexture;

// The tracks in the order they are fetched; each drives one uniform or one component of one.
enum TrackIndex {
    trackBass,
    trackBend,
    trackLineWidth,
    trackBoxSizeX,
    trackBoxSizeY,
    trackBoxSizeZ,
    trackGTime,
    trackFisheye,
    trackCamRotX,
    trackCamRotY,
    trackCamRotZ,
    trackCamPosX,
    trackCamPosY,
    trackCamPosZ,
    trackSkyPos,
    trackSkyEnergy,
    trackBuildingHeight,
    trackGreetsProgress,
    trackGreetsOpacity,
    trackQRVProgress,
    trackFadeToBlack,
    trackBoulePX,
    trackBoulePZ,
    trackGlow,
    trackCount
};

static const char* const trackNames[trackCount] = {
    "uBass",        "uBend",           "uLineWidth",      "uBoxSize.x",     "uBoxSize.y",
    "uBoxSize.z",   "uGTime",          "uFisheye",        "uCamRot.x",      "uCamRot.y",
    "uCamRot.z",    "uCamPos.x",       "uCamPos.y",       "uCamPos.z",      "uSkyPos",
    "uSkyEnergy",   "uBuildingHeight", "uGreetsProgress", "uGreetsOpacity", "uQRVProgress",
    "uFadeToBlack", "uBoulePX",        "uBoulePZ",        "uGlow",
};

static TrackSet* trackSet;
static Track* tracks[trackCount];

// Uniform locations, looked up once after linking; a name the program lacks stays -1, which GL
// ignores when set, exactly as a per-frame lookup would.
struct SceneLocations {
    GLint greetsTexture, qrvTexture, greetsProgress, greetsOpacity, qrvProgress, fisheye, time,
        bass, bend, lineWidth, boxSize, camPos, camRot, skyPos, skyEnergy, buildingHeight,
        fadeToBlack, boulePos;
};
struct PostLocations {
    GLint strength; // uGlow or uBass
    GLint srcTexture;
};
static SceneLocations sceneUniforms;
static PostLocations glowUniforms;
static PostLocations finalUniforms;

static void lookUpLocations() {
    GLuint p = sceneProgram;
    sceneUniforms.greetsTexture = glGetUniformLocation(p, "uGreetsTexture");
    sceneUniforms.qrvTexture = glGetUniformLocation(p, "uQRVTexture");
    sceneUniforms.greetsProgress = glGetUniformLocation(p, "uGreetsProgress");
    sceneUniforms.greetsOpacity = glGetUniformLocation(p, "uGreetsOpacity");
    sceneUniforms.qrvProgress = glGetUniformLocation(p, "uQRVProgress");
    sceneUniforms.fisheye = glGetUniformLocation(p, "uFisheye");
    sceneUniforms.time = glGetUniformLocation(p, "time");
    sceneUniforms.bass = glGetUniformLocation(p, "uBass");
    sceneUniforms.bend = glGetUniformLocation(p, "uBend");
    sceneUniforms.lineWidth = glGetUniformLocation(p, "uLineWidth");
    sceneUniforms.boxSize = glGetUniformLocation(p, "uBoxSize");
    sceneUniforms.camPos = glGetUniformLocation(p, "uCamPos");
    sceneUniforms.camRot = glGetUniformLocation(p, "uCamRot");
    sceneUniforms.skyPos = glGetUniformLocation(p, "uSkyPos");
    sceneUniforms.skyEnergy = glGetUniformLocation(p, "uSkyEnergy");
    sceneUniforms.buildingHeight = glGetUniformLocation(p, "uBuildingHeight");
    sceneUniforms.fadeToBlack = glGetUniformLocation(p, "uFadeToBlack");
    sceneUniforms.boulePos = glGetUniformLocation(p, "uBoulePos");
    glowUniforms.strength = glGetUniformLocation(glowProgram, "uGlow");
    glowUniforms.srcTexture = glGetUniformLocation(glowProgram, "uSrcTexture");
    finalUniforms.strength = glGetUniformLocation(finalProgram, "uBass");
    finalUniforms.srcTexture = glGetUniformLocation(finalProgram, "uSrcTexture");
}

// Before openTracks every track reads 0, which is what the priming frame draws with.
static float trackValue(int index, double row) {
    return tracks[index] ? float(evaluateTrack(tracks[index], row)) : 0.0f;
}

void loadImages() {
    greetsTex = loadTgaTexture("assets/greets.tga");
    qrvTex = loadTgaTexture("assets/qrv.tga");
}

void buildPrograms() {
    sceneProgram = buildProgram(scene_glsl);
    glowProgram = buildProgram(glow_glsl);
    finalProgram = buildProgram(final_glsl);
    lookUpLocations();
}

void createTargets() {
    RenderTarget a = createRenderTarget(screenWidth, screenHeight);
    fbo = a.framebuffer;
    depthId = a.depthRenderbuffer;
    fboTexture = a.colourTexture;
    RenderTarget b = createRenderTarget(screenWidth, screenHeight);
    gfbo = b.framebuffer;
    gdepthId = b.depthRenderbuffer;
    gfboTexture = b.colourTexture;
}

void primeFrame() {
    // Drivers compile shader code at its first draw, which can stall for seconds with a long
    // raymarcher. One frame drawn now, with exactly the state of a real frame, moves that stall
    // before the music starts. Its picture is overwritten by the first real frame, so it covers
    // a single pixel: the compiled code does not depend on the viewport, and a full-size frame
    // would add a whole frame's drawing time to the start-up.
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glViewport(viewport[0], viewport[1], 1, 1);
    renderFrame(0.0);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFinish();
}

void loadContent() {
    loadImages();
    buildPrograms();
    createTargets();
    primeFrame();
}

int openTracks() {
    trackSet = openTrackSet("./tracks/sync");
    if (!trackSet) return 1;
    for (int i = 0; i < trackCount; ++i)
        tracks[i] = fetchTrack(trackSet, trackNames[i]);
    return 0;
}

// Everything but the two texture units is a track value, so a row's uniforms change together.
static void setSceneUniforms(double row) {
    glUniform1i(sceneUniforms.greetsTexture, 0);
    glUniform1i(sceneUniforms.qrvTexture, 1);
    glUniform1f(sceneUniforms.greetsProgress, trackValue(trackGreetsProgress, row));
    glUniform1f(sceneUniforms.greetsOpacity, trackValue(trackGreetsOpacity, row));
    glUniform1f(sceneUniforms.qrvProgress, trackValue(trackQRVProgress, row));
    glUniform1f(sceneUniforms.fisheye, trackValue(trackFisheye, row));
    glUniform1f(sceneUniforms.time, trackValue(trackGTime, row));
    glUniform1f(sceneUniforms.bass, trackValue(trackBass, row));
    glUniform1f(sceneUniforms.bend, trackValue(trackBend, row));
    glUniform1f(sceneUniforms.lineWidth, trackValue(trackLineWidth, row));
    glUniform3f(sceneUniforms.boxSize, trackValue(trackBoxSizeX, row),
                trackValue(trackBoxSizeY, row), trackValue(trackBoxSizeZ, row));
    glUniform3f(sceneUniforms.camPos, trackValue(trackCamPosX, row), trackValue(trackCamPosY, row),
                trackValue(trackCamPosZ, row));
    glUniform3f(sceneUniforms.camRot, trackValue(trackCamRotX, row), trackValue(trackCamRotY, row),
                trackValue(trackCamRotZ, row));
    glUniform1f(sceneUniforms.skyPos, trackValue(trackSkyPos, row));
    glUniform1f(sceneUniforms.skyEnergy, trackValue(trackSkyEnergy, row));
    glUniform1f(sceneUniforms.buildingHeight, trackValue(trackBuildingHeight, row));
    glUniform1f(sceneUniforms.fadeToBlack, trackValue(trackFadeToBlack, row));
    glUniform2f(sceneUniforms.boulePos, trackValue(trackBoulePX, row),
                trackValue(trackBoulePZ, row));
}

static void setGlowUniforms(double row) {
    glUniform1f(glowUniforms.strength, trackValue(trackGlow, row));
    glUniform1i(glowUniforms.srcTexture, 0);
}

static void setFinalUniforms(double row) {
    glUniform1f(finalUniforms.strength, trackValue(trackBass, row));
    glUniform1i(finalUniforms.srcTexture, 0);
}

// Scene pass, into target A.
static void scenePass(double row, bool setUniforms) {
    glUseProgram(sceneProgram);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, greetsTex);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, qrvTex);
    if (setUniforms) setSceneUniforms(row);
    drawFullScreenRect();
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
}

// Glow pass, target A into target B.
static void glowPass(double row, bool setUniforms) {
    glBindFramebuffer(GL_FRAMEBUFFER, gfbo);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glUseProgram(glowProgram);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, fboTexture);
    if (setUniforms) setGlowUniforms(row);
    drawFullScreenRect();
    glUseProgram(0);
}

// Final pass, target B onto the window.
static void finalPass(double row, bool setUniforms) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glUseProgram(finalProgram);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, gfboTexture);
    if (setUniforms) setFinalUniforms(row);
    drawFullScreenRect();
    glUseProgram(0);
}

static void drawPass(FramePass pass, double row, bool setUniforms) {
    switch (pass) {
    case framePassScene:
        scenePass(row, setUniforms);
        break;
    case framePassGlow:
        glowPass(row, setUniforms);
        break;
    case framePassFinal:
        finalPass(row, setUniforms);
        break;
    }
}

void renderPass(FramePass pass, double row) {
    drawPass(pass, row, true);
}

void drawPassWithUniformsAsSet(FramePass pass) {
    drawPass(pass, 0.0, false);
}

void setPassUniforms(FramePass pass, double row) {
    switch (pass) {
    case framePassScene:
        glUseProgram(sceneProgram);
        setSceneUniforms(row);
        break;
    case framePassGlow:
        glUseProgram(glowProgram);
        setGlowUniforms(row);
        break;
    case framePassFinal:
        glUseProgram(finalProgram);
        setFinalUniforms(row);
        break;
    }
}

void renderFrame(double row) {
    scenePass(row, true);
    glowPass(row, true);
    finalPass(row, true);
}
