#include "startup/startup.h"

#include "base/log.h"
#include "base/show.h"
#include "platform/gl.h"
#include "platform/gl_loader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#ifdef BRUMELT_GLES2
static const char* const glProvider = "browser";
#else
static const char* const glProvider = "driver";
#endif

// Keeps the problem and prints it as the failure's one line; returns code.
static int32_t fail(StartUp* out, int32_t code, const char* subsystem, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

static int32_t fail(StartUp* out, int32_t code, const char* subsystem, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(out->problem, sizeof out->problem, format, arguments);
    va_end(arguments);
    logMessage(subsystem, "%s", out->problem);
    return code;
}

// A program that reads every pixel back needs the whole picture in one texture, one
// renderbuffer, one viewport and the window's drawable.
static int32_t checkExactSize(const StartUpRequest& request, StartUp* out) {
    GLint maxTexture = 0, maxRenderbuffer = 0, maxViewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
    int32_t drawableWidth = 0, drawableHeight = 0;
    windowFramebufferSize(out->window, &drawableWidth, &drawableHeight);
    const int32_t width = request.width, height = request.height;
    if (width > maxTexture || height > maxTexture || width > maxRenderbuffer ||
        height > maxRenderbuffer || width > maxViewport[0] || height > maxViewport[1] ||
        drawableWidth != width || drawableHeight != height) {
        return fail(out, exitGraphics, "gl",
                    "%dx%d is larger than the driver can hold (textures up to %d, renderbuffers "
                    "up to %d, viewport up to %dx%d, window got %dx%d)",
                    width, height, maxTexture, maxRenderbuffer, maxViewport[0], maxViewport[1],
                    drawableWidth, drawableHeight);
    }
    return exitDone;
}

static int32_t openWindow(const StartUpRequest& request, StartUp* out) {
    if (!windowSystemInit()) {
        return fail(out, exitGraphics, "window", "the window library failed (is there a display?)");
    }
    out->windowSystemStarted = 1;
    out->window = windowCreate(request.width, request.height, request.title, request.windowFlags);
    if (!out->window) {
        // The backend has said why in its own line.
        std::snprintf(out->problem, sizeof out->problem, "no %dx%d window with an OpenGL context",
                      request.width, request.height);
        return exitGraphics;
    }
    if (request.windowFlags & windowFullscreen) windowHideCursor(out->window);
    if (const char* problem = glLoaderInit()) {
        return fail(out, exitGraphics, "gl", "the extension loader failed: %s", problem);
    }
    const char* missing = glLoaderMissingEntryPoints();
    if (!missing && request.missingEntryPoints) missing = request.missingEntryPoints();
    if (missing) return fail(out, exitGraphics, "gl", "the %s lacks %s", glProvider, missing);
    if (request.exactSize) return checkExactSize(request, out);
    return exitDone;
}

int32_t startUp(const StartUpRequest& request, StartUp* out) {
    *out = StartUp{};
    int32_t code = openWindow(request, out);
    if (code != exitDone || request.depth < startUpContent) return code;
    out->content = makeContent(request.width, request.height,
                               request.assetsDir ? request.assetsDir : showAssetsDir,
                               request.trackPrefix ? request.trackPrefix : showTrackPrefix);
    if (!out->content) {
        return fail(out, exitGraphics, "render", "cannot hold the content for a %dx%d window",
                    request.width, request.height);
    }
    if (request.depth < startUpLoaded) return exitDone;
    loadContent(*out->content);
    if (request.depth < startUpTracks) return exitDone;
    return openStartUpTracks(*out);
}

int32_t openStartUpTracks(StartUp& started) {
    if (openTracks(*started.content) == 0) return exitDone;
    return fail(&started, exitTrackSet, "tracks", "cannot create the track set");
}

void shutDown(StartUp& started) {
    releaseContent(started.content);
    if (started.window) windowDestroy(started.window);
    if (started.windowSystemStarted) windowSystemTerminate();
    started = StartUp{};
}
