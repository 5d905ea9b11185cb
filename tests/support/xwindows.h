// X11 helpers for end-to-end tests: find top-level windows by title, read their geometry and
// state, and ask them to close the way a window manager's close box does.
#pragma once
#include "base/show.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

struct WindowInfo {
    unsigned long id = 0; // X window id; 0 when not found
    int x = 0, y = 0;     // position on the root window
    int width = 0, height = 0;
    bool viewable = false;
    bool overrideRedirect = false; // placed by its program, not by a window manager
    int pid = 0;                   // _NET_WM_PID, 0 when the window does not say
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
inline constexpr const char* setupDialogTitle = showDialogTitle;
inline constexpr const char* demoWindowTitle = showWindowTitle;

// Waits until the setup dialog or the demo window shows (or `seconds` pass); when the dialog is
// the one that shows, presses Enter in it (Run). Returns true once the demo window is up. With a
// `pid` (a child of this process), only its windows count, and the wait ends early, with false,
// when the child ends first.
bool passSetupDialog(double seconds, int pid = 0);

// Sends one key (an xdotool key name such as "Escape" or "Return") to the window.
bool sendKey(unsigned long window, const char* key);

// Sends keys (xdotool key names, one argument each) to the window after focusing it.
bool sendKeys(unsigned long window, const std::vector<std::string>& keys);

// Presses a key in the window and keeps it down until releaseKey. A program that samples key
// states once a frame can miss a quick press and release; a held key it cannot miss.
bool holdKey(unsigned long window, const char* key);
bool releaseKey(const char* key);

// Records every top-level window mapped from construction on, with its title and process as read
// when the map is seen. Call poll() often while the windows of interest may come and go.
struct MappedWindow {
    unsigned long id = 0;
    std::string title;
    pid_t pid = 0;
};
struct MapWatch {
    MapWatch();
    ~MapWatch();
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;
    void poll();
    std::vector<MappedWindow> mapped;
    void* display = nullptr;
};

// True when the pointer, moved to the window's centre, shows no visible cursor pixel.
bool cursorHiddenOver(unsigned long window);

// The screen's pixels in a rectangle of the root window as 0xRRGGBB values, row by row; empty when
// the rectangle cannot be read.
std::vector<uint32_t> grabScreen(int x, int y, int width, int height);
