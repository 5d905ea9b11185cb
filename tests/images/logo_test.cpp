// The logo's channels and its reveal as the scene shader composes it.
#include "makeimages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

const Image& logo() {
    static const Image image = [] {
        Image made;
        EXPECT_EQ(makeLogo(FONT_BOLD, FONT_REGULAR, &made), 0);
        return made;
    }();
    return image;
}

const uint8_t* texel(const Image& image, int x, int y) {
    return &image.bgra[(size_t(y) * size_t(image.width) + size_t(x)) * 4];
}

// Grey of the logo over black on a coarse 480 x 270 screen.
std::vector<float> screen(float progress) {
    std::vector<float> grey;
    for (int y = 0; y < 270; ++y)
        for (int x = 0; x < 480; ++x)
            grey.push_back(logoGrey(logo(), progress, (x + 0.5f) / 480, (y + 0.5f) / 270));
    return grey;
}

double total(const std::vector<float>& grey) {
    double sum = 0;
    for (float g : grey)
        sum += g;
    return sum;
}

} // namespace

TEST(Logo, LayersStayDarkOutsideTheirShapes) {
    const Image& image = logo();
    ASSERT_EQ(image.width, 1920);
    ASSERT_EQ(image.height, 1080);
    EXPECT_TRUE(image.firstRowIsTop);
    size_t letters = 0, second = 0;
    std::set<int> alphas;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = texel(image, x, y);
            const bool r = p[2] > 0, g = p[1] > 0, a = p[3] > 0;
            ASSERT_EQ(p[0], 0) << x << "," << y;
            ASSERT_EQ(a, r || g) << "coverage without a layer, or a layer without coverage at " << x
                                 << "," << y;
            ASSERT_FALSE(r && g) << "both layers at " << x << "," << y;
            letters += r, second += g;
            if (a) alphas.insert(p[3]);
            const bool border = x < 40 || y < 40 || x >= image.width - 40 || y >= image.height - 40;
            ASSERT_FALSE(border && a) << "ink at the picture's border " << x << "," << y;
        }
    const double area = double(image.width) * image.height;
    EXPECT_GT(letters / area, 0.10);
    EXPECT_LT(letters / area, 0.40);
    EXPECT_GT(second / area, 0.01);
    // Anti-aliased: edges take many levels of coverage.
    EXPECT_GT(alphas.size(), 100u);
}

TEST(Logo, TheSubtitleSitsBelowTheLetters) {
    // With the first stored row at the top, the letters (red) come before the lowest rows of the
    // second layer (subtitle and rules).
    const Image& image = logo();
    int lastLetterRow = -1, lastSecondRow = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            if (texel(image, x, y)[2]) lastLetterRow = y;
            if (texel(image, x, y)[1]) lastSecondRow = y;
        }
    EXPECT_GT(lastSecondRow, lastLetterRow + 40);
    EXPECT_LT(lastLetterRow, image.height * 3 / 4);
}

TEST(Logo, RevealGrowsAndCompletesOnTime) {
    EXPECT_EQ(total(screen(0.0f)), 0.0);
    EXPECT_EQ(total(screen(-0.5f)), 0.0);
    double previous = 0;
    for (int i = 1; i <= 40; ++i) {
        const double now = total(screen(float(i) / 40.0f));
        EXPECT_GE(now, previous - 1e-3) << "light lost at progress " << i / 40.0;
        previous = now;
    }
    EXPECT_NEAR(total(screen(0.85f)), total(screen(1.0f)), 1e-3);
    // The letters are complete at 0.3, where the second layer has only begun; nothing of the
    // second layer shows at 0.25.
    const Image& image = logo();
    for (int y = 0; y < 270; ++y)
        for (int x = 0; x < 480; ++x) {
            const float s = (x + 0.5f) / 480, v = (y + 0.5f) / 270;
            const bool first = sampleImage(image, s, v, 0) > 0,
                       second = sampleImage(image, s, v, 1) > 0;
            if (!second) {
                ASSERT_EQ(logoGrey(image, 0.3f, s, v), logoGrey(image, 1.0f, s, v));
            }
            if (!first) {
                ASSERT_EQ(logoGrey(image, 0.25f, s, v), 0.0f);
            }
        }
}

TEST(Logo, LettersSweepInFromTheLeft) {
    const auto early = screen(0.1f);
    double sum = 0, weighted = 0;
    for (size_t i = 0; i < early.size(); ++i)
        sum += early[i], weighted += early[i] * (i % 480);
    ASSERT_GT(sum, 0.0);
    EXPECT_LT(weighted / sum, 200.0); // the lit part is left of centre (240)
    EXPECT_LT(sum, total(screen(0.3f)) * 0.6);
}
