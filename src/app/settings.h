// Display settings shared by the entry point, the setup dialog and the demo body.
//
// The entry point fills a DisplaySettings record with defaults, lets the setup dialog edit it,
// then copies the outcome into the process-wide screenWidth / screenHeight / fullscreen, which
// everything after start-up only reads.
#pragma once
#include <cstdint>

struct DisplaySettings {
    int32_t width = 1280;
    int32_t height = 720;
    int32_t bitsPerPixel = 32; // the depth whose display modes the dialog offers
    int32_t windowed = 1;      // 1 = windowed, 0 = fullscreen
    void* instance = nullptr;  // module handle used to find the dialog template
};

// Window size in pixels, written once by the entry point before the demo starts.
extern int32_t screenWidth;
extern int32_t screenHeight;
// 1 when the window takes the primary monitor.
extern uint8_t fullscreen;
