// The browser's entry point. The page is the setup dialog, so there is no main(): once the
// program and the packed images and tracks are loaded, the page calls brumeltStart with the
// viewer's choices, and the show runs as the desktop's does (window, loadContent, music device,
// music file, openTracks, music start, frames) with the browser's animation frames as the loop.
// Failures return the desktop's exit codes, after one message line, and the page says why.
//
// brumeltStill draws the frame at one row and keeps its pixels for comparison with the desktop
// capture; brumeltBenchFrames times frames drawn back to back.
#include "app/demo.h"
#include "audio/music.h"
#include "base/log.h"
#include "base/show.h"
#include "platform/gl.h"
#include "platform/gl_loader.h"
#include "platform/window.h"
#include "render/content.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <vector>

// clang-format off
// readMs: the page clock (performance.now) when the music position was read.
EM_JS(void, pageFrameDrawn, (double readMs, double seconds, double row), {
    if (Module.onFrame) Module.onFrame(readMs, seconds, row);
});

EM_JS(void, pageShowEnded, (const char* reason), {
    if (Module.onShowEnded) Module.onShowEnded(UTF8ToString(reason));
});
// clang-format on

static AppWindow* window;
static Content* content;
static bool tracksOpen;
static MusicStream music;
static double showStart;
static std::vector<uint8_t> stillPixels;

// The window and the content, made once per page: a show watched again reuses them.
static int prepare(int32_t width, int32_t height, uint32_t flags) {
    if (window) {
        if (content->width == width && content->height == height) return demoExitNormal;
        logMessage("page", "this page already shows %dx%d; reload it for %dx%d",
                   int(content->width), int(content->height), int(width), int(height));
        return demoExitGraphics;
    }
    windowSystemInit();
    window = windowCreate(width, height, showWindowTitle, flags);
    if (!window) return demoExitGraphics;
    if (const char* problem = glLoaderInit()) {
        logMessage("gl", "the entry points cannot be had: %s", problem);
        return demoExitGraphics;
    }
    if (const char* missing = glLoaderMissingEntryPoints()) {
        logMessage("gl", "the browser lacks %s", missing);
        return demoExitGraphics;
    }
    content = makeContent(width, height, showAssetsDir, showTrackPrefix);
    if (!content) return demoExitGraphics;
    loadContent(*content);
    return demoExitNormal;
}

static int openTracksOnce() {
    if (tracksOpen) return demoExitNormal;
    if (openTracks(*content) != 0) {
        logMessage("tracks", "cannot create the track set");
        return demoExitTrackSet;
    }
    tracksOpen = true;
    return demoExitNormal;
}

static void showFrame() {
    windowPollEvents();
    double seconds = musicSeconds(music);
    double readMs = emscripten_get_now();
    double row = seconds * showRowsPerSecond;
    renderFrame(*content, row);
    windowSwapBuffers(window);
    pageFrameDrawn(readMs, seconds, row);
    const char* reason = nullptr;
    if (windowSystemTime() - showStart > showLengthSeconds)
        reason = "time";
    else if (windowCloseRequested(window))
        reason = "close";
    else if (windowEscapePressed(window))
        reason = "escape";
    if (!reason) return;
    emscripten_cancel_main_loop();
    pageShowEnded(reason);
}

extern "C" {

// Starts the show at width x height (fullscreen non-zero when the page went fullscreen for it);
// 0 when it runs, else the desktop's exit code for what failed.
EMSCRIPTEN_KEEPALIVE int brumeltStart(int32_t width, int32_t height, int32_t fullscreen) {
    int code = prepare(width, height, fullscreen ? windowFullscreen : 0u);
    if (code != demoExitNormal) return code;
    if (!initMusicDevice()) return demoExitAudioDevice;
    music = openMusic(showMusicPath);
    if (!music) return demoExitMusicFile;
    code = openTracksOnce();
    if (code != demoExitNormal) return code;
    windowForgetInput(window);
    startMusic(music);
    showStart = windowSystemTime();
    emscripten_set_main_loop(showFrame, 0, false);
    return demoExitNormal;
}

// Draws the frame at `row` once, as brumelt-capture does, and keeps its pixels; 0 on success.
EMSCRIPTEN_KEEPALIVE int brumeltStill(int32_t width, int32_t height, double row) {
    int code = prepare(width, height, 0);
    if (code == demoExitNormal) code = openTracksOnce();
    if (code != demoExitNormal) return code;
    renderFrame(*content, row);
    // Read before control returns to the browser, which presents and then clears the buffer.
    stillPixels.resize(size_t(width) * size_t(height) * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, stillPixels.data());
    return demoExitNormal;
}

// The last still's pixels, RGBA, bottom row first; null before any.
EMSCRIPTEN_KEEPALIVE const uint8_t* brumeltStillPixels() {
    return stillPixels.empty() ? nullptr : stillPixels.data();
}

// Draws `count` frames at `row`, each waited for with a one-pixel read; milliseconds per frame,
// or -1 before a still has made the content.
EMSCRIPTEN_KEEPALIVE double brumeltBenchFrames(int32_t count, double row) {
    if (!content || count <= 0) return -1.0;
    uint8_t pixel[4];
    double start = emscripten_get_now();
    for (int32_t i = 0; i < count; ++i) {
        renderFrame(*content, row);
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    }
    return (emscripten_get_now() - start) / count;
}
}
