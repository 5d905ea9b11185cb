// The track store's inner steps, for tests and tools that need them one by one. The demo itself
// uses only tracks.h.
#pragma once
#include "tracks/tracks.h"

// Longest composed track file path, terminator excluded.
inline constexpr int32_t trackPathMax = 259;

// Index of the first track named exactly `name`, or -1.
int32_t findTrackIndex(const TrackSet* set, const char* name);

// Adds a track without keys named `name` at the end of the set; its index, or -1 when memory ran
// out (the set is then unchanged).
int32_t appendTrack(TrackSet* set, const char* name);

// PREFIX_NAME.track in a buffer shared by every call (valid until the next call); null when the
// path would be longer than trackPathMax characters.
const char* trackFilePath(const char* pathPrefix, const char* name);

// Replaces the track's keys with the complete keys of the file at `path`. 0 when the file was
// read; 1 when it could not be had (missing, not a regular file, unreadable, or `path` null) or
// memory ran out, leaving the track without keys.
int32_t loadTrackFile(Track* track, const char* path);

// Index of a key at row r, or -(insertion point) - 1; halving search over the keys as they stand.
int32_t searchKeyRow(const Track* track, int32_t r);

// Index of the key at r, else of the last key below r; -1 when every key lies above r.
int32_t keyIndexAtOrBefore(const Track* track, int32_t r);

// Value between two consecutive keys at `row` (unfloored), shaped t, t*t*(3-2t) and t^2; k0's
// value when both keys share a row.
float interpolateLinear(TrackKey k0, TrackKey k1, double row);
float interpolateSmooth(TrackKey k0, TrackKey k1, double row);
float interpolateQuadratic(TrackKey k0, TrackKey k1, double row);
