// The studio's picture: the demo's three passes at a row, their GPU times, a smaller drawing
// scaled up over the window, and stills.
#pragma once
#include "studio_state.h"

// Creates the timer queries of the pass times when the driver has them (else none are shown).
void startPassTimers(Studio& studio);

// Draws the three passes at row into the lower left width x height of the back buffer, each
// timed when `timed` and the driver can.
void drawPasses(Studio& studio, double row, int32_t width, int32_t height, bool timed);

// Reads the pass times of the frame drawn gpuQueryFrames - 1 frames ago, when they are in.
void collectPassTimes(Studio& studio);

// Stretches the lower left width x height of the back buffer over the whole window, through
// texture.
void scaleUp(GLuint texture, int32_t width, int32_t height, int32_t windowWidth,
             int32_t windowHeight);

// Writes the current row's frame at the window size as PNG; 0 on success, else 1 after a log line.
int studioWriteStill(Studio& studio, const char* path);
