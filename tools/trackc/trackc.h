// trackc: writes and inspects track files. The text form and the checks live in the library
// trackc_lib so that tests and fuzzers drive the same code as the command.
//
// Text form, one item a line, read as base/text_lines.h reads lines ('#' starts a comment, LF
// or CRLF line ends, control bytes refused):
//   track NAME              starts a track (NAME: no spaces, '/' or '#')
//   ROW VALUE INTERPOLATION one key of the current track
// ROW is a signed 32-bit integer or BAR:BEAT:ROW (8 rows a beat, 4 beats a bar, all from 0).
// VALUE is a float in decimal or hexadecimal notation. INTERPOLATION is constant, linear, smooth
// or quadratic, or a numeric code (only 0 to 3 pass the checks).
//
// Problems are reported as "FILE:LINE: text" for sources and "FILE: key I at byte B: text" for
// track files.
#pragma once
#include "tracks/tracks.h"

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

// Problems found so far; only the first `limit` messages are kept, but all are counted.
struct Diagnostics {
    std::vector<std::string> messages;
    int32_t count = 0;
    int32_t limit = 50;
};

// Adds one message built like printf.
void report(Diagnostics* diagnostics, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Adds one message about a line of a source: "FILE:LINE: " and the text built like printf.
void reportAt(Diagnostics* diagnostics, const char* fileName, int32_t line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Parses `size` bytes of text (NUL bytes included) into tracks, then checks every track; keys
// that cannot be read are left out. Returns the number of problems added.
int32_t parseTrackSource(const char* fileName, const char* text, size_t size, TrackSource* source,
                         Diagnostics* diagnostics);

// The canonical text of one track: its "track" line and one "ROW VALUE KIND" line a key. With
// `bars`, rows from 0 up are written as BAR:BEAT:ROW.
std::string printTrackText(const char* name, const TrackKey* keys, int32_t keyCount, bool bars);

// The shortest decimal text that reads back as the same float, bits included; "nan", "inf" and
// "-inf" for the values no text reads back exactly.
std::string formatValue(float value);

// The name of an interpolation code, or null for a code outside 0 to 3.
const char* interpolationName(int32_t code);

// Reads a row written as an integer or as BAR:BEAT:ROW; 0 on success.
int32_t parseRow(const char* text, int32_t* row);

// The bytes of a track file holding these keys.
std::string encodeTrackFile(const TrackKey* keys, int32_t keyCount);

// Checks the bytes of a track file: its length against its count, then its keys. Returns the
// number of problems added.
int32_t checkTrackFile(const char* fileName, const std::string& bytes, Diagnostics* diagnostics);

// The track name a file path stands for: its base name without ".track" and without everything
// up to and including the first '_'.
std::string trackNameOfPath(const std::string& path);

// The whole command line; returns the exit status (0 success, 1 problems found, 2 misuse).
int runTrackc(int argc, const char* const* argv, FILE* out, FILE* err);
