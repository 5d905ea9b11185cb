// The glow and final passes, drawn with llvmpipe and read back.
#include "gl_test_context.h"
#include "render/resources.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

static const int width = 160;
static const int height = 90;

static std::vector<uint8_t> noisePixels(uint32_t seed) {
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    for (uint8_t& p : pixels) {
        seed = seed * 1664525u + 1013904223u;
        p = uint8_t(seed >> 24);
    }
    return pixels;
}

static std::vector<uint8_t> uniformPixels(uint8_t value) {
    return std::vector<uint8_t>(size_t(width) * height * 4, value);
}

// Draws one post pass (glow or final) of source with its float uniform set, into a fresh target;
// returns the target's pixels.
static std::vector<uint8_t> drawPost(FramePass pass, const char* uniform, float value,
                                     const std::vector<uint8_t>& source, int w = width,
                                     int h = height) {
    ShaderProgram program = buildProgram(passShaderSource(pass));
    RenderTarget target = createRenderTarget(w, h);
    GLuint sourceTexture = makeTexture(w, h, source);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glUseProgram(program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, sourceTexture);
    glUniform1f(glGetUniformLocation(program, uniform), value);
    glUniform1i(glGetUniformLocation(program, "uSrcTexture"), 0);
    drawFullScreenRect();
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return readTexture(target.colourTexture, w, h);
}

// Compares every pixel with expected(x, y, rgb); alpha must be 255.
template <typename Expected>
static void expectPixels(const std::vector<uint8_t>& got, int w, int h, float tolerance,
                         Expected expected) {
    int bad = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float want[3];
            expected(x, y, want);
            const uint8_t* p = &got[(size_t(y) * w + x) * 4];
            for (int c = 0; c < 3; ++c) {
                float w = std::fmin(std::fmax(want[c], 0.0f), 1.0f) * 255.0f;
                if (std::fabs(float(p[c]) - w) > tolerance && bad++ < 5) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << c << ": got "
                                  << int(p[c]) << ", want " << w;
                }
            }
            if (p[3] != 255 && bad++ < 5) ADD_FAILURE() << "alpha " << int(p[3]) << " at " << x;
        }
    }
    EXPECT_EQ(bad, 0);
}

static float channel(const std::vector<uint8_t>& pixels, int w, int x, int y, int c) {
    return float(pixels[(size_t(y) * w + x) * 4 + c]) / 255.0f;
}

TEST(GlowPass, ZeroGlowCopiesTheSourceWithOpaqueAlpha) {
    ASSERT_TRUE(openTestContext(width, height));
    std::vector<uint8_t> source = noisePixels(7);
    std::vector<uint8_t> got = drawPost(framePassGlow, "uGlow", 0.0f, source);
    expectPixels(got, width, height, 0.0f, [&](int x, int y, float* rgb) {
        for (int c = 0; c < 3; ++c)
            rgb[c] = channel(source, width, x, y, c);
    });
}

TEST(GlowPass, UniformAndBlackSources) {
    ASSERT_TRUE(openTestContext(width, height));
    // 0.5 is stored as 128/255; 128/255 + (128/255)^2 x 0.75 is 176.2/255.
    expectPixels(drawPost(framePassGlow, "uGlow", 1.0f, uniformPixels(128)), width, height, 0.0f,
                 [](int, int, float* rgb) { rgb[0] = rgb[1] = rgb[2] = 176.0f / 255.0f; });
    for (float glow : {1.0f, 4.0f}) {
        expectPixels(drawPost(framePassGlow, "uGlow", glow, uniformPixels(0)), width, height, 0.0f,
                     [](int, int, float* rgb) { rgb[0] = rgb[1] = rgb[2] = 0.0f; });
    }
}

// At 400 x 400 one kernel step is exactly one texel, so every read lands on a texel centre and
// the blur is a plain discrete convolution. Isolated bright texels under a huge glow then show
// each of the 49 weights at its own offset: weight 1 as 10/255, 2 as 40/255, 4 as 160/255, 8 and
// more saturated.
TEST(GlowPass, EachKernelWeightSitsAtItsOffset) {
    const int size = 400;
    ASSERT_TRUE(openTestContext(size, size));
    std::vector<uint8_t> source(size_t(size) * size * 4, 0);
    for (int y = 5; y < size; y += 11) {
        for (int x = 5; x < size; x += 10)
            source[(size_t(y) * size + x) * 4 + (x / 10) % 3] = 255;
    }
    const float glow = 10.0f / 255.0f * 484.0f * 484.0f / 0.75f;
    const int weights[7] = {1, 2, 4, 8, 4, 2, 1};
    std::vector<uint8_t> got = drawPost(framePassGlow, "uGlow", glow, source, size, size);
    expectPixels(got, size, size, 1.0f, [&](int x, int y, float* rgb) {
        float sum[3] = {0, 0, 0};
        for (int j = -3; j <= 3; ++j) {
            for (int i = -3; i <= 3; ++i) {
                int sx = std::clamp(x + i, 0, size - 1), sy = std::clamp(y + j, 0, size - 1);
                for (int c = 0; c < 3; ++c) {
                    sum[c] +=
                        channel(source, size, sx, sy, c) * float(weights[i + 3] * weights[j + 3]);
                }
            }
        }
        for (int c = 0; c < 3; ++c) {
            float mean = sum[c] / 484.0f;
            rgb[c] = channel(source, size, x, y, c) + mean * mean * 0.75f * glow;
        }
    });
}

TEST(FinalPass, ZeroBassCopiesTheSourceWithOpaqueAlpha) {
    ASSERT_TRUE(openTestContext(width, height));
    std::vector<uint8_t> source = noisePixels(11);
    std::vector<uint8_t> got = drawPost(framePassFinal, "uBass", 0.0f, source);
    expectPixels(got, width, height, 0.0f, [&](int x, int y, float* rgb) {
        for (int c = 0; c < 3; ++c)
            rgb[c] = channel(source, width, x, y, c);
    });
}

// Red rises to the right and blue to the left, so a sideways shift shows in their values; green
// is noise that must come through untouched.
TEST(FinalPass, BassShiftsRedAndBlueOppositeWaysAlongASine) {
    ASSERT_TRUE(openTestContext(width, height));
    std::vector<uint8_t> source = noisePixels(3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &source[(size_t(y) * width + x) * 4];
            p[0] = uint8_t(x * 255 / (width - 1));
            p[2] = uint8_t(255 - x * 255 / (width - 1));
        }
    }
    for (float bass : {1.5f, -2.0f}) {
        std::vector<uint8_t> got = drawPost(framePassFinal, "uBass", bass, source);
        expectPixels(got, width, height, 2.0f, [&](int x, int y, float* rgb) {
            float u = (x + 0.5f) / width, v = (y + 0.5f) / height;
            float shift = 0.01f * bass * std::sin(v * 50.0f);
            float texel[4];
            sampleLinear(source, width, height, u - shift, v, texel);
            rgb[0] = texel[0];
            rgb[1] = channel(source, width, x, y, 1);
            sampleLinear(source, width, height, u + shift, v, texel);
            rgb[2] = texel[2];
        });
        // Where the sine is positive the red picture moves right, so a pixel shows the redness
        // of a point to its left.
        int y = int(0.02f * height); // sin(0.02 x 50) > 0
        EXPECT_LT(channel(got, width, width / 2, y, 0) * (bass > 0 ? 1 : -1),
                  channel(source, width, width / 2, y, 0) * (bass > 0 ? 1 : -1));
    }
}
