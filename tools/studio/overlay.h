// The studio's overlay: its keys and its panels (the transport, the numbers, the tracks at the
// cursor, the timeline and the problems), drawn with Dear ImGui over the picture.
#pragma once
#include "studio_state.h"

// Starts Dear ImGui on the studio's window (its current GL context); false when it cannot.
bool startOverlay(Studio& studio);

// Begins the overlay's frame: the input since the last frame is read.
void beginOverlayFrame();

// Handles the studio's keys: transport, loop, overlay, scale, stills, quit.
void handleKeys(Studio& studio);

// Draws the overlay for this frame at row over the picture, and ends the frame.
void drawOverlay(Studio& studio, double row);

// Ends a frame begun that will not be drawn (the studio is quitting).
void dropOverlayFrame();

// Stops Dear ImGui.
void stopOverlay();
