// brumelt-studio: the show played with a transport, live reload and its numbers on screen. See
// studioUsage() for the command line and the README's "Working on the show" for the keys.
//
// It draws with the demo's own content code and reads the demo's clock (the music), but resolves
// the choreography itself, in memory, every time the show or the score's events are saved,
// builds the shader programs from their files when one is saved, and renders a saved score into
// new music on a thread of its own. This file is the main loop; the picture, the reloads, the
// script and the overlay each have their own.
#include "base/log.h"
#include "base/show.h"
#include "overlay.h"
#include "picture.h"
#include "platform/quit_signals.h"
#include "platform/window.h"
#include "reload.h"
#include "script_runner.h"
#include "startup/startup.h"
#include "studio_options.h"
#include "studio_state.h"
#include "watcher.h"

#include <cstdio>
#include <cstring>

static int runStudio(const StudioOptions& options, ScriptRun* script) {
    Studio studio;
    // The camera's height and roll are drawn on the timeline until other tracks are picked.
    const std::vector<const char*>& names = studioTrackNames();
    for (size_t i = 0; i < names.size(); ++i)
        studio.pickedTracks[i] =
            !std::strcmp(names[i], "uCamPos.y") || !std::strcmp(names[i], "uCamRot.z");
    studio.paths = {options.contentDir + "/show.tracks", options.contentDir + "/music.score",
                    options.events, options.shaderDir};
    studio.scale = options.scale;

    StartUpRequest request;
    request.width = options.width;
    request.height = options.height;
    request.title = "Brumelt Studio";
    request.windowFlags = windowResizable;
    request.depth = startUpLoaded;
    StartUp started;
    if (const int32_t status = startUp(request, &started)) {
        shutDown(started);
        return status;
    }
    studio.window = started.window;
    studio.content = started.content;
    // The drawable can differ from the size asked for (a window manager's say).
    int32_t drawableWidth = 0, drawableHeight = 0;
    windowFramebufferSize(studio.window, &drawableWidth, &drawableHeight);
    sizeTargets(*studio.content, drawableWidth, drawableHeight);
    if (!startOverlay(studio)) {
        logMessage("overlay", "cannot start Dear ImGui on the window");
        return exitGraphics;
    }
    loadChangedPrograms(studio);
    startPassTimers(studio);
    GLuint previewTexture = 0;
    glGenTextures(1, &previewTexture);

    if (!initMusicDevice()) return exitData;
    studio.music = openMusic(showMusicPath);
    if (!studio.music) {
        logMessage("music", "%s: cannot open the music", showMusicPath);
        return exitData;
    }
    // The show as written now; when it does not resolve, the built track files stand in.
    if (!(loadEvents(studio) && loadShow(studio)) && !studio.content->trackSet &&
        openStartUpTracks(started) != exitDone)
        return exitData;
    // Ctrl+C and the like end the studio as if its window were closed.
    quitSignalsCatch();
    FileWatcher* watcher = openWatcher();
    watchEverything(studio, watcher);
    musicPause(studio.music, true);
    startMusic(studio.music);

    Reload reload;
    double noEdits = -1.0;
    double* editTime = script ? &script->editTime : &noEdits;
    double lastPresent = studioClock();
    while (!studio.quit) {
        windowPollEvents();
        if (windowCloseRequested(studio.window) || quitSignalReceived()) break;
        beginOverlayFrame();
        handleKeys(studio);
        if (script) stepScript(studio, *script);
        if (studio.quit) {
            dropOverlayFrame();
            break;
        }
        // After the script, so that a file it saved shows in this very frame.
        applySaves(studio, watcher, reload, editTime);
        // Read once, after everything else that moves the cursor: the row this frame shows,
        // within the loop however long the frame before took.
        const double row = studioFrameRow(studio);

        int32_t width = 0, height = 0;
        windowFramebufferSize(studio.window, &width, &height);
        const int32_t drawWidth = width / studio.scale > 0 ? width / studio.scale : 1;
        const int32_t drawHeight = height / studio.scale > 0 ? height / studio.scale : 1;
        collectPassTimes(studio);
        drawPasses(studio, row, drawWidth, drawHeight, true);
        if (studio.scale > 1) scaleUp(previewTexture, drawWidth, drawHeight, width, height);
        glViewport(0, 0, width, height);
        drawOverlay(studio, row);
        windowSwapBuffers(studio.window);
        ++studio.frameNumber;

        const double presented = studioClock();
        studio.frameMs = (presented - lastPresent) * 1000.0;
        lastPresent = presented;
        if (script) scriptFramePresented(studio, *script, row, presented);
        reportShownReload(studio, reload, presented);
    }
    closeWatcher(watcher);
    // Quitting does not wait for a score that is still being rendered.
    abandonReloads(studio);
    stopOverlay();
    shutDown(started);
    quitSignalEndProcess();
    return script ? script->status : exitDone;
}

int main(int argc, char** argv) {
    setLogProgramName("brumelt-studio");
    StudioOptions options;
    bool help = false;
    const std::string problem = parseStudioOptions(argc, argv, &options, &help);
    if (help) {
        std::fputs(studioUsage(), stdout);
        return exitDone;
    }
    if (!problem.empty()) {
        logMessage("options", "%s (--help lists the options)", problem.c_str());
        return exitUsage;
    }
    ScriptRun script;
    if (!options.script.empty() && loadScriptRun(options.script.c_str(), &script)) return exitUsage;
    return runStudio(options, options.script.empty() ? nullptr : &script);
}
