// choreo: turns the hand-written show plus the music's event list into one track source for
// trackc. The show is written against the music's sections, so it keeps following the score when
// the score's sections move; the pulses that follow single hits (the bass on every kick) are made
// here from the events instead of being typed.
//
// The events file (written by the synthesizer) is read by parseMusicEvents
// (formats/music_events.h).
//
// Show file: trackc's text form with three additions.
//   - A key's ROW may be given relative to an event: SECTION, SECTION+OFFSET or SECTION-OFFSET,
//     where SECTION is a section's name or "end" and OFFSET an integer or BAR:BEAT:ROW
//     (parseKeyRow in formats/rows.h).
//   - pulse TRACK EVENT DECAY
//       TRACK is made entirely here: on every EVENT hit it jumps to the strength of the section
//       the hit falls in and dies away to 0 within DECAY rows (or before the next hit).
//   - strength TRACK SECTION VALUE [VALUE_AT_END]
//       the pulse height in that section; with two values it runs linearly from the first at the
//       section's start to the second at its end. Sections without a strength get no pulses.
// The output lists the hand-written tracks in file order with absolute rows, then the pulse
// tracks.
#pragma once
#include "formats/music_events.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Resolves the show against the events and writes the complete track source to `out`. On failure
// returns 1 and sets `error` to "FILE:LINE: problem"; `out` is then unspecified.
int32_t generateShow(const char* showName, const std::string& showText,
                     const std::vector<MusicEvent>& events, std::string* out, std::string* error);

// The command line: choreo SHOW EVENTS OUT. Returns the exit status (0 success, 1 a problem with
// an input or the output file, 2 misuse).
int runChoreo(int argc, const char* const* argv, FILE* err);
