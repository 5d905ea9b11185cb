// Problems found in a data file, kept for a person to read: the first ones in full, all counted.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Diagnostics {
    std::vector<std::string> messages;
    int32_t count = 0;
    int32_t limit = 50;
};

// Adds one message built like printf.
void report(Diagnostics* diagnostics, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Adds one message about a line of a text: "FILE:LINE: " and the text built like printf.
void reportAt(Diagnostics* diagnostics, const char* fileName, int32_t line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
