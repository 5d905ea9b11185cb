// The window seam over the page's canvas (id "canvas"), with a WebGL 1 context from Emscripten's
// HTML5 API. The page itself is the window: it shows the canvas, requests fullscreen inside the
// user's click (a browser allows it nowhere else) and presents each frame when the frame
// callback returns, so polling and swapping have nothing to do here. The page may make the window
// before the viewer has chosen, so windowFullscreen changes nothing here: whenever the page has
// been fullscreen since the window was made (or windowForgetInput last ran), leaving fullscreen
// counts as closing the window. Escape is sticky as on the desktop.
#include "platform/window.h"

#include "base/log.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <emscripten/html5_webgl.h>

#include <cstring>

struct AppWindow {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context;
    int32_t width, height;
    bool escapePressed;
    bool closeRequested;
    bool wasFullscreen; // fullscreen was reached at least once since the window was made
};

static const char* const canvasSelector = "#canvas";
static double startMs;

int windowSystemInit() {
    startMs = emscripten_get_now();
    return 1;
}

static EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void* data) {
    if (std::strcmp(event->key, "Escape") != 0) return EM_FALSE;
    static_cast<AppWindow*>(data)->escapePressed = true;
    return EM_TRUE;
}

static EM_BOOL onFullscreenChange(int, const EmscriptenFullscreenChangeEvent* event, void* data) {
    AppWindow* window = static_cast<AppWindow*>(data);
    if (event->isFullscreen) {
        window->wasFullscreen = true;
    } else if (window->wasFullscreen) {
        window->closeRequested = true;
    }
    return EM_FALSE;
}

// The page asks for fullscreen inside the click, so it may have been granted before the window
// exists or only after: both count as having been fullscreen.
static bool pageIsFullscreen() {
    EmscriptenFullscreenChangeEvent status;
    return emscripten_get_fullscreen_status(&status) == EMSCRIPTEN_RESULT_SUCCESS &&
           status.isFullscreen;
}

AppWindow* windowCreate(int32_t width, int32_t height, const char* title, uint32_t) {
    emscripten_set_canvas_element_size(canvasSelector, width, height);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    // The desktop window has an RGBA8 colour buffer with a depth buffer and no multisampling.
    // The picture is opaque, so the page composites no alpha.
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    attributes.powerPreference = EM_WEBGL_POWER_PREFERENCE_HIGH_PERFORMANCE;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context(canvasSelector, &attributes);
    if (context <= 0) {
        logMessage("window", "cannot create a %dx%d WebGL 1 context on the page's canvas (%d)",
                   int(width), int(height), int(context));
        return nullptr;
    }
    emscripten_webgl_make_context_current(context);
    AppWindow* window = new AppWindow{context, width, height, false, false, false};
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, window, EM_TRUE, onKeyDown);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, window, EM_FALSE,
                                             onFullscreenChange);
    window->wasFullscreen = pageIsFullscreen();
    if (title) emscripten_set_window_title(title);
    return window;
}

void windowHideCursor(AppWindow*) {
    // The page's style sheet hides the cursor over the canvas while the show runs.
}

void windowPollEvents() {}

void windowSwapBuffers(AppWindow*) {}

int windowEscapePressed(AppWindow* window) {
    bool pressed = window->escapePressed;
    window->escapePressed = false;
    return pressed ? 1 : 0;
}

int windowCloseRequested(AppWindow* window) {
    return window->closeRequested ? 1 : 0;
}

double windowSystemTime() {
    return (emscripten_get_now() - startMs) / 1000.0;
}

void windowFramebufferSize(AppWindow* window, int32_t* width, int32_t* height) {
    int w = 0, h = 0;
    emscripten_webgl_get_drawing_buffer_size(window->context, &w, &h);
    *width = w;
    *height = h;
}

void* windowNativeHandle(AppWindow*) {
    return const_cast<char*>(canvasSelector);
}

void windowDestroy(AppWindow* window) {
    if (!window) return;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             nullptr);
    emscripten_webgl_destroy_context(window->context);
    delete window;
}

void windowForgetInput(AppWindow* window) {
    window->escapePressed = false;
    window->closeRequested = false;
    window->wasFullscreen = pageIsFullscreen();
}

void windowSystemTerminate() {}
