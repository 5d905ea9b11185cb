// Standard error of a Win32 GUI-subsystem program: AttachConsole to the parent's console.
#include "platform/win32_console.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

void connectStderrToParentConsole() {
    HANDLE standardError = GetStdHandle(STD_ERROR_HANDLE);
    if (standardError && standardError != INVALID_HANDLE_VALUE) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return; // nobody to tell
    if (std::freopen("CONOUT$", "w", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
}
