#include "formats/tga.h"

#include <climits>

static const size_t headerSize = 18;

static int32_t readInt16(const uint8_t* p) {
    return int16_t(uint16_t(p[0] | (p[1] << 8)));
}

const char* parseTga(const uint8_t* data, size_t size, TgaImage* image) {
    if (size < headerSize) return "shorter than a TGA header (18 bytes)";
    size_t idLength = data[0];
    uint8_t colourMapType = data[1];
    uint8_t imageType = data[2];
    size_t colourMapLength = size_t(data[5] | (data[6] << 8));
    size_t colourMapEntryBits = data[7];
    int32_t width = readInt16(data + 12);
    int32_t height = readInt16(data + 14);
    uint8_t depth = data[16];

    if (colourMapType > 1) return "unknown colour-map type";
    if (imageType != 2) return "not an uncompressed true-colour image (image type is not 2)";
    if (depth != 32) return "not 32 bits a pixel";
    if (width < 1 || height < 1) return "width or height below 1";
    int64_t byteCount = int64_t(width) * height * 4;
    if (byteCount > INT32_MAX) return "pixel byte count too large";

    size_t offset = headerSize + idLength;
    if (colourMapType == 1) offset += colourMapLength * ((colourMapEntryBits + 7) / 8);
    if (offset > size || size - offset < size_t(byteCount)) {
        return "file shorter than its header promises";
    }
    image->width = width;
    image->height = height;
    image->pixels = data + offset;
    return nullptr;
}
