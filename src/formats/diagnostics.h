// Problems found in a data file, kept for a person to read: the first ones in full, all counted.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The messages use the C library's formats (%zu included). MinGW's C++ library selects its own
// ANSI printf, whose format checks are gnu_printf's rather than the system's.
#ifdef __MINGW_PRINTF_FORMAT
#define DIAGNOSTICS_FORMAT(string, first)                                                          \
    __attribute__((format(__MINGW_PRINTF_FORMAT, string, first)))
#else
#define DIAGNOSTICS_FORMAT(string, first) __attribute__((format(printf, string, first)))
#endif

struct Diagnostics {
    std::vector<std::string> messages;
    int32_t count = 0;
    int32_t limit = 50;
};

// Adds one message built like printf.
void report(Diagnostics* diagnostics, const char* format, ...) DIAGNOSTICS_FORMAT(2, 3);

// Adds one message about a line of a text: "FILE:LINE: " and the text built like printf.
void reportAt(Diagnostics* diagnostics, const char* fileName, int32_t line, const char* format, ...)
    DIAGNOSTICS_FORMAT(4, 5);
