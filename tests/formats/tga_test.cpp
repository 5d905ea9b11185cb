// Parsing image files, without GL.
#include "formats/tga.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

// A 32-bit uncompressed image of width x height whose pixel bytes count up from 0, with an
// optional image ID and colour map before them.
static std::vector<uint8_t> tgaFile(int width, int height, int idLength = 0,
                                    int colourMapEntries = 0) {
    std::vector<uint8_t> file(18, 0);
    file[0] = uint8_t(idLength);
    file[1] = colourMapEntries > 0 ? 1 : 0;
    file[2] = 2;
    file[5] = uint8_t(colourMapEntries);
    file[6] = uint8_t(colourMapEntries >> 8);
    file[7] = colourMapEntries > 0 ? 24 : 0;
    file[12] = uint8_t(width);
    file[13] = uint8_t(width >> 8);
    file[14] = uint8_t(height);
    file[15] = uint8_t(height >> 8);
    file[16] = 32;
    file.insert(file.end(), size_t(idLength) + size_t(colourMapEntries) * 3, 0xEE);
    for (int i = 0; i < width * height * 4; ++i)
        file.push_back(uint8_t(i));
    return file;
}

static const char* parse(const std::vector<uint8_t>& file, TgaImage* image) {
    return parseTga(file.data(), file.size(), image);
}

TEST(TgaParser, ReadsPixelsInStoredOrder) {
    TgaImage image{};
    std::vector<uint8_t> file = tgaFile(3, 2);
    ASSERT_EQ(parse(file, &image), nullptr);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels, file.data() + 18);

    // Marked as stored top first: the rows still come back as stored.
    file[17] = 0x28;
    ASSERT_EQ(parse(file, &image), nullptr);
    EXPECT_EQ(image.pixels, file.data() + 18);
    EXPECT_EQ(image.pixels[0], 0);
    EXPECT_EQ(image.pixels[12], 12);
}

TEST(TgaParser, SkipsTheImageIdAndColourMap) {
    TgaImage image{};
    std::vector<uint8_t> withId = tgaFile(2, 2, 7);
    ASSERT_EQ(parse(withId, &image), nullptr);
    EXPECT_EQ(image.pixels, withId.data() + 18 + 7);
    EXPECT_EQ(image.pixels[0], 0);

    std::vector<uint8_t> withMap = tgaFile(2, 2, 3, 5);
    ASSERT_EQ(parse(withMap, &image), nullptr);
    EXPECT_EQ(image.pixels, withMap.data() + 18 + 3 + 15);
    EXPECT_EQ(image.pixels[15], 15);
}

TEST(TgaParser, RejectsWhatItCannotShow) {
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    std::vector<uint8_t> cutHeader = tgaFile(1, 1);
    cutHeader.resize(17);
    cases.push_back({"header cut short", cutHeader});
    std::vector<uint8_t> shortPixels = tgaFile(4, 4);
    shortPixels.pop_back();
    cases.push_back({"one pixel byte missing", shortPixels});
    std::vector<uint8_t> shortAfterId = tgaFile(2, 2, 9);
    shortAfterId.resize(18 + 2 * 2 * 4); // enough bytes only if the ID were not there
    cases.push_back({"pixels cut short behind an ID", shortAfterId});
    std::vector<uint8_t> rle = tgaFile(2, 2);
    rle[2] = 10;
    cases.push_back({"run-length encoded", rle});
    std::vector<uint8_t> depth24 = tgaFile(2, 2);
    depth24[16] = 24;
    cases.push_back({"24 bits a pixel", depth24});
    std::vector<uint8_t> zeroWidth = tgaFile(0, 3);
    cases.push_back({"zero width", zeroWidth});
    std::vector<uint8_t> negativeHeight = tgaFile(2, 2);
    negativeHeight[15] = 0xFF; // height -254 as a signed 16-bit value
    cases.push_back({"negative height", negativeHeight});
    std::vector<uint8_t> huge = tgaFile(1, 1);
    huge[12] = huge[14] = 0xFF;
    huge[13] = huge[15] = 0x7F; // 32767 x 32767 x 4 bytes overflows int32
    cases.push_back({"byte count past int32", huge});
    std::vector<uint8_t> badMapType = tgaFile(1, 1);
    badMapType[1] = 9;
    cases.push_back({"unknown colour-map type", badMapType});

    for (const Case& c : cases) {
        TgaImage image{7, 7, nullptr};
        const char* problem = parse(c.file, &image);
        ASSERT_NE(problem, nullptr) << c.what;
        EXPECT_FALSE(std::string(problem).empty()) << c.what;
        EXPECT_EQ(image.width, 7) << c.what;
        EXPECT_EQ(image.pixels, nullptr) << c.what;
    }
}

TEST(TgaParser, AcceptsTheLargestSizeThatFits) {
    // 32767 x 16383 x 4 is just under 2^31 bytes: only the header is needed to reject it as
    // short, which proves the size itself passed.
    std::vector<uint8_t> header = tgaFile(1, 1);
    header.resize(18);
    header[12] = 0xFF;
    header[13] = 0x7F;
    header[14] = 0xFF;
    header[15] = 0x3F;
    TgaImage image{};
    EXPECT_STREQ(parse(header, &image), "file shorter than its header promises");
}

TEST(TgaWriter, WritesWhatTheParserReadsBack) {
    const std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6, 7, 8};
    for (bool top : {false, true}) {
        const std::string file = encodeTga(2, 1, pixels.data(), top);
        TgaImage image{};
        ASSERT_EQ(parseTga(reinterpret_cast<const uint8_t*>(file.data()), file.size(), &image),
                  nullptr);
        EXPECT_EQ(image.width, 2);
        EXPECT_EQ(image.height, 1);
        EXPECT_EQ(image.firstRowIsTop, top);
        EXPECT_EQ(std::vector<uint8_t>(image.pixels, image.pixels + 8), pixels);
    }
    // Sides the header cannot hold give nothing.
    for (auto [width, height] : {std::pair{0, 1}, {1, -1}, {32768, 1}})
        EXPECT_TRUE(encodeTga(width, height, pixels.data(), false).empty()) << width;
}
