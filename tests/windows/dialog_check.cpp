// Runs the setup dialog from the program's real resource under Windows' own dialog manager (no
// user: a driver acts through the dialog seam) and checks what of it the system shapes: the
// controls of template 101, the resolution list against EnumDisplaySettings, and the outcomes of
// Run, Cancel and the fullscreen box. Prints one line per failure; exit status 0 when all hold.
#include "app/resources.h"
#include "app/setup_dialog.h"
#include "platform/dialog_box_internal.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

static int failures = 0;

static void check(bool holds, const std::string& what) {
    if (holds) return;
    std::fprintf(stderr, "dialog-check: FAILED: %s\n", what.c_str());
    ++failures;
}

// The 32-bit sizes as the system lists them, a size repeated right after itself counted once.
static std::vector<std::string> systemModes() {
    std::vector<std::string> modes;
    std::string previous;
    DEVMODEA d = {};
    d.dmSize = sizeof d;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &d); ++i) {
        if (d.dmBitsPerPel != 32) continue;
        std::string text = std::to_string(d.dmPelsWidth) + " * " + std::to_string(d.dmPelsHeight);
        if (text != previous) modes.push_back(text);
        previous = text;
    }
    return modes;
}

struct Expected {
    int id;
    const char* className;
    const char* text;
    DWORD style; // the class-specific low bits
    RECT units;  // x, y, width, height in dialog units (right/bottom hold width/height)
};

static const Expected controls[] = {
    {1, "Button", "Run", BS_DEFPUSHBUTTON, {7, 55, 50, 14}},
    {2, "Button", "Cancel", BS_PUSHBUTTON, {263, 55, 50, 14}},
    {-1, "Static", "Resolution:", SS_RIGHT, {20, 22, 65, 10}},
    {1001, "ComboBox", "", CBS_DROPDOWNLIST, {95, 20, 152, 125}},
    {-1, "Static", "Fullscreen:", SS_RIGHT, {20, 36, 65, 10}},
    {1003, "Button", "", BS_AUTOCHECKBOX, {95, 36, 9, 10}},
    {-1, "Static", "Brumelt :: by QRV at Solvance 2014", SS_CENTER, {7, 8, 305, 10}},
};

static void checkControls(HWND dialog) {
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    check(std::strcmp(caption, "QRV :: Brumelt") == 0, std::string("caption is ") + caption);
    HWND control = GetWindow(dialog, GW_CHILD);
    for (const Expected& expected : controls) {
        std::string name = std::string(expected.className) + " \"" + expected.text + "\"";
        if (!control) {
            check(false, name + " is missing");
            return;
        }
        char className[32] = {}, text[64] = {};
        GetClassNameA(control, className, sizeof className);
        GetWindowTextA(control, text, sizeof text);
        check(lstrcmpiA(className, expected.className) == 0, name + ": class " + className);
        if (expected.id != 1001) check(std::strcmp(text, expected.text) == 0, name + ": " + text);
        check(GetDlgCtrlID(control) == expected.id || expected.id == -1,
              name + ": id " + std::to_string(GetDlgCtrlID(control)));
        DWORD style = DWORD(GetWindowLongPtrA(control, GWL_STYLE));
        DWORD mask = lstrcmpiA(className, "Button") == 0   ? DWORD(BS_TYPEMASK)
                     : lstrcmpiA(className, "Static") == 0 ? DWORD(SS_TYPEMASK)
                                                           : DWORD(0x3); // CBS_ kinds
        check((style & mask) == expected.style, name + ": style " + std::to_string(style & mask));
        check((style & WS_VISIBLE) != 0, name + ": not visible");
        // The combo box's height is that of its open list, which the system sizes itself.
        RECT want = {expected.units.left, expected.units.top,
                     expected.units.left + expected.units.right,
                     expected.units.top + (expected.id == 1001 ? 12 : expected.units.bottom)};
        MapDialogRect(dialog, &want);
        RECT have;
        GetWindowRect(control, &have);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&have), 2);
        check(have.left == want.left && have.top == want.top && have.right == want.right &&
                  (expected.id == 1001 || have.bottom == want.bottom),
              name + ": placed at " + std::to_string(have.left) + "," + std::to_string(have.top) +
                  " " + std::to_string(have.right - have.left) + "x" +
                  std::to_string(have.bottom - have.top));
        control = GetWindow(control, GW_HWNDNEXT);
    }
}

struct Script {
    bool checkLayout;
    bool clickFullscreen;
    int32_t press; // control id to click last
};

static void drive(DialogHandle dialog, void* context) {
    const Script& script = *static_cast<Script*>(context);
    HWND window = reinterpret_cast<HWND>(dialog);
    if (script.checkLayout) {
        checkControls(window);
        std::vector<std::string> modes = systemModes();
        intptr_t count = sendDlgItemMessage(dialog, setupResolutionId, comboGetCount, 0, 0);
        check(count == intptr_t(modes.size()), "list holds " + std::to_string(count) +
                                                   " items, the system " +
                                                   std::to_string(modes.size()));
        std::string list;
        for (intptr_t i = 0; i < count && i < intptr_t(modes.size()); ++i) {
            char item[64] = {};
            sendDlgItemMessage(dialog, setupResolutionId, comboGetItemText, uintptr_t(i),
                               reinterpret_cast<intptr_t>(item));
            check(modes[size_t(i)] == item, "item " + std::to_string(i) + " is " + item +
                                                ", the system's " + modes[size_t(i)]);
            list += std::string(i ? ", " : "") + item;
        }
        std::printf("modes: %s\n", list.c_str());
        intptr_t selected = sendDlgItemMessage(dialog, setupResolutionId, comboGetCurSel, 0, 0);
        intptr_t wanted = comboError;
        for (size_t i = 0; i < modes.size(); ++i)
            if (modes[i] == "1280 * 720") wanted = intptr_t(i);
        check(selected == wanted, "selected item " + std::to_string(selected));
        check(sendDlgItemMessage(dialog, setupFullscreenId, buttonGetCheck, 0, 0) == 0,
              "fullscreen starts checked");
        check(sendDlgItemMessage(dialog, setupResolutionId, buttonGetCheck, 0, 0) == comboError,
              "a button message to the list is refused");
    }
    if (script.clickFullscreen) dialogClick(dialog, setupFullscreenId);
    dialogClick(dialog, script.press);
}

static int showWith(Script script, DisplaySettings& settings) {
    setDialogDriver(drive, &script);
    int result = showSetupDialog(settings);
    setDialogDriver(nullptr, nullptr);
    return result;
}

int main() {
    HINSTANCE instance = GetModuleHandleA(nullptr);

    DisplaySettings cancelled;
    cancelled.instance = instance;
    int result = showWith({true, true, setupCancelId}, cancelled); // box checked, then Cancel
    check(result == 0, "Cancel returned " + std::to_string(result));
    check(cancelled.width == 1280 && cancelled.height == 720 && cancelled.windowed == 1,
          "Cancel changed the record");

    DisplaySettings run;
    run.instance = instance;
    result = showWith({false, true, setupRunId}, run);
    check(result == 1, "Run returned " + std::to_string(result));
    check(run.windowed == 0,
          "Run with the box checked left windowed " + std::to_string(run.windowed));
    check(run.width > 0 && run.height > 0, "Run left no size");

    Script none = {false, false, setupRunId};
    setDialogDriver(drive, &none);
    check(dialogBoxParam(instance, 4242, nullptr, setupDialogProc, 0) == -1,
          "a missing template did not fail");
    setDialogDriver(nullptr, nullptr);

    std::printf("dialog-check: %s\n", failures ? "FAILED" : "ok");
    return failures ? 1 : 0;
}
