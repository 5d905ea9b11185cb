// Lines of the tools' text formats (track text, score, show, events), read one way for all.
//
// A line ends at LF. A CR right before that LF, or as the text's last byte, belongs to the line
// end, so CRLF and LF files give the same lines with the same numbers; any other CR is a control
// byte. '#' starts a comment that runs to the end of the line. Words are separated by blanks and
// tabs. A line holding a control byte (below 0x20 other than tab, or 0x7f, NUL included, in its
// comment too) is refused: it is still numbered, but has no words. A text ending in a line
// break has no empty line after it; an empty text has no lines.
//
//   TextLineReader reader{text, size};
//   TextLine line;
//   while (readTextLine(reader, line)) ...
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TextLineReader {
    const char* text;
    size_t size;
    size_t at = 0;      // where the next line starts
    int32_t number = 0; // of the line read last
};

struct TextLine {
    int32_t number = 0;             // 1 for the first line
    bool controlByte = false;       // the line is refused; words is then empty
    std::vector<std::string> words; // the line without its comment, split at blanks and tabs
};

// The problem to report for a line with a control byte.
inline constexpr const char* controlByteProblem = "control character in the line";

// Reads the next line into `line`; false (and `line` untouched) once the text is used up.
bool readTextLine(TextLineReader& reader, TextLine& line);

// "FILE:LINE: message", the message formatted like printf.
std::string textProblem(const char* fileName, int32_t line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
