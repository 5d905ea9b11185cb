#include "base/log.h"
#include "base/log_internal.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

static char programName[64] = "brumelt";
static LogHook logHook = nullptr;
static void* logHookContext = nullptr;

void setLogProgramName(const char* name) {
    std::snprintf(programName, sizeof programName, "%s", name ? name : "");
}

const char* logProgramName() {
    return programName;
}

void setLogHook(LogHook hook, void* context) {
    logHook = hook;
    logHookContext = context;
}

void logMessage(const char* subsystem, const char* format, ...) {
    // One buffer, one write: lines from two threads never interleave within a line.
    char line[2048];
    int used = std::snprintf(line, sizeof line, "%s: %s: ", programName, subsystem);
    if (used < 0) return;
    size_t at = size_t(used) < sizeof line ? size_t(used) : sizeof line - 1;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line + at, sizeof line - at, format, arguments);
    va_end(arguments);
    size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
        line[--length] = '\0';
    if (logHook) {
        logHook(logHookContext, line);
        return;
    }
    if (length + 1 < sizeof line) {
        line[length++] = '\n';
        line[length] = '\0';
    }
    std::fwrite(line, 1, length, stderr);
    std::fflush(stderr);
}
