// The Windows entry point: a GUI-subsystem program whose setup dialog template is a resource of
// the .exe itself (win32_resources.rc), so the module instance is the dialog's module.
#include "app/demo.h"
#include "platform/win32_console.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    connectStderrToParentConsole();
    return runEntryPoint(instance);
}
