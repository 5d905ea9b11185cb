// The overlay's input: what the user does in a window from window.h (keys, typed text, the mouse
// and its wheel, the window's size and focus) fed to the current Dear ImGui context, and the keys
// the studio acts on, by names of this seam's own.
//
// This is ImGui's platform side only; its renderer draws over GL and is the caller's. Start it
// once a context exists (ImGui::CreateContext) and before the renderer; stop it before the context
// is destroyed. The window's own input (windowEscapePressed, windowCloseRequested) goes on beside
// it unchanged. Linux only (the studio).
#pragma once
#include <cstdint>

struct AppWindow;

// The keys by what they are on a US layout (the brackets are the two keys right of P).
enum OverlayKey : int32_t {
    overlayKeySpace,
    overlayKeyLeft,
    overlayKeyRight,
    overlayKeyPageUp,
    overlayKeyPageDown,
    overlayKeyHome,
    overlayKeyLeftBracket,
    overlayKeyRightBracket,
    overlayKeyL,
    overlayKeyS,
    overlayKeyTab,
    overlayKey1,
    overlayKey2,
    overlayKey4,
    overlayKeyF12,
    overlayKeyEscape,
    overlayKeyCount
};

// Feeds the window's input to the current ImGui context from now on; non-zero on success.
int overlayInputStart(AppWindow* window);

// Hands ImGui the window's size, the time since the last frame and the mouse; call it before each
// ImGui::NewFrame.
void overlayInputNewFrame();

// Non-zero when key went down in this ImGui frame, or, with repeat, auto-repeats while held.
int overlayKeyPressed(OverlayKey key, bool repeat);

// Stops feeding the window's input to ImGui and unhooks the window.
void overlayInputStop();
