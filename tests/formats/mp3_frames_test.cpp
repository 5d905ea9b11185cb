// The MP3 frame layout that frame-at-a-time decoders are fed from, checked against libmpg123's
// gapless decode of the same files (made at test time with lame), and over damaged copies.
#include "formats/mp3_frames.h"
#include "support/demo_folder.h"
#include "support/test_mp3.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>

static const int32_t synthesisDelay = 529;

class Mp3Frames : public ::testing::Test {
  protected:
    static inline TempFolder* folder = nullptr;

    static void SetUpTestSuite() {
        folder = new TempFolder;
        writeToneWav(folder->file("tone.wav"), 2.5, 440.0);
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }

    // Encodes the test tone with the given lame options; returns the file's bytes.
    static std::string encode(const std::string& name, const std::string& options) {
        std::string path = folder->file(name);
        std::string command =
            "lame --quiet " + options + " '" + folder->file("tone.wav") + "' '" + path + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return readFileBytes(path);
    }

    // Frames libmpg123 decodes from these bytes (gapless, at the file's own rate).
    static size_t mpg123Frames(const std::string& bytes) {
        std::string path = folder->file("probe.mp3");
        writeFileBytes(path, bytes);
        return decodeMp3(path).size() / 4;
    }

    // Scans a copy of exactly `bytes`' size, so that a read past its end is a heap overflow
    // (found in the sanitizer build).
    static const char* scan(const std::string& bytes, Mp3Layout* layout) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() + 1]);
        std::memcpy(copy.get(), bytes.data(), bytes.size());
        return mp3ScanFrames(copy.get(), bytes.size(), layout);
    }
};

// decodeMp3 asks libmpg123 for 44.1 kHz stereo, so the 22.05 kHz file is checked against the
// tone's own length instead.
TEST_F(Mp3Frames, GaplessWindowMatchesLibmpg123) {
    struct Case {
        const char* name;
        const char* options;
        int rate, channels;
        bool tagged;
    } cases[] = {
        {"cbr.mp3", "-b 160", 44100, 2, true},
        {"vbr.mp3", "-V 2", 44100, 2, true},
        {"mono.mp3", "-m m -b 64", 44100, 1, true},
        {"untagged.mp3", "-t -b 128", 44100, 2, false},
        {"id3.mp3", "-b 128 --add-id3v2 --tt title --ta artist", 44100, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = encode(c.name, c.options);
        Mp3Layout layout;
        ASSERT_EQ(scan(bytes, &layout), nullptr);
        EXPECT_EQ(layout.sampleRate, c.rate);
        EXPECT_EQ(layout.channels, c.channels);
        EXPECT_EQ(layout.encoderDelay >= 0, c.tagged);
        Mp3GaplessWindow window = mp3GaplessWindow(layout, synthesisDelay);
        EXPECT_EQ(size_t(window.length), mpg123Frames(bytes));
        if (c.tagged) {
            EXPECT_EQ(layout.taggedFrames, int64_t(layout.frames.size()));
            EXPECT_EQ(window.length, 110250) << "the tone's own length";
        }
    }

    std::string lowRate = encode("low.mp3", "--resample 22.05 -b 64");
    Mp3Layout layout;
    ASSERT_EQ(scan(lowRate, &layout), nullptr);
    EXPECT_EQ(layout.sampleRate, 22050);
    EXPECT_EQ(layout.samplesPerFrame, 576);
    EXPECT_EQ(mp3GaplessWindow(layout, synthesisDelay).length, 55125);
}

TEST_F(Mp3Frames, FileCutShortKeepsItsWholeFramesAsLibmpg123Does) {
    std::string bytes = encode("cut.mp3", "-b 160");
    Mp3Layout whole;
    ASSERT_EQ(scan(bytes, &whole), nullptr);
    for (size_t keep : {size_t(5000), bytes.size() / 3, bytes.size() / 2 + 77, bytes.size() - 1}) {
        SCOPED_TRACE(keep);
        std::string cut = bytes.substr(0, keep);
        Mp3Layout layout;
        ASSERT_EQ(scan(cut, &layout), nullptr);
        ASSERT_FALSE(layout.frames.empty());
        const Mp3FrameSpan& last = layout.frames.back();
        EXPECT_LE(last.offset + last.bytes, keep);
        EXPECT_LE(keep - (last.offset + last.bytes), last.bytes + 1)
            << "only the frame cut in two is lost";
        EXPECT_EQ(size_t(mp3GaplessWindow(layout, synthesisDelay).length), mpg123Frames(cut));
    }
}

TEST_F(Mp3Frames, NotMp3IsRefusedAndDamageNeverLeadsOutOfBounds) {
    std::mt19937 random(12);
    std::string noise(20000, '\0');
    for (char& c : noise)
        c = char(random());
    std::string id3Past = std::string("ID3\x04\x00\x00\x7f\x7f\x7f\x7f", 10) + "short";
    for (const std::string& bad :
         {std::string(), std::string(3000, '\0'), std::string(3000, '\xff'), noise, id3Past,
          std::string("\xff\xfb\x90\x64", 4)}) {
        Mp3Layout layout;
        EXPECT_NE(scan(bad, &layout), nullptr) << bad.size() << " bytes";
    }

    std::string bytes = encode("damage.mp3", "-V 4");
    for (int round = 0; round < 400; ++round) {
        std::string damaged = bytes;
        switch (round % 4) {
        case 0: // bytes overwritten here and there
            for (int i = 0; i < 1 + round % 23; ++i)
                damaged[random() % damaged.size()] = char(random());
            break;
        case 1: // a stretch of noise
            for (size_t at = random() % damaged.size(), n = random() % 2000;
                 n-- > 0 && at < damaged.size(); ++at)
                damaged[at] = char(random());
            break;
        case 2: // cut anywhere, the header included
            damaged.resize(random() % damaged.size());
            break;
        case 3: // a stretch removed
            damaged.erase(random() % damaged.size(), random() % 3000);
            break;
        }
        Mp3Layout layout;
        if (scan(damaged, &layout)) continue;
        Mp3GaplessWindow window = mp3GaplessWindow(layout, synthesisDelay);
        uint64_t previousEnd = 0;
        for (const Mp3FrameSpan& frame : layout.frames) {
            ASSERT_GE(frame.offset, previousEnd) << "round " << round;
            ASSERT_LE(uint64_t(frame.offset) + frame.bytes, damaged.size()) << "round " << round;
            ASSERT_EQ(uint8_t(damaged[frame.offset]), 0xff) << "round " << round;
            previousEnd = frame.offset + frame.bytes;
        }
        ASSERT_GE(window.skip, 0);
        ASSERT_GE(window.length, 0);
        ASSERT_LE(window.skip + window.length,
                  int64_t(layout.frames.size()) * layout.samplesPerFrame);
    }
}
