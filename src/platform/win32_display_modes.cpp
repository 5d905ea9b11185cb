// The display-mode seam on Win32: EnumDisplaySettings, in the system's order.
#include "platform/display_modes.h"
#include "platform/display_modes_internal.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

static DisplayModeSource testSource;

int enumDisplaySettings(const char* deviceName, uint32_t modeIndex, DisplayModeInfo* mode) {
    if (testSource) return testSource(modeIndex, mode);
    DEVMODEA d = {};
    d.dmSize = sizeof d;
    if (!EnumDisplaySettingsA(deviceName, modeIndex, &d)) return 0;
    mode->bitsPerPel = d.dmBitsPerPel;
    mode->pelsWidth = d.dmPelsWidth;
    mode->pelsHeight = d.dmPelsHeight;
    mode->displayFrequency = d.dmDisplayFrequency > 1 ? d.dmDisplayFrequency : 0; // 1: default
    return 1;
}

void setDisplayModeSource(DisplayModeSource source) {
    testSource = source;
}
