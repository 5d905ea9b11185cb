// Tests: a dialog without a screen, driven by code instead of a user.
//
// With a driver set, dialogBoxParam builds the dialog without GTK, initialises it and hands it to
// the driver, which acts through sendDlgItemMessage and dialogClick.
#pragma once
#include "platform/dialog_box.h"

// dialogBoxParam calls driver(dialog, context) and returns the end value, or -1 if the driver
// left it open. Null restores the screen.
using DialogDriver = void (*)(DialogHandle dialog, void* context);
void setDialogDriver(DialogDriver driver, void* context);

// Acts like a mouse click on control `id`: a push button sends its command, an automatic check
// box flips its mark and then sends its command. Returns 0 when there is no such control.
int dialogClick(DialogHandle dialog, int32_t id);
