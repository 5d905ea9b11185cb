// Where the studio's cursor can go: the show's grid (bars and beats), the score's sections and the
// loop range. Pure arithmetic on rows; the studio applies the results to the music and the
// picture. Typed positions, BAR:BEAT:ROW and the sections timeline are read as the data files
// write them (formats/rows.h, formats/music_events.h).
//
// Positions are track rows (22 a second).
#pragma once
#include "formats/music_events.h"
#include "formats/rows.h"

#include <cstdint>

struct LoopRange {
    double start = 0.0, end = 0.0;
    bool enabled = false;
};

// The grid line `count` units after (count > 0) or before (count < 0) row, unit being a bar or a
// beat in rows. Forward goes to the next line strictly after row, back to the last line strictly
// before it; never below 0.
double stepGrid(double row, int32_t unitRows, int32_t count);

// The start of the first section after row; row unchanged when there is none.
double nextSectionStart(const Timeline& timeline, double row);

// The start of the last section more than `slack` rows before row (so that pressing back just
// after a section began, with the music running, goes to the one before); row when there is none.
double previousSectionStart(const Timeline& timeline, double row, double slack);

// The row the cursor should jump to when it reached `row` with the loop on: the loop's start once
// row has reached its end; -1 when nothing is to be done (loop off or empty).
double loopJump(const LoopRange& loop, double row);
