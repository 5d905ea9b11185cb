// Command scripts (--script FILE): what a person would do at the keyboard, written down, so that
// tests and benchmarks can drive the studio and a show maker can replay a check.
//
// One command a line; '#' starts a comment; arguments are separated by blanks, and an argument
// that holds blanks is written in double quotes (\" and \\ inside them, \n for a line break).
//   seek POSITION          move the cursor (a row, BAR:BEAT:ROW, SECTION or SECTION+OFFSET)
//   play FRAMES            play with the music for that many frames, then keep playing
//   pause                  stop the music; the picture holds the cursor's row
//   frames N               draw N more frames as things stand (playing or not)
//   wait SECONDS           draw frames as things stand for that long
//   stall SECONDS          hold the frame being prepared that long, the music playing on (a
//                          frame as long as a busy machine's)
//   still FILE             write the current row's frame at full size as PNG (the row is logged)
//   edit FILE OLD NEW      replace the first OLD in FILE with NEW, written in place (a save)
//   wait-reload [SECONDS]  draw frames until a reload caused by a save has been applied or has
//                          failed (default limit 20 s, after which the script fails)
//   expect-error TEXT      the error panel holds TEXT
//   expect-no-error        the error panel is empty
//   expect-row MIN MAX     the next frame drawn shows a row in [MIN, MAX]
//   loop START END | loop off   set the loop range and turn it on, or turn it off
//   scale 1|2|4            render at the window size, 1/2 or 1/4
//   overlay on|off         show or hide the overlay
//   measure FRAMES         draw that many frames and print the mean frame time
//   quit                   end with status 0
// A failed expectation ends the studio with status 1 after one line naming the script line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum ScriptOp : int32_t {
    scriptSeek,
    scriptPlay,
    scriptPause,
    scriptFrames,
    scriptWait,
    scriptStall,
    scriptStill,
    scriptEdit,
    scriptWaitReload,
    scriptExpectError,
    scriptExpectNoError,
    scriptExpectRow,
    scriptLoop,
    scriptLoopOff,
    scriptScale,
    scriptOverlay,
    scriptMeasure,
    scriptQuit,
};

struct ScriptCommand {
    ScriptOp op;
    int32_t line;
    std::vector<std::string> args; // as written, quotes removed
    double numbers[2]; // the numeric arguments of play, frames, wait, stall, wait-reload,
                       // expect-row, scale, overlay (1 on, 0 off) and measure
};

// Parses a whole script. 0 on success; else 1 and *error is "FILE:LINE: what".
int parseScript(const char* fileName, const std::string& text, std::vector<ScriptCommand>* commands,
                std::string* error);
