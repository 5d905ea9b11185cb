#include "app/demo.h"

#include "app/settings.h"
#include "app/setup_dialog.h"
#include "audio/music.h"
#include "base/log.h"
#include "base/show.h"
#include "platform/gl.h"
#include "platform/quit_signals.h"
#include "platform/window.h"
#include "render/content.h"
#include "startup/startup.h"

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

// Everything from the window to the end of the show, in what started; returns the exit code.
static int32_t playShow(StartUp& started) {
    const StartUpRequest request = {.width = screenWidth,
                                    .height = screenHeight,
                                    .title = showWindowTitle,
                                    .windowFlags =
                                        fullscreen == 1 ? uint32_t(windowFullscreen) : 0u,
                                    .depth = startUpLoaded};
    if (int32_t code = startUp(request, &started)) return code;
    AppWindow* window = started.window;
    Content* content = started.content;

    if (!initMusicDevice()) return exitAudioDevice;
    MusicStream music = openMusic(showMusicPath);
    if (!music) return exitMusicFile;
    if (int32_t code = openStartUpTracks(started)) return code;
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
    return exitDone;
}

int32_t runDemo() {
    quitSignalsCatch();
    StartUp started = {};
    int32_t code = playShow(started);
    // Every way out gives the display mode back before the process ends; after a quit signal the
    // process then ends as that signal would have ended it.
    shutDown(started);
    quitSignalEndProcess();
    return code;
}

int32_t runEntryPoint(void* instance) {
    DisplaySettings setup;
    setup.instance = instance;
    if (showSetupDialog(setup) == 0) return exitCancelled;
    screenWidth = setup.width;
    screenHeight = setup.height;
    fullscreen = setup.windowed == 0 ? 1 : 0;
    return runDemo();
}
