#include "formats/diagnostics.h"

#include "formats/text_lines.h"

#include <cstdarg>
#include <cstdio>

// Counts every message, keeps the first `limit`.
static void keep(Diagnostics* diagnostics, const char* fileName, int32_t line, const char* format,
                 va_list args) {
    ++diagnostics->count;
    if (int32_t(diagnostics->messages.size()) >= diagnostics->limit) return;
    char message[512];
    std::vsnprintf(message, sizeof message, format, args);
    diagnostics->messages.push_back(fileName ? textProblem(fileName, line, "%s", message)
                                             : std::string(message));
}

void report(Diagnostics* diagnostics, const char* format, ...) {
    va_list args;
    va_start(args, format);
    keep(diagnostics, nullptr, 0, format, args);
    va_end(args);
}

void reportAt(Diagnostics* diagnostics, const char* fileName, int32_t line, const char* format,
              ...) {
    va_list args;
    va_start(args, format);
    keep(diagnostics, fileName, line, format, args);
    va_end(args);
}
