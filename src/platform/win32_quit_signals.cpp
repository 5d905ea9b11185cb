// The quit-signal seam on Windows, which has none of these signals: a Windows program is asked to
// end through its window (WM_CLOSE, which windowCloseRequested reports), so nothing is caught and
// no request is ever noted.
#include "platform/quit_signals.h"

void quitSignalsCatch() {}

int quitSignalReceived() {
    return 0;
}

void quitSignalEndProcess() {}
