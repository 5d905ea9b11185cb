// Frames read back from GL written as PNG files, shared by brumelt-capture and brumelt-studio.
#pragma once
#include <cstdint>

// Writes width x height RGBA pixels, bottom row first (as glReadPixels gives them), as an 8-bit
// RGB PNG at path (alpha dropped; fast compression). True on success.
bool writeFramePng(const char* path, const uint8_t* pixels, int width, int height);
