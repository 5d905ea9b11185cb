// The scene shader's two image overlays, computed on the CPU in single precision.
#include "makeimages.h"

#include <algorithm>
#include <cmath>

float sampleImage(const Image& image, float s, float t, int channel) {
    // Stored byte order is B, G, R, A.
    static const int byteOf[4] = {2, 1, 0, 3};
    const float x = s * float(image.width) - 0.5f, y = t * float(image.height) - 0.5f;
    const float fx = std::floor(x), fy = std::floor(y);
    const float ax = x - fx, ay = y - fy;
    const int x0 = std::clamp(int(fx), 0, image.width - 1);
    const int x1 = std::clamp(int(fx) + 1, 0, image.width - 1);
    const int y0 = std::clamp(int(fy), 0, image.height - 1);
    const int y1 = std::clamp(int(fy) + 1, 0, image.height - 1);
    auto texel = [&](int px, int py) {
        return float(image.bgra[(size_t(py) * size_t(image.width) + size_t(px)) * 4 +
                                size_t(byteOf[channel])]) /
               255.0f;
    };
    const float top = texel(x0, y0) + (texel(x1, y0) - texel(x0, y0)) * ax;
    const float bottom = texel(x0, y1) + (texel(x1, y1) - texel(x0, y1)) * ax;
    return top + (bottom - top) * ay;
}

void greetsUV(float progress, float s, float v, float* u, float* t) {
    const float wrapped = progress - std::floor(progress);
    const float k = std::floor(16.0f * wrapped);
    const float m = std::clamp(8.0f * (v - 0.45f), 0.2f, 0.8f);
    *u = (s + k) - std::floor(s + k);
    *t = 1.0f - (m / 16.0f + std::floor(s + k) / 16.1f);
}

static float hermite(float x) {
    return x * x * (3.0f - 2.0f * x);
}

static float sign(float x) {
    return float((x > 0) - (x < 0));
}

float logoGrey(const Image& logo, float progress, float s, float v) {
    const float r = sampleImage(logo, s, v, 0), g = sampleImage(logo, s, v, 1);
    const float a = sampleImage(logo, s, v, 3);
    const float e1 = std::clamp(4.0f * progress, 0.0f, 1.2f);
    const float e2 = std::clamp(2.0f * (progress + 0.25f) - 1.0f, 0.0f, 1.2f);
    const float one = hermite(std::clamp((e1 - r) / 0.07f, 0.0f, 1.0f)) * std::pow(a * sign(r), 8);
    const float two = hermite(std::clamp((e2 - g) / 0.07f, 0.0f, 1.0f)) * std::pow(a * sign(g), 8);
    return one + two;
}

// Screen coordinates of a pixel centre: s from the left edge, v from the top edge.
static float screenS(int x, int width) {
    return (float(x) + 0.5f) / float(width);
}
static float screenV(int y, int height) {
    return (float(y) + 0.5f) / float(height);
}

static uint8_t byteOf(float c) {
    return uint8_t(std::lround(std::clamp(c, 0.0f, 1.0f) * 255));
}

std::vector<uint8_t> previewGreetings(const Image& greets, float progress, int width, int height) {
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        const float v = screenV(y, height);
        // A night-sky gradient behind the text, so that both the text and its absence show.
        const float base[3] = {0.04f + 0.06f * v, 0.07f + 0.1f * v, 0.14f + 0.16f * v};
        for (int x = 0; x < width; ++x) {
            float u, t;
            greetsUV(progress, screenS(x, width), v, &u, &t);
            const float g = sampleImage(greets, u, t, 0);
            uint8_t* px = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            for (int c = 0; c < 3; ++c)
                px[c] = byteOf(base[c] + (g - base[c]) * g);
        }
    }
    return rgb;
}

std::vector<uint8_t> previewLogo(const Image& logo, float progress, int width, int height) {
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t grey =
                byteOf(logoGrey(logo, progress, screenS(x, width), screenV(y, height)));
            uint8_t* px = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            px[0] = px[1] = px[2] = grey;
        }
    return rgb;
}
