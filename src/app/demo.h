// The demo body: window and GL context, content, music, and the frame loop.
//
// Exit codes returned by runDemo and runEntryPoint (and so by the process), from
// base/exit_codes.h:
//   exitCancelled -1  the setup dialog was cancelled
//   exitDone       0  normal end (157 s passed, the window was closed, or Escape was pressed)
//   exitAudioDevice 1 the audio device could not be initialised
//   exitMusicFile  2  the music file could not be opened or decoded
//   exitTrackSet   3  the track set could not be created
//   exitGraphics   4  the window, the GL context or the GL entry points could not be had
// Each failure prints one line on stderr naming its cause.
#pragma once
#include "base/exit_codes.h"
#include "base/show.h"

#include <cstdint>

// Seconds since the window library started after which the demo ends.
inline constexpr double demoLengthSeconds = showLengthSeconds;

// Runs the whole demo with the process-wide display settings; returns one of the exit codes above.
int32_t runDemo();

// The entry point's work: defaults, setup dialog, settings, runDemo. Returns the exit code.
int32_t runEntryPoint(void* instance);
