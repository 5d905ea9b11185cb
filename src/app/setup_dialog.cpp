#include "app/setup_dialog.h"

#include "app/resources.h"
#include "platform/display_modes.h"

#include <cstdio>

DisplaySettings* currentSettings = nullptr;
DisplayMode displayModes[maxDisplayModes];
int32_t displayModeCount = 0;

static intptr_t initialiseDialog(DialogHandle dialog) {
    DisplayModeInfo d;
    char s[500];

    // A fresh list for every showing keeps entry i and combo item i describing the same mode.
    displayModeCount = 0;
    for (uint32_t i = 0;; ++i) {
        if (displayModeCount >= maxDisplayModes) break;
        if (!enumDisplaySettings(nullptr, i, &d)) break;
        if (int32_t(d.bitsPerPel) != currentSettings->bitsPerPixel) continue;
        if (displayModeCount > 0 &&
            displayModes[displayModeCount - 1].width == int32_t(d.pelsWidth) &&
            displayModes[displayModeCount - 1].height == int32_t(d.pelsHeight))
            continue;
        displayModes[displayModeCount] = {int32_t(d.pelsWidth), int32_t(d.pelsHeight)};
        ++displayModeCount;
        std::snprintf(s, sizeof s, "%d * %d", int(d.pelsWidth), int(d.pelsHeight));
        sendDlgItemMessage(dialog, setupResolutionId, comboAddString, 0,
                           reinterpret_cast<intptr_t>(s));
    }

    for (int32_t i = 0; i < displayModeCount; ++i)
        if (displayModes[i].width == currentSettings->width &&
            displayModes[i].height == currentSettings->height)
            sendDlgItemMessage(dialog, setupResolutionId, comboSetCurSel, uintptr_t(i), 0);

    if (currentSettings->windowed == 0)
        sendDlgItemMessage(dialog, setupFullscreenId, buttonSetCheck, 1, 0);
    return 1;
}

static void run(DialogHandle dialog) {
    intptr_t selected = sendDlgItemMessage(dialog, setupResolutionId, comboGetCurSel, 0, 0);
    // With nothing selected the record keeps the size it came with, which the caller can open.
    if (selected >= 0 && selected < displayModeCount) {
        currentSettings->width = displayModes[selected].width;
        currentSettings->height = displayModes[selected].height;
    }
    bool checked = sendDlgItemMessage(dialog, setupFullscreenId, buttonGetCheck, 0, 0) != 0;
    currentSettings->windowed = checked ? 0 : 1;
    endDialog(dialog, 1);
}

intptr_t setupDialogProc(DialogHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
    if (message == dialogInitMessage) return initialiseDialog(dialog);
    if (message != dialogCommandMessage) return 0;
    switch (int32_t(wParam & 0xFFFF)) {
    case setupRunId:
        run(dialog);
        break;
    case setupCancelId:
        endDialog(dialog, 0);
        break;
    default:
        break;
    }
    return 0;
}

int showSetupDialog(DisplaySettings& settings) {
    currentSettings = &settings;
    return int(dialogBoxParam(settings.instance, setupDialogTemplateId, foregroundWindow(),
                              setupDialogProc, 0));
}
