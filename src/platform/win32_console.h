// Where a GUI-subsystem program's messages go.
//
// Started from a shell, a pipe or a file, the process inherits a standard error handle and
// stderr works as on Linux (the C runtime writes CRLF line ends). Started from a console that
// handed it none, stderr is joined to that console so the one-line messages still show.
#pragma once

// Attaches stderr to the parent's console when the process has no standard error handle.
void connectStderrToParentConsole();
