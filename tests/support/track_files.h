// Track file bytes made byte by byte for the tests, independently of any encoder under test.
#pragma once
#include "tracks/tracks.h"

#include <cstring>
#include <string>
#include <vector>

inline void appendLittleEndian(std::string& bytes, uint32_t bits) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(char((bits >> shift) & 0xff));
}

// The file for `keys` with the given count field (by default the number of keys); each key's
// interpolation is written as its low byte.
inline std::string trackFileBytes(const std::vector<TrackKey>& keys, int64_t count = -1) {
    std::string bytes;
    appendLittleEndian(bytes, uint32_t(count < 0 ? int64_t(keys.size()) : count));
    for (const TrackKey& key : keys) {
        appendLittleEndian(bytes, uint32_t(key.row));
        uint32_t valueBits;
        std::memcpy(&valueBits, &key.value, sizeof valueBits);
        appendLittleEndian(bytes, valueBits);
        bytes.push_back(char(key.interpolation & 0xff));
    }
    return bytes;
}
