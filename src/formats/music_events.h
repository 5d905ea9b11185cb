// The music's events file, written by the synthesizer, and the sections timeline built from it.
//
// One "ROW NAME [ARG]" a line in ascending row order (ROW as parseRow reads it, NAME as
// isSectionName allows): "ROW section NAME" opens a section, "ROW end" ends the piece, any other
// name is an instrument hit such as "ROW kick". Lines are read as formats/text_lines.h reads them
// (blank lines and '#' comments allowed, control bytes refused); a NUL byte anywhere refuses the
// whole file.
#pragma once
#include "formats/rows.h"

#include <cstdint>
#include <string>
#include <vector>

struct MusicEvent {
    int32_t row;
    std::string name; // "section", "end" or an instrument's event name
    std::string arg;  // the section's name for "section", else empty
};

// Parses an events file. On failure returns 1 and sets `error` to "FILE:LINE: problem".
int32_t parseMusicEvents(const char* fileName, const std::string& text,
                         std::vector<MusicEvent>* events, std::string* error);

// The sections and the end among the events: the first "end" is the end of the music; without
// one the piece ends a row after its last event. Each section ends where the next one starts, the
// last one at the end of the piece.
Timeline timelineOfEvents(const std::vector<MusicEvent>& events);
