// One-line messages for people, on stderr: "PROGRAM: SUBSYSTEM: message".
//
// PROGRAM is the name the program set at start ("brumelt" unless told otherwise), so a message
// printed by shared code inside brumelt-capture reads "brumelt-capture: render: ...". Each call
// writes exactly one line (a trailing line break in the message is not doubled). Tests can take
// the lines instead of stderr (log_internal.h).
#pragma once

// Sets the program name that starts every line (copied; at most 63 characters kept).
void setLogProgramName(const char* name);

// The program name set last.
const char* logProgramName();

// Writes one line: program name, subsystem, then the printf-formatted message.
void logMessage(const char* subsystem, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
