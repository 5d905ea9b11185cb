// Track files: read, written and checked here for the demo and its tools alike.
//
// A track file is a little-endian int32 key count N, then N keys of 9 packed bytes each: int32
// row, float32 value, int8 interpolation code (0 Constant, 1 Linear, 2 Smooth, 3 Quadratic; other
// codes are kept as read). Keys are expected in ascending row order and are kept in file order.
// Reading takes only the complete keys present: a count that is negative or larger than the file
// holds gives the keys the file does hold; bytes after the last key are ignored. Fewer than 4
// bytes are a track without keys.
//
// The text forms spell an interpolation by its name (interpolationName) and a value in its
// shortest exact decimal form (formatValue).
#pragma once
#include "formats/diagnostics.h"

#include <cstddef>
#include <cstdint>
#include <string>

enum KeyInterpolation : int32_t { Constant = 0, Linear = 1, Smooth = 2, Quadratic = 3 };

struct TrackKey {
    int32_t row;
    float value;
    int32_t interpolation; // a KeyInterpolation code, or any other value as read from the file
};

// The complete keys of a track file's bytes in a new array from malloc (the caller frees it; null
// when there are none). 0 on success; 1 when memory ran out, leaving no keys.
int32_t decodeTrackFile(const uint8_t* bytes, size_t size, TrackKey** keys, int32_t* keyCount);

// The bytes of a track file holding these keys.
std::string encodeTrackFile(const TrackKey* keys, int32_t keyCount);

// Checks the bytes of a track file: its length against its count, then its keys (values finite,
// codes 0 to 3, rows strictly ascending), as "FILE: ..." messages naming the key and its byte
// offset. Returns the number of problems added.
int32_t checkTrackFile(const char* fileName, const std::string& bytes, Diagnostics* diagnostics);

// The name of an interpolation code ("constant", "linear", "smooth", "quadratic"), or null for a
// code outside 0 to 3.
const char* interpolationName(int32_t code);

// The shortest decimal text that reads back as the same float, bits included; "nan", "-nan",
// "inf" and "-inf" for the values no text reads back exactly.
std::string formatValue(float value);
