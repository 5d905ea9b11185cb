// The music, which is also the demo's clock: its play position, in seconds, times rowsPerSecond
// is the row at which every track is evaluated.
#pragma once
#include "platform/audio_output.h"

using MusicStream = AudioStream;

// Initialises the default output device at 44100 Hz; `window` may be null. Non-zero on success.
int initMusicDevice(void* window);

// Opens the music file; 0 when it is missing, unreadable or not decodable.
MusicStream openMusic(const char* path);

// Starts output and plays the stream from its beginning.
void startMusic(MusicStream stream);

// The play position in seconds.
double musicSeconds(MusicStream stream);
