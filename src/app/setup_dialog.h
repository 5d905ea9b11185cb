// The setup dialog: resolution and fullscreen, shown before anything else is created.
#pragma once
#include "app/settings.h"

// Lets the viewer edit `settings`; returns 1 after Run, 0 after Cancel, -1 if no dialog could
// be shown (the record is then unchanged).
int showSetupDialog(DisplaySettings& settings);
