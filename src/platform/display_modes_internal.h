// Tests: display modes from a table instead of the screen.
#pragma once
#include "platform/display_modes.h"

// Tests: answer enumDisplaySettings from `source` instead of the display; null restores it.
using DisplayModeSource = int (*)(uint32_t modeIndex, DisplayModeInfo* mode);
void setDisplayModeSource(DisplayModeSource source);
