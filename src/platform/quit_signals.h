// Requests from outside to end the program: interrupt (Ctrl+C), terminate (a session or service
// manager), hang-up (the terminal went away) and quit (Ctrl+\).
//
// Such a request must not end the program in the middle of a frame with the display switched: once
// quitSignalsCatch has run, the first one only notes itself, the program's loop reads it with
// quitSignalReceived after the frame it is drawing and leaves as it does on Escape, giving the
// display mode back, and quitSignalEndProcess then ends the process as the request would have
// ended it at once, so whoever sent it sees the status it expects. A second request while the
// first is still pending ends the process at once (a frame that never finishes cannot hold it).
#pragma once

// From now on the requests above are noted instead of ending the process.
void quitSignalsCatch();

// The request noted (its signal number), or 0 when there was none.
int quitSignalReceived();

// After a request: ends the process as that request does by default; does not return. Without
// one it returns at once.
void quitSignalEndProcess();
