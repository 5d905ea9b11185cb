#include "app/demo.h"

#ifdef _WIN32
#include "audio/audio_output.h"
#include "platform/win32/console_win32.h"

#include <windows.h>

// The setup dialog's template is a resource of the .exe itself (platform/win32/brumelt.rc), so
// the module instance is the dialog's module.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    connectStderrToParentConsole();
    int code = runEntryPoint(instance);
    // Process exit kills the remaining threads wherever they are: the audio thread is stopped
    // first, so that it never dies inside the sound system (under Wine that crashed the process
    // now and then) and no running std::thread is left to destroy.
    audioShutdown();
    return code;
}
#else
#include "app/resources.h"

int main() {
    return runEntryPoint(&programModule);
}
#endif
