#include "gl_test_context.h"

#include "formats/tga.h"
#include "startup/startup.h"
#include "support/demo_folder.h"

#include <cmath>
#include <gtest/gtest.h>

bool openTestContext(int width, int height) {
    StartUp started;
    const StartUpRequest request = {.width = width,
                                    .height = height,
                                    .title = "render test",
                                    .windowFlags = windowHidden,
                                    .depth = startUpWindow};
    if (startUp(request, &started) != exitDone) {
        ADD_FAILURE() << "no GL context for the test: " << started.problem;
        return false;
    }
    return true;
}

GLuint makeTexture(int width, int height, const std::vector<uint8_t>& rgba) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

std::vector<uint8_t> readTexture(GLuint texture, int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
}

std::vector<uint8_t> readWindow(int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void writeTga(const char* path, int width, int height, const std::vector<uint8_t>& rgba) {
    std::vector<uint8_t> bgra(rgba.size());
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        bgra[i] = rgba[i + 2];
        bgra[i + 1] = rgba[i + 1];
        bgra[i + 2] = rgba[i];
        bgra[i + 3] = rgba[i + 3];
    }
    ASSERT_TRUE(writeFileBytes(path, encodeTga(width, height, bgra.data(), false))) << path;
}

void sampleLinear(const std::vector<uint8_t>& rgba, int width, int height, float s, float t,
                  float out[4]) {
    float u = s * float(width) - 0.5f;
    float v = t * float(height) - 0.5f;
    float fu = std::floor(u);
    float fv = std::floor(v);
    float a = u - fu;
    float b = v - fv;
    auto clampIndex = [](int i, int n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); };
    int x0 = clampIndex(int(fu), width), x1 = clampIndex(int(fu) + 1, width);
    int y0 = clampIndex(int(fv), height), y1 = clampIndex(int(fv) + 1, height);
    for (int c = 0; c < 4; ++c) {
        auto at = [&](int x, int y) {
            return float(rgba[(size_t(y) * width + x) * 4 + c]) / 255.0f;
        };
        float top = at(x0, y0) + (at(x1, y0) - at(x0, y0)) * a;
        float bottom = at(x0, y1) + (at(x1, y1) - at(x0, y1)) * a;
        out[c] = top + (bottom - top) * b;
    }
}
