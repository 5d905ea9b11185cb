// The command script (--script FILE, parsed by script.h) run against the studio, one frame's
// worth at a time: before each frame stepScript runs the commands up to the next that takes
// frames, and after the frame's present scriptFramePresented takes its numbers.
#pragma once
#include "script.h"
#include "studio_options.h"
#include "studio_state.h"

#include <string>
#include <vector>

struct ScriptRun {
    std::string fileName;
    std::vector<ScriptCommand> commands;
    size_t next = 0;
    int64_t framesLeft = 0;
    double waitUntil = 0.0; // the end of a wait command; 0 when none runs
    bool waitingReload = false;
    int64_t reloadsAtWait = 0;
    double waitDeadline = 0.0;
    bool measuring = false;
    double measureStart = 0.0;
    int64_t measureFrames = 0;
    std::vector<double> frameTimes; // of the frames measured so far, present to present, in ms
    double editTime = -1.0;         // when the last edit command wrote its file
    const ScriptCommand* rowCheck = nullptr; // an expect-row waiting for the frame it checks
    double seekTime = -1.0; // when the last seek command moved the cursor, until its frame shows
    int status = exitDone;
};

// Reads and parses the script file into *run; 0 on success, else 1 after a log line.
int loadScriptRun(const char* path, ScriptRun* run);

// Advances the script by one frame's worth; a failed command or check sets run.status and asks
// the studio to quit.
void stepScript(Studio& studio, ScriptRun& run);

// Takes the frame just presented at `presented`, drawn at row: checks its row for an expect-row,
// keeps its frame time for a measure and logs the time from a seek to it.
void scriptFramePresented(Studio& studio, ScriptRun& run, double row, double presented);
