#include "tracks/tracks.h"
#include "tracks/tracks_internal.h"

#include "platform/file.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

// Handed out when a track cannot be created, so that callers, which never check, still get a
// track: it has no keys and evaluates to 0. It belongs to no set and is never written.
static char standInName[1] = "";
static Track standInTrack = {standInName, nullptr, 0};

static char* copyString(const char* text) {
    size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

TrackSet* openTrackSet(const char* pathPrefix) {
    if (!pathPrefix) return nullptr;
    TrackSet* set = static_cast<TrackSet*>(std::malloc(sizeof(TrackSet)));
    if (!set) return nullptr;
    set->pathPrefix = copyString(pathPrefix);
    if (!set->pathPrefix) {
        std::free(set);
        return nullptr;
    }
    set->tracks = nullptr;
    set->trackCount = 0;
    return set;
}

int32_t findTrackIndex(const TrackSet* set, const char* name) {
    for (int32_t i = 0; i < set->trackCount; ++i) {
        if (std::strcmp(set->tracks[i]->name, name) == 0) return i;
    }
    return -1;
}

int32_t appendTrack(TrackSet* set, const char* name) {
    if (set->trackCount == INT32_MAX) return -1;
    Track* track = static_cast<Track*>(std::malloc(sizeof(Track)));
    if (!track) return -1;
    track->name = copyString(name);
    track->keys = nullptr;
    track->keyCount = 0;
    // Exactly one more entry each time: a set holds a couple of dozen tracks fetched once.
    Track** grown = nullptr;
    if (track->name) {
        size_t entries = size_t(set->trackCount) + 1;
        grown = static_cast<Track**>(std::realloc(set->tracks, entries * sizeof(Track*)));
    }
    if (!grown) {
        std::free(track->name);
        std::free(track);
        return -1;
    }
    set->tracks = grown;
    set->tracks[set->trackCount] = track;
    return set->trackCount++;
}

const char* trackFilePath(const char* pathPrefix, const char* name) {
    static char path[trackPathMax + 1];
    static const char separator[] = "_";
    static const char extension[] = ".track";
    size_t prefixLength = std::strlen(pathPrefix);
    size_t nameLength = std::strlen(name);
    size_t length = prefixLength + (sizeof separator - 1) + nameLength + (sizeof extension - 1);
    // A cut path could name some other existing file, so a path that does not fit names none.
    if (prefixLength > trackPathMax || nameLength > trackPathMax || length > trackPathMax)
        return nullptr;
    char* at = path;
    std::memcpy(at, pathPrefix, prefixLength);
    at += prefixLength;
    std::memcpy(at, separator, sizeof separator - 1);
    at += sizeof separator - 1;
    std::memcpy(at, name, nameLength);
    at += nameLength;
    std::memcpy(at, extension, sizeof extension); // with its terminator
    return path;
}

int32_t loadTrackFile(Track* track, const char* path) {
    std::free(track->keys);
    track->keys = nullptr;
    track->keyCount = 0;
    if (!path) return 1;
    const char* problem = nullptr;
    FileBytes file = fileMapWhole(path, &problem);
    if (!file.bytes) return 1;
    int32_t result = decodeTrackFile(file.bytes, file.size, &track->keys, &track->keyCount);
    fileRelease(file);
    return result;
}

Track* fetchTrack(TrackSet* set, const char* name) {
    if (!set || !name) return &standInTrack;
    int32_t index = findTrackIndex(set, name);
    if (index >= 0) return set->tracks[index];
    index = appendTrack(set, name);
    if (index < 0) return &standInTrack;
    Track* track = set->tracks[index];
    loadTrackFile(track, trackFilePath(set->pathPrefix, name));
    return track;
}

void closeTrackSet(TrackSet* set) {
    if (!set) return;
    for (int32_t i = 0; i < set->trackCount; ++i) {
        std::free(set->tracks[i]->keys);
        std::free(set->tracks[i]->name);
        std::free(set->tracks[i]);
    }
    std::free(set->tracks);
    std::free(set->pathPrefix);
    std::free(set);
}

int32_t searchKeyRow(const Track* track, int32_t r) {
    int32_t lo = 0;
    int32_t hi = track->keyCount;
    while (lo < hi) {
        // Same midpoint as (lo + hi) / 2, without the sum overflowing.
        int32_t mid = lo + (hi - lo) / 2;
        if (track->keys[mid].row < r) {
            lo = mid + 1;
        } else if (track->keys[mid].row > r) {
            hi = mid;
        } else {
            return mid;
        }
    }
    return -lo - 1;
}

int32_t keyIndexAtOrBefore(const Track* track, int32_t r) {
    int32_t s = searchKeyRow(track, r);
    return s >= 0 ? s : -s - 2;
}

// t from the unfloored row, d rounded to single precision, the sum in double rounded once.
static float interpolate(TrackKey k0, TrackKey k1, double row, double (*shape)(double)) {
    // The span is taken in 64 bits: it equals the 32-bit difference whenever that does not
    // overflow, and stays right for keys at the far ends of the row range.
    int64_t span = int64_t(k1.row) - int64_t(k0.row);
    if (span == 0) return k0.value; // two keys on one row: no segment to run along
    double t = (row - double(k0.row)) / double(span);
    double d = double(float(k1.value - k0.value));
    // Finite values of opposite sign near the float limit overflow in single precision, and an
    // infinite d would make 0 x d a NaN at the segment's start; the exact difference keeps the
    // result between the two values.
    if (std::isinf(d) && std::isfinite(k0.value) && std::isfinite(k1.value))
        d = double(k1.value) - double(k0.value);
    return float(double(k0.value) + d * shape(t));
}

static double shapeLinear(double t) {
    return t;
}
static double shapeSmooth(double t) {
    return (t * t) * (3.0 - 2.0 * t);
}
static double shapeQuadratic(double t) {
    return std::pow(t, 2.0);
}

float interpolateLinear(TrackKey k0, TrackKey k1, double row) {
    return interpolate(k0, k1, row, shapeLinear);
}

float interpolateSmooth(TrackKey k0, TrackKey k1, double row) {
    return interpolate(k0, k1, row, shapeSmooth);
}

float interpolateQuadratic(TrackKey k0, TrackKey k1, double row) {
    return interpolate(k0, k1, row, shapeQuadratic);
}

double evaluateTrack(const Track* track, double row) {
    if (!track || track->keyCount <= 0) return 0.0;
    const TrackKey* keys = track->keys;
    int32_t last = track->keyCount - 1;
    // Rows that have no int32 floor take the value at the matching end; NaN takes the first key's.
    double floored = std::floor(row);
    if (!(floored >= -2147483648.0)) return keys[0].value;
    if (floored > 2147483647.0) return keys[last].value;
    int32_t r = int32_t(floored);

    int32_t i = keyIndexAtOrBefore(track, r);
    if (i < 0) return keys[0].value;
    if (i > track->keyCount - 2) return keys[last].value;
    TrackKey k0 = keys[i];
    TrackKey k1 = keys[i + 1];
    switch (k0.interpolation) {
    case Constant:
        return k0.value;
    case Linear:
        return interpolateLinear(k0, k1, row);
    case Smooth:
        return interpolateSmooth(k0, k1, row);
    case Quadratic:
        return interpolateQuadratic(k0, k1, row);
    default:
        return 0.0;
    }
}
