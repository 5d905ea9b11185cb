// The window, its OpenGL context and the keyboard: one window at a time, on the thread that made
// it.
//
// windowSystemInit starts the window library and its clock (windowSystemTime counts from there).
// createAppWindow opens a window of the given size with the given title, or, with
// windowFullscreen, switches the primary monitor to that size and covers it; the window has an
// RGBA8 colour buffer, a 24-bit depth buffer and a compatibility OpenGL context, which is made
// current before it returns. Key presses are sticky: a press of Escape that was released before
// anyone asked still reads as pressed at the next windowEscapePressed. The display mode is given
// back when the window is destroyed or the window system terminates, on every way out.
//
// Backends: window_glfw.cpp (Linux, GLFW), win32/window_win32.cpp, web/window_web.cpp.
#pragma once
#include <cstdint>

struct AppWindow;

enum AppWindowFlags : uint32_t {
    windowFullscreen = 1u << 0, // take the primary monitor at the window's size
    windowHidden = 1u << 1,     // never shown (offscreen rendering into the back buffer)
    windowResizable = 1u << 2,  // the user may resize it
};

// Starts the window library and its clock; non-zero on success.
int windowSystemInit();

// The process's active window before the demo creates its own, or null when there is none.
void* activeWindowHandle();

// A new window with a current GL context; null (after one stderr line) when either cannot be had.
AppWindow* createAppWindow(int32_t width, int32_t height, const char* title, uint32_t flags);

// Hides the mouse cursor while it is over the window.
void hideWindowCursor(AppWindow* window);

// Handles the pending window and input events of every window.
void pollWindowEvents();

// Presents the back buffer.
void swapWindowBuffers(AppWindow* window);

// Non-zero while Escape is down, or when it was pressed since the last call (sticky).
int windowEscapePressed(AppWindow* window);

// Non-zero once the user asked to close the window (close box, window manager).
int windowCloseRequested(AppWindow* window);

// Seconds since windowSystemInit, from a monotonic clock.
double windowSystemTime();

// The size of the window's drawable area in pixels.
void windowFramebufferSize(AppWindow* window, int32_t* width, int32_t* height);

// Closes the window (and gives back the display mode it took).
void destroyAppWindow(AppWindow* window);

// Closes every window and shuts the window library down.
void windowSystemTerminate();
