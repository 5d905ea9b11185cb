// Modal dialogs built from templates, with a dialog manager's keyboard handling.
//
// A DialogTemplate describes the window (caption, style, font, size) and its controls (id, class,
// text, style, position and size). Positions and sizes are in dialog units: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its character
// height, so a layout keeps its proportions whatever font the system substitutes. Templates are
// looked up by id in the module instance: a ModuleResources table, or the program's own module
// where the system keeps the templates as resources of the executable.
//
// Controls are read and changed only through sendDlgItemMessage. The dialog procedure sees:
//   dialogInitMessage     once, after the controls exist and before the window shows; lParam is
//                         the creation parameter. Returning non-zero puts the keyboard focus on
//                         the first tab stop.
//   dialogCommandMessage  wParam: control id in the low 16 bits, notification code in the high 16
//                         bits (buttonClicked, comboSelChange); lParam: 0.
// Keyboard: Enter presses the focused push button, or else the default push button; Escape and
// the window's close box send command dialogCancelId; Tab and Shift+Tab walk the tab stops in
// template order. An automatic check box flips its own mark before its command is sent.
//
// Tests replace the screen and the user with a driver (dialog_box_internal.h).
#pragma once
#include <cstdint>

enum DialogStyle : uint32_t {
    // window
    stylePopup = 1u << 0,
    styleCaption = 1u << 1,
    styleSysMenu = 1u << 2, // a close box
    styleModalFrame = 1u << 3,
    styleCenter = 1u << 4, // centred on the screen
    styleSetFont = 1u << 5,
    // every control
    styleChild = 1u << 8,
    styleVisible = 1u << 9,
    styleTabStop = 1u << 10,
    styleGroup = 1u << 11,
    styleVScroll = 1u << 12,
    // per class
    buttonPush = 1u << 16,
    buttonDefPush = 1u << 17,
    buttonAutoCheckBox = 1u << 18,
    staticRight = 1u << 19,
    staticCenter = 1u << 20,
    comboDropDownList = 1u << 21,
};

enum DialogControlClass : int32_t { controlButton, controlStatic, controlComboBox };

struct DialogControlTemplate {
    int32_t id; // -1 for controls nobody addresses
    DialogControlClass controlClass;
    const char* text;
    uint32_t style;
    int16_t x, y, width, height; // dialog units; a combo box's height is that of its open list
};

struct DialogTemplate {
    const char* caption;
    uint32_t style;
    const char* fontFace; // used when installed, else the system's sans font
    int32_t pointSize;
    int32_t fontWeight; // 0: normal
    int32_t italic;
    int32_t charset;
    int16_t x, y, width, height; // dialog units
    const DialogControlTemplate* controls;
    int32_t controlCount;
};

struct DialogResource {
    int32_t id;
    const DialogTemplate* dialog;
};

// A module's resources; a pointer to one is the module instance handed to dialogBoxParam.
struct ModuleResources {
    const DialogResource* dialogs;
    int32_t dialogCount;
};

enum DialogMessage : uint32_t {
    dialogInitMessage = 1,
    dialogCommandMessage,
    comboAddString,         // lParam: const char*; returns the new item's index
    comboGetCount,          // returns the number of items
    comboGetCurSel,         // returns the selected index or comboError
    comboSetCurSel,         // wParam: index (-1 clears); returns it, or comboError (cleared)
    comboGetItemTextLength, // wParam: index; returns the length or comboError
    comboGetItemText,       // wParam: index, lParam: char* big enough; returns the length
    buttonGetCheck,         // returns 1 when checked, else 0
    buttonSetCheck,         // wParam: 1 checked, 0 unchecked
};

enum : int32_t {
    dialogOkId = 1,
    dialogCancelId = 2,
    comboError = -1,
    buttonClicked = 0, // notification codes
    comboSelChange = 1,
};

struct Dialog;
using DialogHandle = Dialog*;
using DialogProc = intptr_t (*)(DialogHandle dialog, uint32_t message, uintptr_t wParam,
                                intptr_t lParam);

// Runs template `templateId` of module `instance` as a modal dialog owned by `owner` (a window of
// the platform's window system, as foregroundWindow gives, or null) until the procedure ends it;
// returns the end value, or -1 when the template is missing or the dialog cannot be shown (no
// display).
intptr_t dialogBoxParam(void* instance, int32_t templateId, void* owner, DialogProc proc,
                        intptr_t initParam);

// Sends a control message to the dialog's first control with that id; comboError (-1) for an
// unknown id or a message the control's class does not take.
intptr_t sendDlgItemMessage(DialogHandle dialog, int32_t id, uint32_t message, uintptr_t wParam,
                            intptr_t lParam);

// Ends the modal loop: dialogBoxParam returns `result` once the current message is handled.
// Returns 1, or 0 for a null dialog.
int endDialog(DialogHandle dialog, intptr_t result);

// The desktop's foreground window, or null when there is none.
void* foregroundWindow();

// The dialog's base units in pixels (average character width, character height) for a template's
// font; 0 when no font system is available. Pixels = units * baseX / 4 (x), units * baseY / 8 (y).
int dialogBaseUnits(const DialogTemplate* dialog, int* baseX, int* baseY);
