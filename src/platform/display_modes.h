// The display modes the primary display offers, by index, in the system's own order (refresh-rate
// variants included, nothing sorted), each with its bits per pixel. The list is read from the
// system when index 0 is asked for; higher indexes answer from that reading. Tests answer from a
// table instead (display_modes_internal.h).
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
