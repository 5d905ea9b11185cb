// The browser's entry point. The page is the setup dialog, so there is no main(). While the page
// shows its setup panel it calls brumeltLoad, which does all that needs no choice (window,
// loadContent, openTracks: shaders compiled and primed, images uploaded); on Run brumeltStart
// only sizes the canvas and the render targets to the viewer's choice and starts the music
// (music device, music file, music start), and the show runs as the desktop's does with the
// browser's animation frames as the loop. Failures return the desktop's exit codes, after one
// message line, and the page says why.
//
// A lost WebGL context stops the picture, not the show: the music plays on, frames are skipped
// and the page is told; when the browser gives the context back, every GL object is made anew
// and the frames go on at the music's position. A hidden tab gets no animation frames, so its
// first frame on return is simply at the music's row.
//
// brumeltStill draws the frame at one row and keeps its pixels for comparison with the desktop
// capture; brumeltBenchFrames times frames drawn back to back.
#include "audio/music.h"
#include "base/exit_codes.h"
#include "base/log.h"
#include "base/show.h"
#include "platform/gl.h"
#include "platform/window.h"
#include "render/content.h"
#include "startup/startup.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <emscripten/html5_webgl.h>

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

EM_JS(void, pageContextChanged, (int lost), {
    if (Module.onContextChanged) Module.onContextChanged(!!lost);
});
// clang-format on

static AppWindow* window;
static Content* content;
static MusicStream music;
static double showStart;
static bool contextLost;
static std::vector<uint8_t> stillPixels;

// The window, the content (at the first size asked for: later shows reuse them, sized by
// sizeShow) and the tracks, made once per page by readyAt.
static int prepare(int32_t width, int32_t height) {
    static StartUp started;
    const StartUpRequest request = {
        .width = width, .height = height, .title = showWindowTitle, .depth = startUpTracks};
    int code = startUp(request, &started);
    window = started.window;
    content = started.content;
    return code;
}

// The browser calls this after taking the context away (another tab's GPU reset, a driver
// update, too many contexts); preventing its default is what lets it give the context back.
static EM_BOOL onContextLost(int, const void*, void*) {
    contextLost = true;
    logMessage("gl", "the browser took the WebGL context away; the picture waits for it, the "
                     "music plays on");
    pageContextChanged(1);
    return EM_TRUE;
}

// The names made before the loss mean nothing in the restored context.
static EM_BOOL onContextRestored(int, const void*, void*) {
    reloadContent(*content);
    glViewport(0, 0, content->width, content->height);
    contextLost = false;
    logMessage("gl", "the WebGL context is back; textures, programs and targets made anew");
    pageContextChanged(0);
    return EM_TRUE;
}

// The canvas, the viewport and both render targets at width x height. A canvas given its own
// size again would still drop its picture, so an unchanged size is left alone.
static void sizeShow(int32_t width, int32_t height) {
    const char* canvas = static_cast<const char*>(windowNativeHandle(window));
    int canvasWidth = 0, canvasHeight = 0;
    emscripten_get_canvas_element_size(canvas, &canvasWidth, &canvasHeight);
    if (canvasWidth != width || canvasHeight != height)
        emscripten_set_canvas_element_size(canvas, width, height);
    glViewport(0, 0, width, height);
    sizeTargets(*content, width, height);
}

// Everything a show or a still needs, made at the first call (whose result every later call
// repeats when it failed) and sized to width x height.
static int readyAt(int32_t width, int32_t height) {
    static int loaded = -1;
    if (loaded < 0) {
        loaded = prepare(width, height);
        if (loaded == exitDone) {
            const char* canvas = static_cast<const char*>(windowNativeHandle(window));
            emscripten_set_webglcontextlost_callback(canvas, nullptr, EM_FALSE, onContextLost);
            emscripten_set_webglcontextrestored_callback(canvas, nullptr, EM_FALSE,
                                                         onContextRestored);
        }
    }
    if (loaded != exitDone) return loaded;
    sizeShow(width, height);
    return exitDone;
}

static void showFrame() {
    windowPollEvents();
    double seconds = musicSeconds(music);
    double readMs = emscripten_get_now();
    double row = seconds * showRowsPerSecond;
    if (!contextLost) {
        renderFrame(*content, row);
        windowSwapBuffers(window);
        pageFrameDrawn(readMs, seconds, row);
    }
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

// Makes the window, the content at width x height (the likely choice) and the tracks, and
// primes the shaders, before the viewer has chosen; 0 on success, else the desktop's exit code.
EMSCRIPTEN_KEEPALIVE int brumeltLoad(int32_t width, int32_t height) {
    return readyAt(width, height);
}

// Starts the show at width x height (loading first if brumeltLoad has not run); 0 when it runs,
// else the desktop's exit code for what failed. Fullscreen is the page's: it asks inside the
// click, and leaving it ends the show.
EMSCRIPTEN_KEEPALIVE int brumeltStart(int32_t width, int32_t height) {
    int code = readyAt(width, height);
    if (code != exitDone) return code;
    if (!initMusicDevice()) return exitAudioDevice;
    music = openMusic(showMusicPath);
    if (!music) return exitMusicFile;
    windowForgetInput(window);
    startMusic(music);
    showStart = windowSystemTime();
    emscripten_set_main_loop(showFrame, 0, false);
    return exitDone;
}

// Draws the frame at `row` once, as brumelt-capture does, and keeps its pixels; 0 on success.
EMSCRIPTEN_KEEPALIVE int brumeltStill(int32_t width, int32_t height, double row) {
    int code = readyAt(width, height);
    if (code != exitDone) return code;
    renderFrame(*content, row);
    // Read before control returns to the browser, which presents and then clears the buffer.
    stillPixels.resize(size_t(width) * size_t(height) * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, stillPixels.data());
    return exitDone;
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
