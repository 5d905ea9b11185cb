// The display modes the screen offers, by index, in the system's own order.
//
// On X11 the modes are those of the primary RandR output (or the first connected output when none
// is primary), in the order RandR lists them for that output, refresh-rate variants included. Every
// mode carries the screen's bits per pixel (a depth-24 screen stores 32 bits a pixel). The list is
// read from the server when index 0 is asked for; higher indexes answer from that reading.
// Tests answer from a table instead (display_modes_testing.h).
//
// Backends: display_modes.cpp (Linux, XRandR), win32/display_modes_win32.cpp.
#pragma once
#include <cstdint>

struct DisplayModeInfo {
    uint32_t bitsPerPel;
    uint32_t pelsWidth;
    uint32_t pelsHeight;
    uint32_t displayFrequency; // Hz, rounded; 0 when the output reports none
};

// Fills `mode` with mode `modeIndex` of output `deviceName` (null: the default output). Returns
// non-zero on success, 0 past the last mode or when there is no display.
int enumDisplaySettings(const char* deviceName, uint32_t modeIndex, DisplayModeInfo* mode);
