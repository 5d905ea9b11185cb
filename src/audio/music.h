// The music, which is also the demo's clock: its play position, in seconds, times showRowsPerSecond
// is the row at which every track is evaluated. The studio also seeks and pauses it.
#pragma once
#include "audio/audio_output.h"

using MusicStream = AudioStream;

// Initialises the default output device at 44100 Hz. Non-zero on success.
int initMusicDevice();

// Opens the music file; 0 when it is missing, unreadable or not decodable.
MusicStream openMusic(const char* path);

// Music held in memory instead of the file (the studio's score rendered again): frameCount frames
// of interleaved 16-bit stereo at 44100 Hz, copied. It replaces the stream opened before, which
// is closed; 0 when it cannot be played.
MusicStream openMusicSamples(const int16_t* frames, int64_t frameCount);

// Starts output and plays the stream from where it is (its beginning unless seeked).
void startMusic(MusicStream stream);

// The play position in seconds.
double musicSeconds(MusicStream stream);

// Moves the play position to `seconds` (from the music's start; past the end means the end).
// Non-zero on success.
int musicSeek(MusicStream stream, double seconds);

// Pauses the music, holding its position, or goes on from there. Non-zero on success.
int musicPause(MusicStream stream, bool paused);
