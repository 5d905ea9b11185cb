// Animation tracks: named lists of keys read from one small binary file per track, and their
// value at a fractional row.
//
// A TrackSet is opened on a path prefix. fetchTrack(set, name) returns the track of that name,
// reading PREFIX + "_" + NAME + ".track" the first time the name is asked for and never again;
// names are used byte for byte (case kept, dots kept, no separator added). A track whose file is
// missing, unreadable or whose path would exceed 259 characters has no keys and evaluates to 0.
//
// Track file: little-endian int32 key count N, then N keys of 9 packed bytes each: int32 row,
// float32 value, int8 interpolation code (0 Constant, 1 Linear, 2 Smooth, 3 Quadratic; other codes
// are kept and make their segment evaluate to 0). Keys are expected in ascending row order and
// are kept in file order. Only the complete keys present are loaded: a count that is negative or
// larger than the file holds loads the keys the file does hold; bytes after the last key are
// ignored.
//
// evaluateTrack chooses the segment with floor(row) and shapes it with the unfloored row. Before
// the first key it gives the first key's value, at or after the last key the last key's value.
// Every result is exactly representable as a float.
//
// Single-threaded: path composition uses one shared buffer. Nothing is reported or logged.
#pragma once
#include <cstdint>

enum KeyInterpolation : int32_t { Constant = 0, Linear = 1, Smooth = 2, Quadratic = 3 };

struct TrackKey {
    int32_t row;
    float value;
    int32_t interpolation; // a KeyInterpolation code, or any other value as read from the file
};

struct Track {
    char* name;
    TrackKey* keys;
    int32_t keyCount;
};

struct TrackSet {
    char* pathPrefix;
    Track** tracks;
    int32_t trackCount;
};

// A new empty set that copies pathPrefix; null when it cannot be allocated or pathPrefix is null.
TrackSet* openTrackSet(const char* pathPrefix);

// The track named `name`, created and loaded on its first request; never null (a shared track
// without keys stands in when memory runs out or an argument is null).
Track* fetchTrack(TrackSet* set, const char* name);

// The track's value at `row`; 0 for a track without keys. Never touches memory outside the keys.
double evaluateTrack(const Track* track, double row);

// Releases the set, its prefix copy and every track fetched from it; null is allowed.
void closeTrackSet(TrackSet* set);
