// Live reload: the show, the score's events, the score and the shaders read again when they are
// saved, each refused with its problem on screen while the last good one goes on.
#pragma once
#include "studio_state.h"

#include <string>

struct FileWatcher;

// The reload whose first frame is still to be presented, for its log line.
struct Reload {
    double saveTime = -1.0; // when the save that is being applied happened
    double applyMs = 0.0;   // resolving, compiling and swapping it in
    bool showPending = false;
    std::string what; // the files of the pending report
};

// Reads the events file into the studio; false (with the problem shown) when it does not parse.
bool loadEvents(Studio& studio);

// Resolves the show against the current events and swaps its tracks in; on failure the tracks
// running now stay and the problem is shown.
bool loadShow(Studio& studio);

// Builds again, from the files, the programs whose files differ from those the demo was built
// with.
void loadChangedPrograms(Studio& studio);

// Watches the show, the events, the score and every shader file (nothing when watcher is null).
void watchEverything(Studio& studio, FileWatcher* watcher);

// Applies every save since the last frame (events, then the show, then shaders) and a score that
// finished rendering; *editTime, when positive, is when the save was made, and is then reset.
void applySaves(Studio& studio, FileWatcher* watcher, Reload& reload, double* editTime);

// Logs the pending reload's time from save to the frame presented at `presented`, and clears it.
void reportShownReload(Studio& studio, Reload& reload, double presented);

// Leaves a score render that is still running to finish on its own.
void abandonReloads(Studio& studio);
