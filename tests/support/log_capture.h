// Collects the log lines written while it lives, each followed by a line break, instead of
// letting them reach stderr.
#pragma once
#include "base/log_internal.h"

#include <string>
#include <utility>

struct LogCapture {
    std::string text;
    LogCapture() { setLogHook(append, this); }
    ~LogCapture() { setLogHook(nullptr, nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    // The lines so far, and a fresh start.
    std::string take() { return std::exchange(text, std::string()); }

  private:
    static void append(void* self, const char* line) {
        static_cast<LogCapture*>(self)->text.append(line).append("\n");
    }
};
