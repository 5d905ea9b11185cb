// TGA files and the sampler that stands in for the GPU's texture reads.
#include "makeimages.h"
#include "support/demo_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string tempPath(const char* name) {
    return std::string(::testing::TempDir()) + "/" + std::to_string(getpid()) + "_" + name;
}

// 3 x 2 picture whose every byte is distinct: B, G, R, A = 10n + 0..3.
Image small(bool top) {
    Image image;
    image.width = 3, image.height = 2, image.firstRowIsTop = top;
    for (int i = 0; i < 24; ++i)
        image.bgra.push_back(uint8_t(10 * (i / 4) + i % 4));
    return image;
}

} // namespace

TEST(Tga, HeaderAndPixelsAsTheLoaderExpects) {
    for (bool top : {false, true}) {
        const std::string path = tempPath("small.tga");
        ASSERT_EQ(writeTga(path.c_str(), small(top)), 0);
        const std::string bytes = readFileBytes(path);
        ASSERT_EQ(bytes.size(), 18u + 24u);
        EXPECT_EQ(bytes[0], 0); // no image ID
        EXPECT_EQ(bytes[1], 0); // no colour map
        EXPECT_EQ(bytes[2], 2); // uncompressed true colour
        EXPECT_EQ(bytes.substr(3, 9), std::string(9, '\0'));
        EXPECT_EQ(bytes.substr(12, 4), std::string("\3\0\2\0", 4));
        EXPECT_EQ(bytes[16], 32);
        EXPECT_EQ(uint8_t(bytes[17]), top ? 0x28 : 0x08);
        const Image back = small(top);
        EXPECT_EQ(bytes.substr(18), std::string(back.bgra.begin(), back.bgra.end()));
        Image read;
        ASSERT_EQ(readTga(path.c_str(), &read), 0);
        EXPECT_EQ(read.bgra, back.bgra);
        EXPECT_EQ(read.firstRowIsTop, top);
        std::remove(path.c_str());
    }
}

TEST(Tga, DamagedFilesAreRefused) {
    const std::string path = tempPath("bad.tga");
    ASSERT_EQ(writeTga(path.c_str(), small(false)), 0);
    const std::string good = readFileBytes(path);
    std::string rle = good, deep = good, zero = good;
    rle[2] = 10;
    deep[16] = 24;
    zero[12] = zero[13] = 0;
    // A header promising 32767 x 32767 pixels over a few bytes: refused without reading on.
    std::string huge = good.substr(0, 30);
    huge[12] = huge[14] = char(0xff), huge[13] = huge[15] = 0x7f;
    for (const std::string& bytes :
         {good.substr(0, 10), good.substr(0, 30), rle, deep, zero, huge}) {
        writeFileBytes(path, bytes);
        Image read;
        EXPECT_EQ(readTga(path.c_str(), &read), 1);
        EXPECT_TRUE(read.bgra.empty());
    }
    std::remove(path.c_str());
    Image read;
    EXPECT_EQ(readTga(path.c_str(), &read), 1);
    EXPECT_EQ(writeTga("/nonexistent/dir/x.tga", small(false)), 1);
}

TEST(Sampler, FollowsTheTextureRules) {
    const Image image = small(false);
    // At a texel centre: that texel, red from the third stored byte; t = 0 is the first row.
    EXPECT_FLOAT_EQ(sampleImage(image, 0.5f / 3, 0.25f, 0), 2 / 255.0f);
    EXPECT_FLOAT_EQ(sampleImage(image, 0.5f / 3, 0.25f, 3), 3 / 255.0f);
    EXPECT_FLOAT_EQ(sampleImage(image, 0.5f / 3, 0.75f, 1), 31 / 255.0f);
    // Halfway between texels: the mean; outside the picture: the edge texel.
    EXPECT_FLOAT_EQ(sampleImage(image, 1.0f / 3, 0.25f, 0), 7 / 255.0f);
    EXPECT_FLOAT_EQ(sampleImage(image, -2.0f, 5.0f, 2), 30 / 255.0f);
    EXPECT_FLOAT_EQ(sampleImage(image, 0.0f, 0.0f, 2), 0.0f);
}

TEST(Sampler, StripSelectorPicksAndWraps) {
    // Strip k shows band k: t at the band's top edge is 1 - 0.2/16 - k/16.1.
    auto stripOf = [](float progress) {
        float u, t;
        greetsUV(progress, 0.5f, 0.1f, &u, &t);
        EXPECT_FLOAT_EQ(u, 0.5f);
        return int(std::lround((1.0f - 0.2f / 16 - t) * 16.1f));
    };
    EXPECT_EQ(stripOf(0.0f), 0);
    EXPECT_EQ(stripOf(1.0f), 0);
    EXPECT_EQ(stripOf(2.0f), 0);
    EXPECT_EQ(stripOf(0.999f), 15);
    EXPECT_EQ(stripOf(-1.0f / 16), 15);
    EXPECT_EQ(stripOf(5.5f / 16), 5);
    // Going down the screen, t falls from the band's top edge to its bottom edge and stays.
    float u, top, bottom, below;
    greetsUV(0.0f, 0.5f, 0.475f, &u, &top);
    greetsUV(0.0f, 0.5f, 0.55f, &u, &bottom);
    greetsUV(0.0f, 0.5f, 0.9f, &u, &below);
    EXPECT_GT(top, bottom);
    EXPECT_FLOAT_EQ(bottom, below);
}

TEST(Assets, TheBuildWritesTheToolsPictures) {
    Image greets, logo, built;
    ASSERT_EQ(makeGreetings(FONT_BOLD, FONT_REGULAR, defaultGreetings(), &greets), 0);
    ASSERT_EQ(makeLogo(FONT_BOLD, FONT_REGULAR, &logo), 0);
    ASSERT_EQ(readTga(BRUMELT_DEMO_DIR "/assets/greets.tga", &built), 0);
    EXPECT_EQ(built.width, greets.width);
    EXPECT_EQ(built.height, greets.height);
    EXPECT_TRUE(built.bgra == greets.bgra);
    ASSERT_EQ(readTga(BRUMELT_DEMO_DIR "/assets/qrv.tga", &built), 0);
    EXPECT_EQ(built.width, logo.width);
    EXPECT_TRUE(built.bgra == logo.bgra);
}
