// Reading 32-bit uncompressed TGA images from bytes in memory.
//
// Only what the demo's images need is accepted: image type 2 (uncompressed true colour) at 32
// bits a pixel, width and height of at least 1, and every promised pixel byte present. An image
// ID and a colour map are skipped, so the pixel data is found where the header says it starts.
// The origin bits of the descriptor are ignored on purpose: the first stored row is always
// returned first, and the shaders count on it being texture row t = 0.
#pragma once
#include <cstddef>
#include <cstdint>

struct TgaImage {
    int32_t width;
    int32_t height;
    const uint8_t* pixels; // width x height pixels of 4 bytes (B, G, R, A), inside the input bytes
};

// Parses size bytes at data. Returns null and fills image on success, or a short description of
// the problem (a static string) and leaves image untouched.
const char* parseTga(const uint8_t* data, size_t size, TgaImage* image);
