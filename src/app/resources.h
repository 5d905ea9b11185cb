// The program's resources: the dialog templates that dialogBoxParam finds by id. A pointer to
// programModule is the module instance the Linux entry point hands to the setup dialog; on
// Windows the same template is a resource of the .exe (win32_resources.rc).
#pragma once
#include "app/setup_dialog_template.h"
#include "platform/dialog_box.h"

// The setup dialog's template and the ids of the controls its procedure addresses.
enum : int32_t {
    setupDialogTemplateId = SETUP_DIALOG_ID,
    setupRunId = SETUP_RUN_ID,
    setupCancelId = SETUP_CANCEL_ID,
    setupResolutionId = SETUP_RESOLUTION_ID,
    setupFullscreenId = SETUP_FULLSCREEN_ID,
};

extern ModuleResources programModule;
