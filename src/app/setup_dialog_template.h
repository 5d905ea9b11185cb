// The setup dialog's template, written once for both forms the platforms read it in:
// resources.cpp expands it into the dialog manager's table, win32_resources.rc into a DIALOGEX
// resource that the resource compiler builds into the .exe. Plain macros only, so the resource
// compiler's preprocessor reads it too. Styles carry their Win32 names; every control is also a
// visible child window. Positions and sizes are dialog units.
//
//   SETUP_DIALOG_CONTROLS(CONTROL) calls CONTROL(TEXT, ID, CLASS, STYLE, X, Y, WIDTH, HEIGHT)
//   once a control, in tab order; CLASS is Button, Static or ComboBox.
#pragma once

#define SETUP_DIALOG_ID 101
#define SETUP_RUN_ID 1
#define SETUP_CANCEL_ID 2
#define SETUP_RESOLUTION_ID 1001
#define SETUP_FULLSCREEN_ID 1003

#define SETUP_DIALOG_CAPTION "QRV :: Brumelt"
#define SETUP_DIALOG_STYLE                                                                         \
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT
#define SETUP_DIALOG_FONT_POINTS 8
#define SETUP_DIALOG_FONT_FACE "Tahoma"
#define SETUP_DIALOG_X 0
#define SETUP_DIALOG_Y 0
#define SETUP_DIALOG_WIDTH 319
#define SETUP_DIALOG_HEIGHT 76

// clang-format off
#define SETUP_DIALOG_CONTROLS(CONTROL)                                                             \
    CONTROL("Run", SETUP_RUN_ID, Button, BS_DEFPUSHBUTTON | WS_TABSTOP, 7, 55, 50, 14)            \
    CONTROL("Cancel", SETUP_CANCEL_ID, Button, BS_PUSHBUTTON | WS_TABSTOP, 263, 55, 50, 14)       \
    CONTROL("Resolution:", -1, Static, SS_RIGHT | WS_GROUP, 20, 22, 65, 10)                        \
    CONTROL("", SETUP_RESOLUTION_ID, ComboBox, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,         \
            95, 20, 152, 125)                                                                      \
    CONTROL("Fullscreen:", -1, Static, SS_RIGHT | WS_GROUP, 20, 36, 65, 10)                        \
    CONTROL("", SETUP_FULLSCREEN_ID, Button, BS_AUTOCHECKBOX | WS_TABSTOP, 95, 36, 9, 10)          \
    CONTROL("Brumelt :: by QRV at Solvance 2014", -1, Static, SS_CENTER | WS_GROUP, 7, 8, 305, 10)
// clang-format on
