#include "transport.h"

#include <cmath>

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

double loopJump(const LoopRange& loop, double row) {
    if (!loop.enabled || loop.end <= loop.start) return -1.0;
    return row >= loop.end ? loop.start : -1.0;
}
