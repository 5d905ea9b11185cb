// What the page's entry point needs of the canvas window beyond the window seam.
#pragma once

struct AppWindow;

// Drops a pending Escape press and close request, so that a show started again in the same
// window (the page's "Watch again") does not end on the previous one's way out.
void forgetWindowInput(AppWindow* window);
