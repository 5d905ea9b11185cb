#include "formats/text_lines.h"

#include <cstdarg>
#include <cstdio>

static bool isControlByte(unsigned char c) {
    return (c < 0x20 && c != '\t') || c == 0x7f;
}

bool readTextLine(TextLineReader& reader, TextLine& line) {
    if (reader.at >= reader.size) return false;
    const char* text = reader.text;
    size_t begin = reader.at;
    size_t end = begin;
    while (end < reader.size && text[end] != '\n')
        ++end;
    reader.at = end + 1;
    // Only the CR of a line end is taken off: the LF's, or one closing the text.
    if (end > begin && text[end - 1] == '\r') --end;

    line.number = ++reader.number;
    line.words.clear();
    line.controlByte = false;
    for (size_t c = begin; c < end; ++c) {
        if (isControlByte(static_cast<unsigned char>(text[c]))) {
            line.controlByte = true;
            return true;
        }
    }
    size_t c = begin;
    while (c < end && text[c] != '#') {
        if (text[c] == ' ' || text[c] == '\t') {
            ++c;
            continue;
        }
        size_t wordEnd = c;
        while (wordEnd < end && text[wordEnd] != ' ' && text[wordEnd] != '\t' &&
               text[wordEnd] != '#')
            ++wordEnd;
        line.words.emplace_back(text + c, wordEnd - c);
        c = wordEnd;
    }
    return true;
}

std::string textProblem(const char* fileName, int32_t line, const char* format, ...) {
    std::string problem = std::string(fileName) + ":" + std::to_string(line) + ": ";
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    if (length > 0) {
        size_t at = problem.size();
        problem.resize(at + size_t(length) + 1);
        std::vsnprintf(problem.data() + at, size_t(length) + 1, format, again);
        problem.resize(at + size_t(length));
    }
    va_end(again);
    return problem;
}
