// X11 helpers for end-to-end tests: find top-level windows by title, read their geometry and
// state, and ask them to close the way a window manager's close box does.
#pragma once
#include <cstdint>
#include <string>

struct WindowInfo {
    unsigned long id = 0; // X window id; 0 when not found
    int x = 0, y = 0;     // position on the root window
    int width = 0, height = 0;
    bool viewable = false;
};

// The first viewable window whose title is exactly `title` and, when `pid` is not 0, that belongs
// to that process (_NET_WM_PID), or id 0. Tests run side by side on one display, so they pass
// their child's pid to keep to their own windows.
WindowInfo findWindow(const std::string& title, int pid = 0);

// Polls findWindow until such a window exists or `seconds` pass.
WindowInfo waitForWindow(const std::string& title, double seconds, int pid = 0);

// Sends WM_DELETE_WINDOW to the window, as a window manager does for its close box.
bool requestWindowClose(unsigned long window);

// The screen's size in pixels.
void screenSize(int& width, int& height);

// Title of the setup dialog and of the demo window.
inline constexpr const char* setupDialogTitle = "QRV :: Brumelt";
inline constexpr const char* demoWindowTitle = "QRV at Solvance 2014";

// Waits until the setup dialog or the demo window shows (or `seconds` pass); when the dialog is
// the one that shows, presses Enter in it (Run). Returns true once the demo window is up.
bool passSetupDialog(double seconds, int pid = 0);

// Sends one key (an xdotool key name such as "Escape" or "Return") to the window.
bool sendKey(unsigned long window, const char* key);
