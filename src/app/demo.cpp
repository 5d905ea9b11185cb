#include "app/demo.h"

#include "app/settings.h"
#include "app/setup_dialog.h"
#include "audio/music.h"
#include "base/log.h"
#include "base/show.h"
#include "platform/gl.h"
#include "platform/gl_loader.h"
#include "platform/quit_signals.h"
#include "platform/window.h"
#include "render/content.h"

#include <csignal>
#include <cstdlib>

#ifdef BRUMELT_GL_CHECKS
// Checked builds report GL errors at the end of each frame (the first few, then a count), so a
// long run shows whether the frame ever puts the driver in an error state.
static void reportGlErrors(long frame) {
    static long reported = 0;
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        if (reported++ < 8) logMessage("gl", "error 0x%04x after frame %ld", error, frame);
    }
}
#endif

// Tests of the ways out need a crash on demand: BRUMELT_TEST_CRASH_FRAME=N makes frame N raise
// SIGSEGV. -1 when unset.
static long testCrashFrame() {
    const char* frame = std::getenv("BRUMELT_TEST_CRASH_FRAME");
    return frame && *frame ? std::strtol(frame, nullptr, 10) : -1;
}

// Everything from the window to the end of the show; returns the exit code.
static int32_t playShow() {
    AppWindow* window = windowCreate(screenWidth, screenHeight, showWindowTitle,
                                     fullscreen == 1 ? uint32_t(windowFullscreen) : 0u);
    if (!window) return demoExitGraphics;
    if (fullscreen == 1) windowHideCursor(window);
    if (const char* problem = glLoaderInit()) {
        logMessage("gl", "the extension loader failed: %s", problem);
        return demoExitGraphics;
    }
    if (const char* missing = glLoaderMissingEntryPoints()) {
        logMessage("gl", "the driver lacks %s", missing);
        return demoExitGraphics;
    }

    Content* content = makeContent(screenWidth, screenHeight, showAssetsDir, showTrackPrefix);
    if (!content) {
        logMessage("render", "cannot hold the content for a %dx%d window", screenWidth,
                   screenHeight);
        return demoExitGraphics;
    }
    loadContent(*content);

    if (!initMusicDevice()) return demoExitAudioDevice;
    MusicStream music = openMusic(showMusicPath);
    if (!music) return demoExitMusicFile;
    if (openTracks(*content) != 0) {
        logMessage("tracks", "cannot create the track set");
        return demoExitTrackSet;
    }
    startMusic(music);

    const long crashFrame = testCrashFrame();
    for (long frame = 0;; ++frame) {
        windowPollEvents();
        double row = musicSeconds(music) * showRowsPerSecond;
        renderFrame(*content, row);
        if (frame == crashFrame) std::raise(SIGSEGV);
        windowSwapBuffers(window);
#ifdef BRUMELT_GL_CHECKS
        reportGlErrors(frame);
#else
        (void)frame;
#endif
        if (windowSystemTime() > demoLengthSeconds) break;
        if (windowCloseRequested(window)) break;
        if (windowEscapePressed(window)) break;
        if (quitSignalReceived()) break;
    }
    return demoExitNormal;
}

int32_t runDemo() {
    quitSignalsCatch();
    windowSystemInit();
    int32_t code = playShow();
    // Every way out gives the display mode back before the process ends; after a quit signal the
    // process then ends as that signal would have ended it.
    windowSystemTerminate();
    quitSignalEndProcess();
    return code;
}

int32_t runEntryPoint(void* instance) {
    DisplaySettings setup;
    setup.instance = instance;
    if (showSetupDialog(setup) == 0) return demoExitCancelled;
    screenWidth = setup.width;
    screenHeight = setup.height;
    fullscreen = setup.windowed == 0 ? 1 : 0;
    return runDemo();
}
