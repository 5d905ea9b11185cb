// What the demo asks of the desktop outside its own window.
#pragma once

// The process's active window before the demo creates its own, or null when there is none (on
// X11 a process that has created no window has none).
void* activeWindowHandle();
