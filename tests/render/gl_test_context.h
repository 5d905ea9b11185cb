// A GL context for render tests: a hidden window whose size is also the default viewport, so
// offscreen targets of that size are covered texel for texel, and helpers to make and read back
// RGBA8 textures.
#pragma once
#include "platform/gl.h"
#include <cstdint>
#include <vector>

// Opens a hidden width x height window with a current context and the GL loader started.
// False (with a test failure recorded) when there is no
// display or context.
bool openTestContext(int width, int height);

// A linear, clamp-to-edge RGBA8 texture holding width x height pixels (4 bytes each, row 0 first).
GLuint makeTexture(int width, int height, const std::vector<uint8_t>& rgba);

// The level-0 pixels of an RGBA8 texture, row 0 first.
std::vector<uint8_t> readTexture(GLuint texture, int width, int height);

// The window's back buffer as RGBA, bottom row first.
std::vector<uint8_t> readWindow(int width, int height);

// Writes a 32-bit uncompressed TGA file holding rgba pixels (stored as B, G, R, A), first row
// first.
void writeTga(const char* path, int width, int height, const std::vector<uint8_t>& rgba);

// GL's linear filter with clamp-to-edge over rgba (row 0 at t = 0), each channel in [0, 1].
void sampleLinear(const std::vector<uint8_t>& rgba, int width, int height, float s, float t,
                  float out[4]);
