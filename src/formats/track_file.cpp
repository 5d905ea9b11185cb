#include "formats/track_file.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

enum : size_t { countBytes = 4, keyBytes = 9 };

static uint32_t readUint32(const uint8_t* b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

static void putUint32(std::string& bytes, uint32_t bits) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(char((bits >> shift) & 0xff));
}

static float floatOfBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int32_t decodeTrackFile(const uint8_t* bytes, size_t size, TrackKey** keys, int32_t* keyCount) {
    *keys = nullptr;
    *keyCount = 0;
    // Empty, or too short to hold a count: a track without keys.
    if (size < countBytes) return 0;
    // The count is only an upper bound, so that a short file keeps its complete keys; a negative
    // count says nothing, and the keys that follow it are loaded as they stand.
    int32_t announced = int32_t(readUint32(bytes));
    if (announced < 0) announced = INT32_MAX;
    const size_t complete = (size - countBytes) / keyBytes;
    const int32_t count = complete < size_t(announced) ? int32_t(complete) : announced;
    if (count == 0) return 0;
    TrackKey* read = static_cast<TrackKey*>(std::malloc(size_t(count) * sizeof(TrackKey)));
    if (!read) return 1;
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* key = bytes + countBytes + size_t(i) * keyBytes;
        read[i].row = int32_t(readUint32(key));
        read[i].value = floatOfBits(readUint32(key + 4));
        read[i].interpolation = int32_t(int8_t(key[8]));
    }
    *keys = read;
    *keyCount = count;
    return 0;
}

std::string encodeTrackFile(const TrackKey* keys, int32_t keyCount) {
    std::string bytes;
    bytes.reserve(countBytes + keyBytes * size_t(keyCount > 0 ? keyCount : 0));
    putUint32(bytes, uint32_t(keyCount));
    for (int32_t i = 0; i < keyCount; ++i) {
        uint32_t valueBits;
        std::memcpy(&valueBits, &keys[i].value, sizeof valueBits);
        putUint32(bytes, uint32_t(keys[i].row));
        putUint32(bytes, valueBits);
        bytes.push_back(char(uint8_t(keys[i].interpolation)));
    }
    return bytes;
}

int32_t checkTrackFile(const char* fileName, const std::string& bytes, Diagnostics* diagnostics) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
    int32_t before = diagnostics->count;
    if (bytes.size() < countBytes) {
        if (bytes.empty())
            report(diagnostics, "%s: empty file: no key count (loads as a track without keys)",
                   fileName);
        else
            report(diagnostics,
                   "%s: only %zu bytes: a key count takes 4 (loads as a track without keys)",
                   fileName, bytes.size());
        return diagnostics->count - before;
    }
    int32_t announced = int32_t(readUint32(data));
    size_t complete = (bytes.size() - countBytes) / keyBytes;
    size_t stray = (bytes.size() - countBytes) % keyBytes;
    // The keys the demo would load: never more than the file holds.
    size_t loaded = complete;
    if (announced < 0) {
        report(diagnostics, "%s: key count %d is negative (the %zu complete keys present load)",
               fileName, announced, complete);
    } else if (size_t(announced) > complete) {
        report(diagnostics,
               "%s: truncated: the count announces %d keys, the file holds %zu complete key%s%s",
               fileName, announced, complete, complete == 1 ? "" : "s",
               stray ? " and a cut one" : "");
    } else {
        loaded = size_t(announced);
        size_t extra = bytes.size() - countBytes - keyBytes * loaded;
        if (extra)
            report(diagnostics, "%s: %zu trailing byte%s after the last of %d keys", fileName,
                   extra, extra == 1 ? "" : "s", announced);
    }
    if (announced < 0 && stray)
        report(diagnostics, "%s: the last %zu bytes are a cut key", fileName, stray);

    for (size_t i = 0; i < loaded; ++i) {
        size_t at = countBytes + i * keyBytes;
        int32_t row = int32_t(readUint32(data + at));
        float value = floatOfBits(readUint32(data + at + 4));
        int32_t code = int8_t(data[at + 8]);
        if (!std::isfinite(value))
            report(diagnostics, "%s: key %zu at byte %zu: value %s is not a finite number",
                   fileName, i, at + 4, formatValue(value).c_str());
        if (!interpolationName(code))
            report(diagnostics,
                   "%s: key %zu at byte %zu: unknown interpolation code %d (0 constant, 1 linear, "
                   "2 smooth, 3 quadratic)",
                   fileName, i, at + 8, code);
        if (i == 0) continue;
        int32_t previous = int32_t(readUint32(data + at - keyBytes));
        if (row < previous)
            report(diagnostics,
                   "%s: key %zu at byte %zu: rows not ascending: row %d comes after row %d",
                   fileName, i, at, row, previous);
        else if (row == previous)
            report(diagnostics, "%s: key %zu at byte %zu: repeated row %d (as key %zu)", fileName,
                   i, at, row, i - 1);
    }
    return diagnostics->count - before;
}

static const char* const interpolationNames[] = {"constant", "linear", "smooth", "quadratic"};

const char* interpolationName(int32_t code) {
    return code >= 0 && code <= 3 ? interpolationNames[code] : nullptr;
}

std::string formatValue(float value) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char text[64];
    for (int precision = 1; precision <= 9; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, double(value));
        float back = std::strtof(text, nullptr);
        if (std::memcmp(&back, &value, sizeof value) == 0) break;
    }
    return text; // nine significant digits always read back exactly
}
