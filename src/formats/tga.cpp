#include "formats/tga.h"

#include <climits>
#include <cstdint>

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
    image->firstRowIsTop = (data[17] & 0x20) != 0;
    return nullptr;
}

std::string encodeTga(int32_t width, int32_t height, const uint8_t* bgra, bool firstRowIsTop) {
    if (width < 1 || height < 1 || width > INT16_MAX || height > INT16_MAX) return std::string();
    std::string file(headerSize, '\0');
    file[2] = 2; // uncompressed true colour; no image ID, no colour map
    file[12] = char(width & 0xff);
    file[13] = char(width >> 8);
    file[14] = char(height & 0xff);
    file[15] = char(height >> 8);
    file[16] = 32;
    // Eight alpha bits; bit 5 says the first stored row is the top one.
    file[17] = char(8 | (firstRowIsTop ? 0x20 : 0));
    file.append(reinterpret_cast<const char*>(bgra), size_t(width) * size_t(height) * 4);
    return file;
}
