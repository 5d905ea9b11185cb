// Child processes for end-to-end tests: start a program in a folder with extra environment,
// wait for it with a time limit, read what it printed on stderr.
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

struct ChildProcess {
    pid_t pid = -1;
    std::string stderrPath; // the child's stderr goes to this file
};

// Starts `argv` in `workDir` with `env` entries ("NAME=value", or "NAME=" to unset) added to this
// process's environment. stdout is discarded.
ChildProcess startProcess(const std::vector<std::string>& argv, const std::string& workDir,
                          const std::vector<std::string>& env = {});

// Waits up to `seconds`; returns the exit status (0..255), 1000 + signal number when killed by a
// signal, or -1 on time-out (the child is then killed).
int waitProcess(ChildProcess& child, double seconds);

// True while the child has not exited (does not reap it).
bool processRunning(const ChildProcess& child);

// Everything the child wrote to stderr so far.
std::string readStderr(const ChildProcess& child);

// Runs a shell command and returns its stdout (trailing newline removed).
std::string shellOutput(const std::string& command);
