// Beyond the dialog seam: a test driver in place of the screen and the user, and the dialog
// manager that backends drawing the dialog with a toolkit of their own build on.
#pragma once
#include "platform/dialog_box.h"

#include <string>
#include <vector>

// ---- Tests: a dialog without a screen, driven by code ------------------------------------------
//
// With a driver set, dialogBoxParam builds the dialog without drawing it, initialises it and hands
// it to the driver, which acts through sendDlgItemMessage and dialogClick.

// dialogBoxParam calls driver(dialog, context) and returns the end value, or -1 if the driver
// left it open. Null restores the screen.
using DialogDriver = void (*)(DialogHandle dialog, void* context);
void setDialogDriver(DialogDriver driver, void* context);

// Acts like a mouse click on control `id`: a push button sends its command, an automatic check
// box flips its mark and then sends its command. Returns 0 when there is no such control.
int dialogClick(DialogHandle dialog, int32_t id);

// ---- The dialog manager (dialog_manager.cpp)
// -----------------------------------------------------
//
// It keeps each control's state (combo box items and selection, check mark) in plain data, answers
// the control messages from it, ends the dialog and runs dialogBoxParam; a drawing backend only
// makes the window, mirrors the state into its widgets and turns the user's acts into commands
// (dialogSendCommand). The backend defines the dialogWindow* functions below.

struct DialogControl {
    const DialogControlTemplate* spec = nullptr;
    std::vector<std::string> items; // combo box
    int selection = comboError;     // combo box
    int check = 0;                  // check box
    void* widget = nullptr;         // the backend's widget; null while no screen shows the dialog
};

struct Dialog {
    const DialogTemplate* spec = nullptr;
    DialogProc proc = nullptr;
    std::vector<DialogControl> controls;
    bool ended = false;
    intptr_t result = 0;
    void* window = nullptr; // the backend's window; null while none is shown
    int mirroring = 0;      // > 0 while widgets follow a change made by a message, not by the user
};

// Sends the procedure a command from control `id` with notification `code`, unless it has ended.
void dialogSendCommand(DialogHandle dialog, int32_t id, int32_t code);

// Push buttons (plain or default) and automatic check boxes, as the template styles them.
bool dialogIsPushButton(const DialogControl& control);
bool dialogIsCheckBox(const DialogControl& control);

// Makes the dialog's window and widgets from its template, hidden; false when there is no display.
bool dialogWindowBuild(Dialog& dialog, void* owner);
// Shows the window and runs the modal loop until the dialog has ended; with focusFirst the first
// tab stop takes the keyboard focus.
void dialogWindowRun(Dialog& dialog, bool focusFirst);
// Destroys the window and lets its end reach the window system.
void dialogWindowDestroy(Dialog& dialog);
// Mirror the control's state into its widget (called only while a widget exists).
void dialogWidgetAppendItem(Dialog& dialog, DialogControl& control);
void dialogWidgetShowSelection(Dialog& dialog, DialogControl& control);
void dialogWidgetShowCheck(Dialog& dialog, DialogControl& control);
