// The greetings image as the scene shader reads it: every strip in its band, nothing where the
// shader repeats the band's edges, and text that reads upright on screen.
#include "makeimages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

const Image& showImage() {
    static const Image image = [] {
        Image made;
        EXPECT_EQ(makeGreetings(FONT_BOLD, FONT_REGULAR, defaultGreetings(), &made), 0);
        return made;
    }();
    return image;
}

uint8_t red(const Image& image, int x, int row) {
    return image.bgra[(size_t(row) * size_t(image.width) + size_t(x)) * 4 + 2];
}

// The strip the shader shows for strip k: progress in the middle of k's sixteenth.
float progressFor(int k) {
    return (float(k) + 0.5f) / 16.0f;
}

// Red as it lands on a 1920 x 1080 screen pixel (x, y from the top).
float onScreen(const Image& image, float progress, int x, int y) {
    float u, t;
    greetsUV(progress, (float(x) + 0.5f) / 1920.0f, (float(y) + 0.5f) / 1080.0f, &u, &t);
    return sampleImage(image, u, t, 0);
}

} // namespace

TEST(Greetings, ImageIsSizedForOneTexelPerPixelAtFullHd) {
    const Image& image = showImage();
    ASSERT_EQ(image.width, 1920);
    ASSERT_EQ(image.height, 2160);
    EXPECT_FALSE(image.firstRowIsTop);
    // A band's middle 60 % covers 0.075 of a 1080-pixel screen.
    EXPECT_NEAR(0.6 / 16.0 * image.height, 0.075 * 1080, 0.01);
}

TEST(Greetings, InkOnlyInsideTheMiddleOfTheBands) {
    const Image& image = showImage();
    const double h = image.height;
    for (int row = 0; row < image.height; ++row) {
        bool inked = false;
        for (int x = 0; x < image.width && !inked; ++x)
            inked = red(image, x, row) != 0;
        if (!inked) continue;
        // The texel rows that linear filtering reads at a band edge lie within one texel of it.
        const double t = (row + 0.5) / h;
        bool clear = false;
        for (int k = 0; k < 16 && !clear; ++k) {
            const double low = 1 - 0.8 / 16 - k / 16.1, high = 1 - 0.2 / 16 - k / 16.1;
            clear = t > low + 1 / h && t < high - 1 / h;
        }
        EXPECT_TRUE(clear) << "stored row " << row << " has ink outside every band";
    }
}

TEST(Greetings, EveryStripShowsCentredTextInTheBandAndNothingElsewhere) {
    const Image& image = showImage();
    for (int k = 0; k < 16; ++k) {
        const float p = progressFor(k);
        // Above and below the band the shader repeats its edge rows: those must be empty.
        for (int x = 0; x < 1920; x += 1) {
            ASSERT_EQ(onScreen(image, p, x, 100), 0.0f) << "strip " << k << " above the band";
            ASSERT_EQ(onScreen(image, p, x, 1000), 0.0f) << "strip " << k << " below the band";
        }
        double ink = 0, weighted = 0, brightest = 0;
        for (int y = 513; y < 594; ++y) // v from 0.475 to 0.55
            for (int x = 0; x < 1920; ++x) {
                const float r = onScreen(image, p, x, y);
                ink += r, weighted += r * x, brightest = std::max<double>(brightest, r);
            }
        EXPECT_GT(brightest, 0.95) << "strip " << k;
        ASSERT_GT(ink, 500) << "strip " << k << " shows no text";
        EXPECT_NEAR(weighted / ink, 960, 60) << "strip " << k << " is off centre";
    }
}

TEST(Greetings, TextReadsUprightAndUnmirroredOnScreen) {
    // An L has its stem on the left and its foot at the bottom; flipping either way moves them.
    // The other strips hold a T, so that a strip shown in another's place fails too.
    const int tested[] = {0, 3, 9, 14};
    GreetStrip strips[16];
    for (auto& s : strips)
        s = GreetStrip{{"T"}, false};
    for (int k : tested)
        strips[k] = GreetStrip{{"L"}, false};
    Image image;
    ASSERT_EQ(makeGreetings(FONT_BOLD, FONT_REGULAR, strips, &image), 0);
    for (int k : tested) {
        int top = 1080, bottom = -1, left = 1920, right = -1;
        for (int y = 480; y < 630; ++y)
            for (int x = 800; x < 1120; ++x)
                if (onScreen(image, progressFor(k), x, y) > 0.5f) {
                    top = std::min(top, y), bottom = std::max(bottom, y);
                    left = std::min(left, x), right = std::max(right, x);
                }
        ASSERT_GT(bottom - top, 20) << "strip " << k;
        const int middleY = (top + bottom) / 2, middleX = (left + right) / 2;
        // The stem: ink at the upper left, none at the upper right.
        EXPECT_GT(onScreen(image, progressFor(k), left + 3, top + 3), 0.5f) << "strip " << k;
        EXPECT_LT(onScreen(image, progressFor(k), right - 3, top + 3), 0.1f) << "strip " << k;
        // The foot: ink along the bottom right, none at the middle right.
        EXPECT_GT(onScreen(image, progressFor(k), right - 3, bottom - 2), 0.5f) << "strip " << k;
        EXPECT_LT(onScreen(image, progressFor(k), middleX + 10, middleY), 0.1f) << "strip " << k;
        // Capitals are centred on the band (screen rows 513 to 594).
        EXPECT_NEAR((top + bottom) / 2.0, 553.5, 3) << "strip " << k;
    }
}

TEST(Greetings, RefusesWhatCannotBeDrawn) {
    GreetStrip strips[16];
    for (auto& s : strips)
        s = GreetStrip{{"OK"}, false};
    strips[5] =
        GreetStrip{{"A NAME FAR TOO LONG FOR ONE STRIP OF THE", "GREETINGS", "IMAGE"}, false};
    Image image;
    EXPECT_EQ(makeGreetings(FONT_BOLD, FONT_REGULAR, strips, &image), 1);
    EXPECT_EQ(makeGreetings("/nonexistent/font.ttf", FONT_REGULAR, defaultGreetings(), &image), 1);
    EXPECT_EQ(makeGreetings(FONT_BOLD, __FILE__, defaultGreetings(), &image), 1);
}
