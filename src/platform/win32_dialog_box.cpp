// The dialog seam on Win32: templates are real dialog resources (compiled by windres) and
// Windows' own dialog manager runs them. This file only translates between our message values
// and the system's: a DialogHandle is the dialog's HWND.
#include "platform/dialog_box.h"
#include "platform/dialog_box_internal.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// What one showing of a dialog needs beyond its window; kept in the dialog's DWLP_USER slot.
struct DialogShowing {
    DialogProc proc;
    intptr_t initParam;
    bool modeless; // made for a test driver: ended by us rather than by the dialog manager
    bool ended;
    intptr_t result;
};

static DialogDriver testDriver;
static void* testDriverContext;

static HWND windowOf(DialogHandle dialog) {
    return reinterpret_cast<HWND>(dialog);
}

static DialogShowing* showingOf(HWND dialog) {
    return reinterpret_cast<DialogShowing*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

static uint32_t notificationCode(uint32_t systemCode) {
    switch (systemCode) {
    case CBN_SELCHANGE:
        return uint32_t(comboSelChange);
    default:
        return uint32_t(buttonClicked); // BN_CLICKED and everything we do not tell apart
    }
}

static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* showing = reinterpret_cast<DialogShowing*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(showing));
        return showing->proc(reinterpret_cast<DialogHandle>(dialog), dialogInitMessage, 0,
                             showing->initParam) != 0;
    }
    DialogShowing* showing = showingOf(dialog);
    if (!showing || message != WM_COMMAND) return FALSE;
    uintptr_t command = (uintptr_t(notificationCode(HIWORD(wParam))) << 16) | LOWORD(wParam);
    showing->proc(reinterpret_cast<DialogHandle>(dialog), dialogCommandMessage, command, 0);
    return FALSE;
}

intptr_t dialogBoxParam(void* instance, int32_t templateId, void* owner, DialogProc proc,
                        intptr_t initParam) {
    DialogShowing showing = {proc, initParam, testDriver != nullptr, false, -1};
    HINSTANCE module = static_cast<HINSTANCE>(instance);
    LPCSTR name = MAKEINTRESOURCEA(templateId);
    if (!testDriver)
        return DialogBoxParamA(module, name, static_cast<HWND>(owner), dialogProc,
                               reinterpret_cast<LPARAM>(&showing));

    // The template has no WS_VISIBLE, so a modeless copy stays off the screen for the driver.
    HWND dialog = CreateDialogParamA(module, name, static_cast<HWND>(owner), dialogProc,
                                     reinterpret_cast<LPARAM>(&showing));
    if (!dialog) return -1;
    testDriver(reinterpret_cast<DialogHandle>(dialog), testDriverContext);
    DestroyWindow(dialog);
    return showing.ended ? showing.result : -1;
}

// The system class a message belongs to, so a message sent to the wrong kind of control fails
// the same way on every platform.
static const char* classFor(uint32_t message) {
    return message >= comboAddString && message <= comboGetItemText ? "ComboBox" : "Button";
}

static UINT systemMessage(uint32_t message) {
    switch (message) {
    case comboAddString:
        return CB_ADDSTRING;
    case comboGetCount:
        return CB_GETCOUNT;
    case comboGetCurSel:
        return CB_GETCURSEL;
    case comboSetCurSel:
        return CB_SETCURSEL;
    case comboGetItemTextLength:
        return CB_GETLBTEXTLEN;
    case comboGetItemText:
        return CB_GETLBTEXT;
    case buttonGetCheck:
        return BM_GETCHECK;
    case buttonSetCheck:
        return BM_SETCHECK;
    default:
        return 0;
    }
}

intptr_t sendDlgItemMessage(DialogHandle dialog, int32_t id, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) {
    HWND control = dialog ? GetDlgItem(windowOf(dialog), id) : nullptr;
    UINT translated = systemMessage(message);
    if (!control || translated == 0) return comboError;
    char className[16] = {};
    GetClassNameA(control, className, sizeof className);
    if (lstrcmpiA(className, classFor(message)) != 0) return comboError;
    if (message == buttonSetCheck) wParam = wParam ? BST_CHECKED : BST_UNCHECKED;
    LRESULT result = SendMessageA(control, translated, wParam, lParam);
    if (message == buttonGetCheck) return result == BST_CHECKED ? 1 : 0;
    return intptr_t(result);
}

int endDialog(DialogHandle dialog, intptr_t result) {
    if (!dialog) return 0;
    HWND window = windowOf(dialog);
    DialogShowing* showing = showingOf(window);
    if (showing && showing->modeless) {
        showing->ended = true;
        showing->result = result;
        return 1;
    }
    return EndDialog(window, result) ? 1 : 0;
}

void* foregroundWindow() {
    return GetForegroundWindow();
}

void setDialogDriver(DialogDriver driver, void* context) {
    testDriver = driver;
    testDriverContext = context;
}

int dialogClick(DialogHandle dialog, int32_t id) {
    HWND control = dialog ? GetDlgItem(windowOf(dialog), id) : nullptr;
    if (!control) return 0;
    LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    if ((style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
        LRESULT checked = SendMessageA(control, BM_GETCHECK, 0, 0);
        SendMessageA(control, BM_SETCHECK, checked == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    SendMessageA(windowOf(dialog), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
    return 1;
}

// Windows lays its dialogs out from the resource itself; our templates are not used here.
int dialogBaseUnits(const DialogTemplate*, int* baseX, int* baseY) {
    *baseX = 0;
    *baseY = 0;
    return 0;
}
