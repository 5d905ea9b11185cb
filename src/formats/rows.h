// Rows and positions on the show's grid, as the track sources, the show, the events file and the
// studio write them, and the score's sections that positions may be relative to.
//
// A row is a track row (22 a second at the show's tempo). BAR:BEAT:ROW counts from 0:0:0 = row 0
// on the grid of base/show.h (8 rows a beat, 4 beats a bar): three unsigned whole numbers, beat
// 0-3, row 0-7. A position relative to the music is a section's name or "end", optionally followed
// by +OFFSET or -OFFSET. Each reader accepts exactly what its files and users have always written:
//
//   parseRow            int32 with optional sign, or BAR:BEAT:ROW     track sources, events
//   parseFractionalRow  unsigned decimal, fraction allowed, or B:B:R  the studio's rows
//   parseKeyRow         parseRow's rows, or NAME[+-OFFSET] with an     the show's keys
//                       offset as parseRow reads it (unsigned); int32
//   parsePosition       parseFractionalRow's rows, or NAME[+-OFFSET]   the studio's typed positions
//                       with a fractional offset; clamped at row 0
//
// In parseKeyRow "end" means the end of the music before any section so named; in parsePosition a
// section comes first, and a named row below 0 is refused.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ShowSection {
    int32_t row; // first row
    std::string name;
    int32_t end; // the next section's first row, or the end of the piece
};

// The score's layout as its events give it.
struct Timeline {
    std::vector<ShowSection> sections; // in row order
    bool hasEnd = false;               // the events say where the music ends
    int32_t endRow = -1;               // that row; -1 when they do not say
};

// Reads a row written as a signed 32-bit integer (at most 12 digits) or as BAR:BEAT:ROW (each at
// most 12 digits, the row within int32); 0 on success.
int32_t parseRow(const char* text, int32_t* row);

// Reads a row written as an unsigned decimal ("880", "880.5", ".5"; digits and '.', finite) or as
// BAR:BEAT:ROW (each at most 9 digits); false when it is neither.
bool parseFractionalRow(const std::string& text, double* row);

// "BAR:BEAT:ROW" of the row's floor, e.g. "27:2:5"; negative rows keep a leading '-'.
std::string formatPosition(double row);

// A letter or '_', then letters, digits and '_': how sections and events are named.
bool isSectionName(const std::string& text);

// The first section of that name, or null.
const ShowSection* findSection(const Timeline& timeline, const std::string& name);

// The section holding row (the last one starting at or before it), or null before the first.
const ShowSection* sectionAt(const Timeline& timeline, double row);

// A key's row in the show: a plain row, or an offset from a section's start or the music's end.
// 0 on success; else 1 and *why says what is wrong ("the music has no section 'x'", ...).
int32_t parseKeyRow(const Timeline& timeline, const std::string& token, int32_t* row,
                    std::string* why);

// The row a typed position names: a row ("880", "880.5"), BAR:BEAT:ROW ("27:2:0"), or a section
// name with an optional offset in rows or BAR:BEAT:ROW ("climax", "main+4:0:0", "drive-8").
// 0 on success; else 1 and *error says what is wrong.
int parsePosition(const std::string& text, const Timeline& timeline, double* row,
                  std::string* error);
