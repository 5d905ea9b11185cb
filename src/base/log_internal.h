// Tests: catch log lines instead of printing them.
#pragma once

// Receives each whole line, without its line break. Null restores stderr.
using LogHook = void (*)(void* context, const char* line);
void setLogHook(LogHook hook, void* context);
