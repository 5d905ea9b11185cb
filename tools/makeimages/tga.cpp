// The images as TGA files (formats/tga.h) and binary PPM previews.
#include "makeimages.h"

#include "formats/tga.h"
#include "formats/whole_file.h"

#include <cstdio>
#include <string>

// Writes the file; 0, or 1 after one line on stderr.
static int writeImageFile(const char* path, const std::string& bytes) {
    std::string reason;
    const FileWriteResult written = writeWholeFile(path, bytes, reason);
    if (written == fileWritten) return 0;
    std::fprintf(stderr, "makeimages: %s: %s\n", path,
                 written == fileNotCreated ? "cannot be created" : "write failed");
    return 1;
}

int writeTga(const char* path, const Image& image) {
    const size_t bytes = size_t(image.width) * size_t(image.height) * 4;
    std::string file;
    if (image.bgra.size() == bytes)
        file = encodeTga(image.width, image.height, image.bgra.data(), image.firstRowIsTop);
    if (file.empty()) {
        std::fprintf(stderr, "makeimages: %s: no picture to write\n", path);
        return 1;
    }
    return writeImageFile(path, file);
}

int readTga(const char* path, Image* out) {
    *out = Image{};
    std::string bytes, problem;
    TgaImage image{};
    const char* parseProblem = nullptr;
    if (readTextFile(path, bytes, problem) != 0) {
        std::fprintf(stderr, "makeimages: %s: cannot be opened\n", path);
        return 1;
    }
    parseProblem = parseTga(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &image);
    if (parseProblem) {
        std::fprintf(stderr, "makeimages: %s: %s\n", path, parseProblem);
        return 1;
    }
    out->width = image.width;
    out->height = image.height;
    out->firstRowIsTop = image.firstRowIsTop;
    out->bgra.assign(image.pixels, image.pixels + size_t(image.width) * size_t(image.height) * 4);
    return 0;
}

int writePpm(const char* path, int width, int height, const std::vector<uint8_t>& rgb) {
    std::string file = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    file.append(rgb.begin(), rgb.end());
    return writeImageFile(path, file);
}
