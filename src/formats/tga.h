// 32-bit uncompressed TGA images, read from bytes in memory and written as bytes.
//
// Only what the demo's images need is read: image type 2 (uncompressed true colour) at 32 bits a
// pixel, width and height of at least 1, and every promised pixel byte present. An image ID and a
// colour map are skipped, so the pixel data is found where the header says it starts. The origin
// bits of the descriptor do not reorder anything: the first stored row is always returned first,
// and the shaders count on it being texture row t = 0; firstRowIsTop only reports the bit.
//
// Written files are the same kind: type 2, 32 bits, no image ID, no colour map, eight alpha bits.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct TgaImage {
    int32_t width;
    int32_t height;
    const uint8_t* pixels; // width x height pixels of 4 bytes (B, G, R, A), inside the input bytes
    bool firstRowIsTop = false; // the descriptor's origin bit (bit 5)
};

// Parses size bytes at data. Returns null and fills image on success, or a short description of
// the problem (a static string) and leaves image untouched.
const char* parseTga(const uint8_t* data, size_t size, TgaImage* image);

// The bytes of a file holding width x height pixels of B, G, R, A (4 bytes each) in stored order,
// with the origin bit set when firstRowIsTop; empty when a side is not 1 to 32767.
std::string encodeTga(int32_t width, int32_t height, const uint8_t* bgra, bool firstRowIsTop);
