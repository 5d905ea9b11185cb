// The process exit codes of the demo and of every tool, one table for all of them.
//
// Each code means one kind of outcome everywhere; the names below say what it means to each
// program, so a program uses the names that read naturally for it:
//   -1  the demo's setup dialog was cancelled (255 as a process status)
//    0  normal end: the show ended, or the tool did all it was asked
//    1  the program's own work failed: the demo's audio device, the capture's or the frame
//       dump's output, a check or command of the studio's script, a benchmark's measurement
//    2  the demo's music file; a tool's command line (or the studio's script) is wrong
//    3  the track set cannot be created (the studio: no audio device, music or track set)
//    4  graphics: no window, no GL context, missing GL entry points, a size the driver cannot
//       hold, or the window system lost
// Each failure prints one line on stderr naming its cause.
#pragma once
#include <cstdint>

enum ExitCode : int32_t {
    exitCancelled = -1,

    exitDone = 0,

    exitFailed = 1,
    exitAudioDevice = 1,
    exitOutput = 1,
    exitScript = 1,

    exitUsage = 2,
    exitMusicFile = 2,

    exitTrackSet = 3,
    exitData = 3,

    exitGraphics = 4,
};
