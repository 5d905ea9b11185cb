// The dialog manager shared by the backends that draw dialogs themselves: control state in plain
// data, the control messages, the end of the dialog, the test driver and dialogBoxParam's course.
// The drawing is the backend's (the dialogWindow* and dialogWidget* functions).
#include "platform/dialog_box.h"
#include "platform/dialog_box_internal.h"

#include <cstring>

static DialogDriver testDriver = nullptr;
static void* testDriverContext = nullptr;

void setDialogDriver(DialogDriver driver, void* context) {
    testDriver = driver;
    testDriverContext = context;
}

static const DialogTemplate* findTemplate(void* instance, int32_t templateId) {
    const ModuleResources* module = static_cast<const ModuleResources*>(instance);
    if (!module) return nullptr;
    for (int32_t i = 0; i < module->dialogCount; ++i)
        if (module->dialogs[i].id == templateId) return module->dialogs[i].dialog;
    return nullptr;
}

static DialogControl* findControl(DialogHandle dialog, int32_t id) {
    if (!dialog) return nullptr;
    for (DialogControl& control : dialog->controls)
        if (control.spec->id == id) return &control;
    return nullptr;
}

bool dialogIsPushButton(const DialogControl& control) {
    return control.spec->controlClass == controlButton &&
           (control.spec->style & (buttonPush | buttonDefPush)) != 0;
}

bool dialogIsCheckBox(const DialogControl& control) {
    return control.spec->controlClass == controlButton &&
           (control.spec->style & buttonAutoCheckBox) != 0;
}

void dialogSendCommand(DialogHandle dialog, int32_t id, int32_t code) {
    if (dialog->ended) return; // what follows the end is not the procedure's business
    uintptr_t wParam = (uintptr_t(uint16_t(id))) | (uintptr_t(uint16_t(code)) << 16);
    dialog->proc(dialog, dialogCommandMessage, wParam, 0);
}

static intptr_t comboMessage(DialogHandle dialog, DialogControl& control, uint32_t message,
                             uintptr_t wParam, intptr_t lParam) {
    int count = int(control.items.size());
    int index = int(intptr_t(wParam));
    switch (message) {
    case comboAddString: {
        const char* text = reinterpret_cast<const char*>(lParam);
        control.items.push_back(text ? text : "");
        if (control.widget) dialogWidgetAppendItem(*dialog, control);
        return count;
    }
    case comboGetCount:
        return count;
    case comboGetCurSel:
        return control.selection;
    case comboSetCurSel: {
        bool valid = index >= 0 && index < count;
        control.selection = valid ? index : comboError;
        if (control.widget) dialogWidgetShowSelection(*dialog, control);
        return valid ? index : comboError;
    }
    case comboGetItemTextLength:
    case comboGetItemText:
        if (index < 0 || index >= count) return comboError;
        if (message == comboGetItemText && lParam)
            std::memcpy(reinterpret_cast<char*>(lParam), control.items[size_t(index)].c_str(),
                        control.items[size_t(index)].size() + 1);
        return intptr_t(control.items[size_t(index)].size());
    default:
        return comboError;
    }
}

intptr_t sendDlgItemMessage(DialogHandle dialog, int32_t id, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) {
    DialogControl* control = findControl(dialog, id);
    if (!control) return comboError;
    if (control->spec->controlClass == controlComboBox)
        return comboMessage(dialog, *control, message, wParam, lParam);
    if (control->spec->controlClass != controlButton) return comboError;
    if (message == buttonGetCheck) return control->check;
    if (message == buttonSetCheck) {
        control->check = wParam != 0 ? 1 : 0;
        if (control->widget) dialogWidgetShowCheck(*dialog, *control);
        return 0;
    }
    return comboError;
}

int endDialog(DialogHandle dialog, intptr_t result) {
    if (!dialog) return 0;
    dialog->ended = true;
    dialog->result = result;
    return 1;
}

int dialogClick(DialogHandle dialog, int32_t id) {
    DialogControl* control = findControl(dialog, id);
    if (!control || control->spec->controlClass != controlButton) return 0;
    if (dialogIsCheckBox(*control)) {
        control->check = control->check ? 0 : 1;
        if (control->widget) dialogWidgetShowCheck(*dialog, *control);
    }
    dialogSendCommand(dialog, id, buttonClicked);
    return 1;
}

intptr_t dialogBoxParam(void* instance, int32_t templateId, void* owner, DialogProc proc,
                        intptr_t initParam) {
    const DialogTemplate* spec = findTemplate(instance, templateId);
    if (!spec || !proc) return -1;
    Dialog dialog;
    dialog.spec = spec;
    dialog.proc = proc;
    dialog.controls.resize(size_t(spec->controlCount > 0 ? spec->controlCount : 0));
    for (size_t i = 0; i < dialog.controls.size(); ++i)
        dialog.controls[i].spec = &spec->controls[i];

    if (testDriver) {
        proc(&dialog, dialogInitMessage, 0, initParam);
        if (!dialog.ended) testDriver(&dialog, testDriverContext);
        return dialog.ended ? dialog.result : -1;
    }

    if (!dialogWindowBuild(dialog, owner)) return -1;
    intptr_t focusFirst = proc(&dialog, dialogInitMessage, 0, initParam);
    if (!dialog.ended) dialogWindowRun(dialog, focusFirst != 0);
    dialogWindowDestroy(dialog);
    return dialog.result;
}
