// Image file parsing must never read outside the bytes it is given, and what it accepts must
// hold every pixel it promises.
#include "formats/tga.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TgaImage image{};
    if (parseTga(data, size, &image) != nullptr) return 0;
    if (image.width < 1 || image.height < 1) std::abort();
    size_t bytes = size_t(image.width) * size_t(image.height) * 4;
    if (image.pixels < data || size_t(image.pixels - data) + bytes > size) std::abort();
    unsigned sum = 0;
    for (size_t i = 0; i < bytes; ++i)
        sum += image.pixels[i];
    return int(sum & 0);
}
