// The demo body: window and GL context, content, music, and the frame loop.
//
// Exit codes returned by runDemo (and so by the process):
//   0  normal end (157 s passed, the window was closed, or Escape was pressed)
//   1  the audio device could not be initialised
//   2  the music file could not be opened or decoded
//   3  the track set could not be created
//   4  the window, the GL context or the GL entry points could not be had
// Each failure prints one line on stderr naming its cause.
#pragma once
#include "base/show.h"

#include <cstdint>

enum DemoExitCode : int32_t {
    demoExitCancelled = -1,
    demoExitNormal = 0,
    demoExitAudioDevice = 1,
    demoExitMusicFile = 2,
    demoExitTrackSet = 3,
    demoExitGraphics = 4,
};

// Seconds since the window library started after which the demo ends.
inline constexpr double demoLengthSeconds = showLengthSeconds;

// Runs the whole demo with the process-wide display settings; returns one of the exit codes above.
int32_t runDemo();

// The entry point's work: defaults, setup dialog, settings, runDemo. Returns the exit code.
int32_t runEntryPoint(void* instance);
