#include "app/resources.h"

#include "base/show.h"

static const uint32_t control = styleChild | styleVisible;

// Listed in tab order.
static const DialogControlTemplate setupControls[] = {
    {setupRunId, controlButton, "Run", control | buttonDefPush | styleTabStop, 7, 55, 50, 14},
    {setupCancelId, controlButton, "Cancel", control | buttonPush | styleTabStop, 263, 55, 50, 14},
    {-1, controlStatic, "Resolution:", control | staticRight | styleGroup, 20, 22, 65, 10},
    {setupResolutionId, controlComboBox, "",
     control | comboDropDownList | styleVScroll | styleTabStop, 95, 20, 152, 125},
    {-1, controlStatic, "Fullscreen:", control | staticRight | styleGroup, 20, 36, 65, 10},
    {setupFullscreenId, controlButton, "", control | buttonAutoCheckBox | styleTabStop, 95, 36, 9,
     10},
    {-1, controlStatic, "Brumelt :: by QRV at Solvance 2014", control | staticCenter | styleGroup,
     7, 8, 305, 10},
};

static const DialogTemplate setupDialog = {
    showDialogTitle,
    stylePopup | styleCaption | styleSysMenu | styleModalFrame | styleCenter | styleSetFont,
    "Tahoma",
    8,
    0,
    0,
    0,
    0,
    0,
    319,
    76,
    setupControls,
    int32_t(sizeof setupControls / sizeof setupControls[0]),
};

static const DialogResource programDialogs[] = {{setupDialogTemplateId, &setupDialog}};

ModuleResources programModule = {programDialogs, 1};
