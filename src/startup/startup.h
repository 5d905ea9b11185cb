// The bring-up every program shares: the window system, one window with its GL context, the GL
// entry points, and as much of the show's content as the program asks for; and its undoing.
//
// startUp goes step by step, stopping at the first that fails: the window system (its clock
// starts here), a width x height window with the title and flags asked for (a fullscreen one
// hides the cursor), the extension loader, the entry points the render code calls plus the
// request's own, the size check when asked, and then up to the request's depth the content
// record (the show's assets and tracks unless told otherwise), its GL objects (loadContent: the
// priming frame drawn) and its track set. It returns exitDone, or exitGraphics for every step but
// the track set's, which gives exitTrackSet. Each failure prints one line on stderr (the window
// backend's own for the window) and leaves its text, without the program and subsystem, in
// StartUp::problem. Whatever was opened before a failure stays in the record for shutDown.
//
// The lines: "window: the window library failed (is there a display?)", "gl: the extension
// loader failed: WHY", "gl: the driver lacks NAMES" ("the browser lacks" in the browser), "gl:
// WxH is larger than the driver can hold (...)", "render: cannot hold the content for a WxH
// window", "tracks: cannot create the track set".
#pragma once
#include "base/exit_codes.h"
#include "platform/window.h"
#include "render/content.h"

#include <cstdint>

// How far startUp goes; each depth includes the ones before it.
enum StartUpDepth : int32_t {
    startUpWindow,  // the window, its context and the entry points
    startUpContent, // and the content record (nothing made in GL yet)
    startUpLoaded,  // and its GL objects
    startUpTracks,  // and its track set
};

// What a program asks for; what it leaves out is the default.
struct StartUpRequest {
    int32_t width = 0, height = 0;
    const char* title = "";
    uint32_t windowFlags = 0; // AppWindowFlags
    StartUpDepth depth = startUpWindow;
    // Non-zero for a program that reads every pixel back: the drawable must be exactly width x
    // height and within the driver's texture, renderbuffer and viewport limits.
    int32_t exactSize = 0;
    // The program's own entry points beyond the render code's: the missing ones' names, or null
    // when all are there. Null when the program needs none.
    const char* (*missingEntryPoints)() = nullptr;
    // The content's folder of images and track file prefix; null for the show's.
    const char* assetsDir = nullptr;
    const char* trackPrefix = nullptr;
};

struct StartUp {
    int32_t windowSystemStarted;
    AppWindow* window; // null until it is open
    Content* content;  // null until it is made
    char problem[256]; // the failure's text; empty after a success
};

// Opens what the request asks for into *out (which it clears first); exitDone, exitGraphics or
// exitTrackSet.
int32_t startUp(const StartUpRequest& request, StartUp* out);

// Opens the content's track set, for a program that opens it later than startUp (the demo, after
// the music): exitDone, or exitTrackSet after the line and the problem.
int32_t openStartUpTracks(StartUp& started);

// Releases the content, closes the window and ends the window system, as far as each was opened;
// the record is cleared. Safe on a cleared record and after a failed startUp.
void shutDown(StartUp& started);
