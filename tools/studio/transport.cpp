#include "transport.h"

#include "base/show.h"
#include "choreo.h"

#include <cmath>
#include <cstdlib>

Timeline timelineOfEvents(const std::vector<MusicEvent>& events) {
    Timeline t;
    for (const MusicEvent& e : events) {
        if (e.name == "section") t.sections.push_back({e.row, e.arg});
        if (e.name == "end") t.endRow = e.row;
    }
    return t;
}

double stepGrid(double row, int32_t unitRows, int32_t count) {
    const double unit = unitRows;
    // A row a hair off a grid line (float round trips of the clock) counts as on it.
    const double lines = row / unit;
    const double nearest = std::round(lines);
    const double at = std::fabs(lines - nearest) < 1e-6 ? nearest : lines;
    double target = count > 0 ? std::floor(at) + count : std::ceil(at) + count;
    target *= unit;
    return target < 0.0 ? 0.0 : target;
}

double nextSectionStart(const Timeline& timeline, double row) {
    for (const ShowSection& s : timeline.sections)
        if (s.row > row + 1e-6) return s.row;
    return row;
}

double previousSectionStart(const Timeline& timeline, double row, double slack) {
    double found = -1.0;
    for (const ShowSection& s : timeline.sections)
        if (s.row < row - slack) found = s.row;
    return found < 0.0 ? row : found;
}

const ShowSection* sectionAt(const Timeline& timeline, double row) {
    const ShowSection* found = nullptr;
    for (const ShowSection& s : timeline.sections)
        if (s.row <= row) found = &s;
    return found;
}

// A whole number from the whole of [begin, end): digits only, at most 9 of them.
static bool wholeNumber(const std::string& text, size_t begin, size_t end, long* n) {
    if (begin >= end || end - begin > 9) return false;
    long v = 0;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    *n = v;
    return true;
}

// A plain row (decimal, fraction allowed) or BAR:BEAT:ROW; false when it is neither.
static bool rowOfText(const std::string& text, double* row) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
            return false;
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (*end != '\0' || !std::isfinite(v)) return false;
        *row = v;
        return true;
    }
    const size_t second = text.find(':', colon + 1);
    long bar, beat, rowInBeat;
    if (second == std::string::npos || !wholeNumber(text, 0, colon, &bar) ||
        !wholeNumber(text, colon + 1, second, &beat) ||
        !wholeNumber(text, second + 1, text.size(), &rowInBeat))
        return false;
    if (beat >= showBeatsPerBar || rowInBeat >= long(showRowsPerBeat)) return false;
    *row = double(bar) * showRowsPerBar + double(beat) * showRowsPerBeat + double(rowInBeat);
    return true;
}

int parsePosition(const std::string& text, const Timeline& timeline, double* row,
                  std::string* error) {
    if (rowOfText(text, row)) return 0;
    const size_t sign = text.find_first_of("+-");
    const std::string name = text.substr(0, sign);
    double base = -1.0;
    if (name == "end") base = timeline.endRow;
    for (const ShowSection& s : timeline.sections)
        if (s.name == name) base = s.row;
    if (base < 0.0) {
        *error = "'" + text + "' is neither a row, BAR:BEAT:ROW nor a section of the score";
        return 1;
    }
    double offset = 0.0;
    if (sign != std::string::npos && !rowOfText(text.substr(sign + 1), &offset)) {
        *error = "the offset in '" + text + "' is neither rows nor BAR:BEAT:ROW";
        return 1;
    }
    *row = sign != std::string::npos && text[sign] == '-' ? base - offset : base + offset;
    if (*row < 0.0) *row = 0.0;
    return 0;
}

std::string formatPosition(double row) {
    const long long r = static_cast<long long>(std::floor(row));
    const long long a = r < 0 ? -r : r;
    const long long bar = a / showRowsPerBar;
    const long long beat = a % showRowsPerBar / static_cast<long long>(showRowsPerBeat);
    const long long inBeat = a % static_cast<long long>(showRowsPerBeat);
    return (r < 0 ? "-" : "") + std::to_string(bar) + ":" + std::to_string(beat) + ":" +
           std::to_string(inBeat);
}

double loopJump(const LoopRange& loop, double row) {
    if (!loop.enabled || loop.end <= loop.start) return -1.0;
    return row >= loop.end ? loop.start : -1.0;
}
