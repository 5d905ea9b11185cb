// trackc: writes and inspects track files. The text form and the checks live in the library
// trackc_lib so that tests and fuzzers drive the same code as the command.
//
// Text form, one item a line, read as formats/text_lines.h reads lines ('#' starts a comment, LF
// or CRLF line ends, control bytes refused):
//   track NAME              starts a track (NAME: no spaces, '/' or '#')
//   ROW VALUE INTERPOLATION one key of the current track
// ROW is a signed 32-bit integer or BAR:BEAT:ROW (8 rows a beat, 4 beats a bar, all from 0), as
// parseRow (formats/rows.h) reads it.
// VALUE is a float in decimal or hexadecimal notation. INTERPOLATION is constant, linear, smooth
// or quadratic, or a numeric code (only 0 to 3 pass the checks).
//
// Problems are reported as "FILE:LINE: text" for sources and "FILE: key I at byte B: text" for
// track files (checkTrackFile in formats/track_file.h).
#pragma once
#include "formats/diagnostics.h"
#include "formats/rows.h"
#include "formats/track_file.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct SourceKey {
    TrackKey key;
    int32_t line;
};

struct SourceTrack {
    std::string name;
    int32_t line;
    std::vector<SourceKey> keys;
};

struct TrackSource {
    std::vector<SourceTrack> tracks;
};

// Parses `size` bytes of text (NUL bytes included) into tracks, then checks every track; keys
// that cannot be read are left out. Returns the number of problems added.
int32_t parseTrackSource(const char* fileName, const char* text, size_t size, TrackSource* source,
                         Diagnostics* diagnostics);

// The canonical text of one track: its "track" line and one "ROW VALUE KIND" line a key. With
// `bars`, rows from 0 up are written as BAR:BEAT:ROW.
std::string printTrackText(const char* name, const TrackKey* keys, int32_t keyCount, bool bars);

// The track name a file path stands for: its base name without ".track" and without everything
// up to and including the first '_'.
std::string trackNameOfPath(const std::string& path);

// The whole command line; returns the exit status (0 success, 1 problems found, 2 misuse).
int runTrackc(int argc, const char* const* argv, FILE* out, FILE* err);
