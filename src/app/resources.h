// The program's resources: the dialog templates that dialogBoxParam finds by id. A pointer to
// programModule is the module instance the entry point hands to the setup dialog.
#pragma once
#include "platform/dialog_box.h"

// The setup dialog's template and the ids of the controls its procedure addresses.
enum : int32_t {
    setupDialogTemplateId = 101,
    setupRunId = 1,
    setupCancelId = 2,
    setupResolutionId = 1001,
    setupFullscreenId = 1003,
};

extern ModuleResources programModule;
