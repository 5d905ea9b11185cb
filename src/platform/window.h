// The window, its OpenGL context and the keyboard: one window at a time, on the thread that made
// it.
//
// windowSystemInit starts the window system and its clock (windowSystemTime counts from there).
// windowCreate opens a window of the given size with the given title, or, with windowFullscreen,
// switches the primary display to that size and covers it; the window has an RGBA8 colour
// buffer, a 24-bit depth buffer and an OpenGL context (compatibility profile on the desktop,
// WebGL 1 in the browser), which is made current before it returns. Key presses are sticky: a
// press of Escape that was released before anyone asked still reads as pressed at the next
// windowEscapePressed. The display mode is given back when the window is destroyed or the window
// system terminates, and also when the process ends without either (a crash, kill -9). Losing
// the connection to the window system (the X server went away) ends the process at once, with
// one stderr line and status 4.
#pragma once
#include <cstdint>

struct AppWindow;

enum AppWindowFlags : uint32_t {
    windowFullscreen = 1u << 0, // take the primary monitor at the window's size
    windowHidden = 1u << 1,     // never shown (offscreen rendering into the back buffer)
    windowResizable = 1u << 2,  // the user may resize it
};

// Starts the window system and its clock; non-zero on success.
int windowSystemInit();

// A new window with a current GL context; null (after one stderr line) when either cannot be had.
AppWindow* windowCreate(int32_t width, int32_t height, const char* title, uint32_t flags);

// Hides the mouse cursor while it is over the window.
void windowHideCursor(AppWindow* window);

// Handles the pending window and input events of every window.
void windowPollEvents();

// Presents the back buffer.
void windowSwapBuffers(AppWindow* window);

// Non-zero while Escape is down, or when it was pressed since the last call (sticky).
int windowEscapePressed(AppWindow* window);

// Non-zero once the user asked to close the window (close box, window manager).
int windowCloseRequested(AppWindow* window);

// Seconds since windowSystemInit, from a monotonic clock.
double windowSystemTime();

// The size of the window's drawable area in pixels.
void windowFramebufferSize(AppWindow* window, int32_t* width, int32_t* height);

// Drops a pending Escape press and close request, so that a show started again in the same
// window does not end on the previous one's way out.
void windowForgetInput(AppWindow* window);

// The backend's own handle of the window, for a library that draws into it or reads its input
// itself (the studio's overlay): the window system's window object on the desktop (null for a
// null window), the canvas's CSS selector in the browser.
void* windowNativeHandle(AppWindow* window);

// Closes the window (and gives back the display mode it took).
void windowDestroy(AppWindow* window);

// Closes every window and shuts the window system down.
void windowSystemTerminate();
