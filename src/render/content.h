// The demo's content as the frame driver sees it: what is created at the two attach points of
// start-up, and what one frame draws.
#pragma once

// Creates the textures, shader programs and render targets. Needs a current GL context.
void loadContent();

// Opens the track set and fetches its tracks; returns 0 on success, non-zero when the track set
// cannot be created.
int openTracks();

// Draws one frame at the given track row into the window's back buffer.
void renderFrame(double row);
