// Where the studio's cursor can go: the show's grid (bars and beats), the score's sections, typed
// positions and the loop range. Pure arithmetic on rows; the studio applies the results to the
// music and the picture.
//
// Positions are track rows (22 a second). BAR:BEAT:ROW counts from 0:0:0 = row 0, with the grid
// of base/show.h (8 rows a beat, 4 beats a bar).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct MusicEvent;

struct ShowSection {
    int32_t row; // first row
    std::string name;
};

// The score's layout as the events file gives it.
struct Timeline {
    std::vector<ShowSection> sections; // in row order
    int32_t endRow = -1;               // where the music ends; -1 when the events do not say
};

struct LoopRange {
    double start = 0.0, end = 0.0;
    bool enabled = false;
};

// The sections and the end among the events.
Timeline timelineOfEvents(const std::vector<MusicEvent>& events);

// The grid line `count` units after (count > 0) or before (count < 0) row, unit being a bar or a
// beat in rows. Forward goes to the next line strictly after row, back to the last line strictly
// before it; never below 0.
double stepGrid(double row, int32_t unitRows, int32_t count);

// The start of the first section after row; row unchanged when there is none.
double nextSectionStart(const Timeline& timeline, double row);

// The start of the last section more than `slack` rows before row (so that pressing back just
// after a section began, with the music running, goes to the one before); row when there is none.
double previousSectionStart(const Timeline& timeline, double row, double slack);

// The section holding row, or null before the first.
const ShowSection* sectionAt(const Timeline& timeline, double row);

// The row a typed position names: a row ("880", "880.5"), BAR:BEAT:ROW ("27:2:0"), or a section
// name with an optional offset in rows or BAR:BEAT:ROW ("climax", "main+4:0:0", "drive-8").
// 0 on success; else 1 and *error says what is wrong.
int parsePosition(const std::string& text, const Timeline& timeline, double* row,
                  std::string* error);

// "BAR:BEAT:ROW" of the row's floor, e.g. "27:2:5"; negative rows keep a leading '-'.
std::string formatPosition(double row);

// The row the cursor should jump to when it reached `row` with the loop on: the loop's start once
// row has reached its end; -1 when nothing is to be done (loop off or empty).
double loopJump(const LoopRange& loop, double row);
