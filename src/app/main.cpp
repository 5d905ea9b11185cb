#include "app/demo.h"

#ifdef _WIN32
#include "platform/win32_console.h"

#include <windows.h>

// The setup dialog's template is a resource of the .exe itself (platform/win32/brumelt.rc), so
// the module instance is the dialog's module.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    connectStderrToParentConsole();
    return runEntryPoint(instance);
}
#else
#include "app/resources.h"

int main() {
    return runEntryPoint(&programModule);
}
#endif
