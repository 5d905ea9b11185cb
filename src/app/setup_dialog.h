// The setup dialog: resolution and fullscreen, shown before anything else is created.
//
// The resolution list offers the display modes the system reports at the record's bitsPerPixel,
// in the system's order; a size that repeats right after itself (another refresh rate) is listed
// once. The record's own size is preselected (its last occurrence), and the fullscreen box starts
// checked when the record is not windowed. Run writes the chosen size (the record's size stays
// when nothing is selected) and the fullscreen box into the record; Cancel, Escape and the close
// box leave the record untouched.
#pragma once
#include "app/settings.h"
#include "platform/dialog_box.h"

#include <cstdint>

struct DisplayMode {
    int32_t width;
    int32_t height;
};

inline constexpr int32_t maxDisplayModes = 4096;

// State of the showing in progress: the record being edited, and the listed modes, entry i
// being item i of the resolution list.
extern DisplaySettings* currentSettings;
extern DisplayMode displayModes[maxDisplayModes];
extern int32_t displayModeCount;

// Lets the viewer edit `settings`; returns 1 after Run, 0 after Cancel, -1 if no dialog could
// be shown (the record is then unchanged). settings.instance is the module holding the template.
int showSetupDialog(DisplaySettings& settings);

// The dialog procedure: fills the controls on dialogInitMessage, acts on Run and Cancel.
intptr_t setupDialogProc(DialogHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
