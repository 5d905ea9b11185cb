// Animation tracks: named lists of keys read from one small binary file per track, and their
// value at a fractional row.
//
// A TrackSet is opened on a path prefix. fetchTrack(set, name) returns the track of that name,
// reading PREFIX + "_" + NAME + ".track" the first time the name is asked for and never again;
// names are used byte for byte (case kept, dots kept, no separator added). A track whose file is
// missing, unreadable or whose path would exceed 259 characters has no keys and evaluates to 0.
//
// The files are read through the file seam and decoded as formats/track_file.h says: only the
// complete keys present are loaded, in file order.
//
// evaluateTrack chooses the segment with floor(row) and shapes it with the unfloored row. Before
// the first key it gives the first key's value, at or after the last key the last key's value;
// a key whose interpolation code is not 0 to 3 makes its segment evaluate to 0. Every result is
// exactly representable as a float.
//
// Single-threaded: path composition uses one shared buffer. Nothing is reported or logged.
#pragma once
#include "formats/track_file.h"

#include <cstdint>

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
