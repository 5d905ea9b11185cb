#include "render/content.h"
#include "render/content_internal.h"

#include "base/show.h"
#include "render/resources.h"
#include "render/shader_table.h"
#include "tracks/tracks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

Content* makeContent(int32_t width, int32_t height, const char* assetsDir,
                     const char* trackPrefix) {
    if (width < 1 || height < 1 || !assetsDir || !trackPrefix) return nullptr;
    Content* content = static_cast<Content*>(std::calloc(1, sizeof(Content)));
    if (!content) return nullptr;
    int a = std::snprintf(content->assetsDir, sizeof content->assetsDir, "%s", assetsDir);
    int t = std::snprintf(content->trackPrefix, sizeof content->trackPrefix, "%s", trackPrefix);
    if (a < 0 || size_t(a) >= sizeof content->assetsDir || t < 0 ||
        size_t(t) >= sizeof content->trackPrefix) {
        std::free(content);
        return nullptr;
    }
    content->width = width;
    content->height = height;
    for (GLint& location : content->locations)
        location = -1;
    for (GLint& location : content->samplerLocations)
        location = -1;
    return content;
}

void releaseContent(Content* content) {
    if (!content) return;
    closeTrackSet(content->trackSet);
    std::free(content);
}

static ShaderProgram passProgram(const Content& content, FramePass pass) {
    switch (pass) {
    case framePassScene:
        return content.sceneProgram;
    case framePassGlow:
        return content.glowProgram;
    case framePassFinal:
        return content.finalProgram;
    }
    return 0;
}

// Locations are looked up once after linking; a name the program lacks stays -1, which GL
// ignores when set, exactly as a per-frame lookup would.
static void lookUpLocations(Content& content) {
    for (int32_t i = 0; i < uniformBindingCount; ++i) {
        const UniformBinding& binding = uniformBindings[i];
        content.locations[i] =
            glGetUniformLocation(passProgram(content, binding.pass), binding.uniform);
    }
    for (int32_t i = 0; i < samplerBindingCount; ++i) {
        const SamplerBinding& binding = samplerBindings[i];
        content.samplerLocations[i] =
            glGetUniformLocation(passProgram(content, binding.pass), binding.uniform);
    }
}

static void imagePath(const Content& content, const char* name, char* path, size_t size) {
    std::snprintf(path, size, "%s/%s", content.assetsDir, name);
}

void loadImages(Content& content) {
    char path[300];
    imagePath(content, showGreetsImage, path, sizeof path);
    content.greetsTex = loadTgaTexture(path);
    imagePath(content, showLogoImage, path, sizeof path);
    content.qrvTex = loadTgaTexture(path);
}

void buildPrograms(Content& content) {
    usePrograms(content, buildProgram(passShaderSource(framePassScene)),
                buildProgram(passShaderSource(framePassGlow)),
                buildProgram(passShaderSource(framePassFinal)));
}

void usePrograms(Content& content, ShaderProgram scene, ShaderProgram glow, ShaderProgram final) {
    content.sceneProgram = scene;
    content.glowProgram = glow;
    content.finalProgram = final;
    lookUpLocations(content);
}

void createTargets(Content& content) {
    content.sceneTarget = createRenderTarget(content.width, content.height);
    content.glowTarget = createRenderTarget(content.width, content.height);
}

void primeFrame(Content& content) {
    // Drivers compile shader code at its first draw, which can stall for seconds with a long
    // raymarcher. One frame drawn now, with exactly the state of a real frame, moves that stall
    // before the music starts. Its picture is overwritten by the first real frame, so it covers
    // a single pixel: the compiled code does not depend on the viewport, and a full-size frame
    // would add a whole frame's drawing time to the start-up.
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glViewport(viewport[0], viewport[1], 1, 1);
    renderFrame(content, 0.0);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFinish();
}

void loadContent(Content& content) {
    loadImages(content);
    buildPrograms(content);
    createTargets(content);
    primeFrame(content);
}

void sizeTargets(Content& content, int32_t width, int32_t height) {
    if (content.width == width && content.height == height && content.sceneTarget.framebuffer)
        return;
    deleteRenderTarget(content.sceneTarget);
    deleteRenderTarget(content.glowTarget);
    content.width = width;
    content.height = height;
    createTargets(content);
}

void reloadContent(Content& content) {
    forgetFullScreenRect();
    loadContent(content);
}

int openTracks(Content& content) {
    content.trackSet = openTrackSet(content.trackPrefix);
    if (!content.trackSet) return 1;
    for (int32_t i = 0; i < uniformBindingCount; ++i) {
        const UniformBinding& binding = uniformBindings[i];
        for (int32_t c = 0; c < binding.componentCount; ++c)
            content.tracks[firstTrackSlot(i) + c] = fetchTrack(content.trackSet, binding.tracks[c]);
    }
    return 0;
}

// Before openTracks every track reads 0, which is what the priming frame draws with.
static float trackValue(const Content& content, int32_t slot, double row) {
    const Track* track = content.tracks[slot];
    return track ? float(evaluateTrack(track, row)) : 0.0f;
}

// Everything but the texture units is a track value, so a row's uniforms change together.
static void setUniforms(const Content& content, FramePass pass, double row) {
    for (int32_t i = 0; i < samplerBindingCount; ++i) {
        if (samplerBindings[i].pass == pass)
            glUniform1i(content.samplerLocations[i], samplerBindings[i].unit);
    }
    int32_t slot = 0;
    for (int32_t i = 0; i < uniformBindingCount; ++i) {
        const UniformBinding& binding = uniformBindings[i];
        if (binding.pass == pass) {
            GLint location = content.locations[i];
            switch (binding.componentCount) {
            case 1:
                glUniform1f(location, trackValue(content, slot, row));
                break;
            case 2:
                glUniform2f(location, trackValue(content, slot, row),
                            trackValue(content, slot + 1, row));
                break;
            default:
                glUniform3f(location, trackValue(content, slot, row),
                            trackValue(content, slot + 1, row), trackValue(content, slot + 2, row));
                break;
            }
        }
        slot += binding.componentCount;
    }
}

// Scene pass, into the scene target.
static void scenePass(const Content& content, double row, bool withUniforms) {
    glUseProgram(content.sceneProgram);
    glBindFramebuffer(GL_FRAMEBUFFER, content.sceneTarget.framebuffer);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, content.greetsTex);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, content.qrvTex);
    if (withUniforms) setUniforms(content, framePassScene, row);
    drawFullScreenRect();
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUseProgram(0);
}

// Glow pass, the scene target into the glow target.
static void glowPass(const Content& content, double row, bool withUniforms) {
    glBindFramebuffer(GL_FRAMEBUFFER, content.glowTarget.framebuffer);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glUseProgram(content.glowProgram);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, content.sceneTarget.colourTexture);
    if (withUniforms) setUniforms(content, framePassGlow, row);
    drawFullScreenRect();
    glUseProgram(0);
}

// Final pass, the glow target onto the window.
static void finalPass(const Content& content, double row, bool withUniforms) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glUseProgram(content.finalProgram);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, content.glowTarget.colourTexture);
    if (withUniforms) setUniforms(content, framePassFinal, row);
    drawFullScreenRect();
    glUseProgram(0);
}

static void drawPass(const Content& content, FramePass pass, double row, bool withUniforms) {
    switch (pass) {
    case framePassScene:
        scenePass(content, row, withUniforms);
        break;
    case framePassGlow:
        glowPass(content, row, withUniforms);
        break;
    case framePassFinal:
        finalPass(content, row, withUniforms);
        break;
    }
}

void renderPass(Content& content, FramePass pass, double row) {
    drawPass(content, pass, row, true);
}

void drawPassWithUniformsAsSet(Content& content, FramePass pass) {
    drawPass(content, pass, 0.0, false);
}

void setPassUniforms(Content& content, FramePass pass, double row) {
    glUseProgram(passProgram(content, pass));
    setUniforms(content, pass, row);
}

void renderFrame(Content& content, double row) {
    scenePass(content, row, true);
    glowPass(content, row, true);
    finalPass(content, row, true);
}
