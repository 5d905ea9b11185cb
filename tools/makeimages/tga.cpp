// Uncompressed 32-bit true-colour TGA files and binary PPM previews.
#include "makeimages.h"

#include <cstdio>

int writeTga(const char* path, const Image& image) {
    const size_t bytes = size_t(image.width) * size_t(image.height) * 4;
    if (image.width < 1 || image.height < 1 || image.width > 32767 || image.height > 32767 ||
        image.bgra.size() != bytes) {
        std::fprintf(stderr, "makeimages: %s: no picture to write\n", path);
        return 1;
    }
    uint8_t header[18] = {};
    header[2] = 2; // uncompressed true colour; no image ID, no colour map
    header[12] = uint8_t(image.width), header[13] = uint8_t(image.width >> 8);
    header[14] = uint8_t(image.height), header[15] = uint8_t(image.height >> 8);
    header[16] = 32;
    // Eight alpha bits; bit 5 says the first stored row is the top one.
    header[17] = uint8_t(8 | (image.firstRowIsTop ? 0x20 : 0));
    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "makeimages: %s: cannot be created\n", path);
        return 1;
    }
    const bool written = std::fwrite(header, 1, sizeof header, f) == sizeof header &&
                         std::fwrite(image.bgra.data(), 1, bytes, f) == bytes;
    if (std::fclose(f) != 0 || !written) {
        std::fprintf(stderr, "makeimages: %s: write failed\n", path);
        return 1;
    }
    return 0;
}

int readTga(const char* path, Image* out) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "makeimages: %s: cannot be opened\n", path);
        return 1;
    }
    uint8_t header[18];
    const char* problem = nullptr;
    if (std::fread(header, 1, sizeof header, f) != sizeof header) {
        problem = "shorter than a TGA header";
    } else if (header[0] != 0 || header[1] != 0 || header[2] != 2 || header[16] != 32) {
        problem = "not an uncompressed 32-bit true-colour TGA without ID or colour map";
    }
    int width = 0, height = 0;
    if (!problem) {
        width = int16_t(header[12] | header[13] << 8);
        height = int16_t(header[14] | header[15] << 8);
        if (width < 1 || height < 1) problem = "width or height below 1";
    }
    if (!problem) {
        out->width = width;
        out->height = height;
        out->firstRowIsTop = (header[17] & 0x20) != 0;
        const size_t bytes = size_t(width) * size_t(height) * 4;
        // Checked before allocating: a damaged header may promise gigabytes.
        long end = -1;
        if (std::fseek(f, 0, SEEK_END) == 0) end = std::ftell(f);
        if (end < 0 || size_t(end) < sizeof header + bytes ||
            std::fseek(f, sizeof header, SEEK_SET)) {
            problem = "pixel data cut short";
        } else {
            out->bgra.resize(bytes);
            if (std::fread(out->bgra.data(), 1, bytes, f) != bytes)
                problem = "pixel data cut short";
        }
    }
    std::fclose(f);
    if (problem) {
        std::fprintf(stderr, "makeimages: %s: %s\n", path, problem);
        *out = Image{};
        return 1;
    }
    return 0;
}

int writePpm(const char* path, int width, int height, const std::vector<uint8_t>& rgb) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "makeimages: %s: cannot be created\n", path);
        return 1;
    }
    std::fprintf(f, "P6\n%d %d\n255\n", width, height);
    const bool written = std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
    if (std::fclose(f) != 0 || !written) {
        std::fprintf(stderr, "makeimages: %s: write failed\n", path);
        return 1;
    }
    return 0;
}
