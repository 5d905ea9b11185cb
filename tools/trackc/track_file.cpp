#include "trackc.h"

#include <cmath>
#include <cstring>

enum : size_t { countBytes = 4, keyBytes = 9 };

static void putInt32(std::string& bytes, uint32_t bits) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(char((bits >> shift) & 0xff));
}

static uint32_t getInt32(const std::string& bytes, size_t at) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

std::string encodeTrackFile(const TrackKey* keys, int32_t keyCount) {
    std::string bytes;
    bytes.reserve(countBytes + keyBytes * size_t(keyCount > 0 ? keyCount : 0));
    putInt32(bytes, uint32_t(keyCount));
    for (int32_t i = 0; i < keyCount; ++i) {
        uint32_t valueBits;
        std::memcpy(&valueBits, &keys[i].value, sizeof valueBits);
        putInt32(bytes, uint32_t(keys[i].row));
        putInt32(bytes, valueBits);
        bytes.push_back(char(uint8_t(keys[i].interpolation)));
    }
    return bytes;
}

int32_t checkTrackFile(const char* fileName, const std::string& bytes, Diagnostics* diagnostics) {
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
    int32_t announced = int32_t(getInt32(bytes, 0));
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
        int32_t row = int32_t(getInt32(bytes, at));
        uint32_t valueBits = getInt32(bytes, at + 4);
        float value;
        std::memcpy(&value, &valueBits, sizeof value);
        int32_t code = int8_t(uint8_t(bytes[at + 8]));
        if (!std::isfinite(value))
            report(diagnostics, "%s: key %zu at byte %zu: value %s is not a finite number",
                   fileName, i, at + 4, formatValue(value).c_str());
        if (!interpolationName(code))
            report(diagnostics,
                   "%s: key %zu at byte %zu: unknown interpolation code %d (0 constant, 1 linear, "
                   "2 smooth, 3 quadratic)",
                   fileName, i, at + 8, code);
        if (i == 0) continue;
        int32_t previous = int32_t(getInt32(bytes, at - keyBytes));
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

std::string trackNameOfPath(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    static const std::string extension = ".track";
    if (name.size() > extension.size() &&
        name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
        name.resize(name.size() - extension.size());
    size_t underscore = name.find('_');
    if (underscore != std::string::npos && underscore + 1 < name.size())
        name = name.substr(underscore + 1);
    return name;
}
