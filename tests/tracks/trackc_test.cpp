#include "support/demo_folder.h"
#include "support/process.h"
#include "support/track_files.h"
#include "trackc.h"
#include "tracks/tracks_internal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>

namespace {

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Strictly ascending rows, finite values of every sort (whole, tiny, subnormal, huge, -0), all
// four kinds.
std::vector<TrackKey> randomTrack(std::mt19937& random) {
    std::vector<TrackKey> keys(random() % 20);
    // Room above the first row for every key, so that the rows stay distinct and ascending.
    int64_t row = int64_t(int32_t(random())) / (random() % 2 ? 1 : 65536);
    if (row > INT32_MAX - 2000) row -= 2000;
    for (TrackKey& k : keys) {
        float value;
        do {
            uint32_t bits = uint32_t(random());
            switch (random() % 4) {
            case 0:
                value = float(int32_t(random() % 2001) - 1000) / 16.0f;
                break;
            case 1:
                bits &= 0x807fffffu;
                [[fallthrough]]; // subnormals and zeros
            default:
                std::memcpy(&value, &bits, sizeof value);
            }
        } while (!std::isfinite(value));
        k = {int32_t(row), value, int32_t(random() % 4)};
        row += 1 + random() % 100;
    }
    return keys;
}

void expectSameKeys(const std::vector<TrackKey>& expected, const SourceTrack& got) {
    ASSERT_EQ(got.keys.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(got.keys[i].key.row, expected[i].row) << "key " << i;
        EXPECT_TRUE(sameBits(got.keys[i].key.value, expected[i].value)) << "key " << i;
        EXPECT_EQ(got.keys[i].key.interpolation, expected[i].interpolation) << "key " << i;
    }
}

TEST(TrackText, PrintedTracksParseBackBitForBit) {
    std::mt19937 random(165);
    for (int trial = 0; trial < 400; ++trial) {
        std::vector<TrackKey> keys = randomTrack(random);
        bool bars = trial % 2;
        std::string text = printTrackText("uTrack.x", keys.data(), int32_t(keys.size()), bars);
        TrackSource source;
        Diagnostics diagnostics;
        ASSERT_EQ(parseTrackSource("t.txt", text.data(), text.size(), &source, &diagnostics), 0)
            << text << (diagnostics.messages.empty() ? "" : diagnostics.messages[0]);
        ASSERT_EQ(source.tracks.size(), 1u);
        EXPECT_EQ(source.tracks[0].name, "uTrack.x");
        expectSameKeys(keys, source.tracks[0]);
        if (testing::Test::HasFailure()) FAIL() << text;
    }
}

// A binary file, loaded as the demo loads it and printed, builds back to the same bytes.
TEST(TrackText, DumpedFilesBuildBackToTheSameBytes) {
    TempFolder folder;
    std::mt19937 random(22);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<TrackKey> keys = randomTrack(random);
        std::string bytes = trackFileBytes(keys);
        std::string path = folder.file("sync_t.track");
        writeFileBytes(path, bytes);
        Track track{};
        ASSERT_EQ(loadTrackFile(&track, path.c_str()), 0);
        std::string text = printTrackText("t", track.keys, track.keyCount, trial % 2);
        std::free(track.keys);
        TrackSource source;
        Diagnostics diagnostics;
        ASSERT_EQ(parseTrackSource("t.txt", text.data(), text.size(), &source, &diagnostics), 0)
            << text;
        std::vector<TrackKey> parsed;
        for (const SourceKey& k : source.tracks[0].keys)
            parsed.push_back(k.key);
        ASSERT_EQ(encodeTrackFile(parsed.data(), int32_t(parsed.size())), bytes) << text;
    }
}

TEST(TrackText, ReadsEveryRowAndValueNotation) {
    const char text[] = "# header\r\n"
                        "track a   # trailing comment\r\n"
                        "  -5\t0x1p-3   constant\n"
                        "0:0:0 -0 linear\n"
                        "1:2:7 1e-45 smooth\n"
                        "2147483647 +3.5 quadratic\n"
                        "track b\n"
                        "\n"
                        "track c\n"
                        "0 1 2";
    TrackSource source;
    Diagnostics diagnostics;
    ASSERT_EQ(parseTrackSource("t.txt", text, sizeof text - 1, &source, &diagnostics), 0)
        << diagnostics.messages[0];
    ASSERT_EQ(source.tracks.size(), 3u);
    expectSameKeys({{-5, 0.125f, 0}, {0, -0.0f, 1}, {32 + 16 + 7, 1e-45f, 2}, {INT32_MAX, 3.5f, 3}},
                   source.tracks[0]);
    EXPECT_EQ(source.tracks[0].keys[2].line, 5);
    EXPECT_TRUE(source.tracks[1].keys.empty());
    expectSameKeys({{0, 1.0f, Smooth}}, source.tracks[2]);
}

TEST(TrackText, ReportsEachProblemWithItsLine) {
    struct Case {
        const char* text;
        const char* expected; // the start of the first message
    };
    const Case cases[] = {
        {"0 1 linear\n", "f.txt:1: key before the first"},
        {"track a\n0 1 lineer\n", "f.txt:2: unknown interpolation 'lineer'"},
        {"track a\n0 1 Linear\n", "f.txt:2: unknown interpolation 'Linear'"},
        {"track a\n0 1 4\n", "f.txt:2: unknown interpolation code 4"},
        {"track a\n0 1 -128\n", "f.txt:2: unknown interpolation code -128"},
        {"track a\n0 nan linear\n", "f.txt:2: value nan is not a finite number"},
        {"track a\n0 -inf linear\n", "f.txt:2: value -inf is not a finite number"},
        {"track a\n0 1e39 linear\n", "f.txt:2: value '1e39' is beyond the float range"},
        {"track a\n0 1.5x linear\n", "f.txt:2: value '1.5x' is not a number"},
        {"track a\n\n5 1 linear\n4 1 linear\n", "f.txt:4: rows not ascending: row 4 comes after "
                                                "row 5 (line 3)"},
        {"track a\n5 1 linear\n5 2 linear\n", "f.txt:3: repeated row 5 (also on line 2)"},
        {"track a\n2147483648 1 linear\n", "f.txt:2: row '2147483648' is neither"},
        {"track a\n1:4:0 1 linear\n", "f.txt:2: row '1:4:0' is neither"},
        {"track a\n1:0:8 1 linear\n", "f.txt:2: row '1:0:8' is neither"},
        {"track a\n-1:0:0 1 linear\n", "f.txt:2: row '-1:0:0' is neither"},
        {"track a\n0 1\n", "f.txt:2: expected 'ROW VALUE INTERPOLATION'"},
        {"track a\n0 1 linear extra\n", "f.txt:2: expected 'ROW VALUE INTERPOLATION'"},
        {"track\n", "f.txt:1: expected 'track NAME'"},
        {"track a b\n", "f.txt:1: expected 'track NAME'"},
        {"track a/b\n", "f.txt:1: track name 'a/b' may not contain '/'"},
        {"track a\ntrack a\n", "f.txt:2: track 'a' is already defined on line 1"},
        {"track a\n0 1\x01 linear\n", "f.txt:2: control character"},
    };
    for (const Case& c : cases) {
        TrackSource source;
        Diagnostics diagnostics;
        EXPECT_GT(parseTrackSource("f.txt", c.text, std::strlen(c.text), &source, &diagnostics), 0)
            << c.text;
        ASSERT_FALSE(diagnostics.messages.empty()) << c.text;
        EXPECT_EQ(diagnostics.messages[0].rfind(c.expected, 0), 0u)
            << c.text << "gave: " << diagnostics.messages[0];
    }
    // A NUL byte is just another control character, and the lines after it are still read.
    const char withNul[] = "track a\n0 1\0 linear\n1 2 3 4\n";
    TrackSource source;
    Diagnostics diagnostics;
    EXPECT_EQ(parseTrackSource("f.txt", withNul, sizeof withNul - 1, &source, &diagnostics), 2);
}

TEST(TrackText, KeepsOnlyTheFirstMessagesButCountsAll) {
    std::string text = "track a\n";
    for (int i = 0; i < 500; ++i)
        text += "x 1 linear\n";
    TrackSource source;
    Diagnostics diagnostics;
    EXPECT_EQ(parseTrackSource("f.txt", text.data(), text.size(), &source, &diagnostics), 500);
    EXPECT_EQ(int32_t(diagnostics.messages.size()), diagnostics.limit);
}

// The command itself, run as a demo maker runs it.
struct TrackcCommand : ::testing::Test {
    TempFolder folder;
    std::string out, err;

    int run(const std::string& arguments) {
        std::string rc = shellOutput("cd '" + folder.path +
                                     "' && '" BRUMELT_BINARY_DIR "/tools/trackc/trackc' " +
                                     arguments + " >out.txt 2>err.txt; echo $?");
        out = readFileBytes(folder.file("out.txt"));
        err = readFileBytes(folder.file("err.txt"));
        return std::atoi(rc.c_str());
    }
};

TEST_F(TrackcCommand, BuildThenDumpGivesBackTheSource) {
    const std::string source = "track uBass\n"
                               "0 0 linear\n"
                               "32 1.5 smooth\n"
                               "52 -0.1 quadratic\n"
                               "100 3 constant\n"
                               "\n"
                               "track uBoxSize.x\n"
                               "0 0.25 constant\n";
    writeFileBytes(folder.file("show.txt"), source);
    ASSERT_EQ(run("build show.txt --prefix sync"), 0) << err;
    EXPECT_EQ(readFileBytes(folder.file("sync_uBoxSize.x.track")).size(), 13u);
    ASSERT_EQ(run("dump sync_uBass.track sync_uBoxSize.x.track"), 0) << err;
    EXPECT_EQ(out, source);
    EXPECT_EQ(run("check show.txt sync_uBass.track"), 0) << err;

    ASSERT_EQ(run("eval sync_uBass.track -1 16 1:0:0 42.5 nan"), 0) << err;
    EXPECT_EQ(out, "-1 0\n16 0.75\n32 1.5\n42.5 0.64005\nnan 0\n");
}

TEST_F(TrackcCommand, RefusesFaultySourcesAndFiles) {
    writeFileBytes(folder.file("bad.txt"), "track a\n0 1 linear\n0 2 linear\n");
    EXPECT_EQ(run("build bad.txt --prefix sync"), 1);
    EXPECT_NE(err.find("trackc: bad.txt:3: repeated row 0"), std::string::npos) << err;
    EXPECT_FALSE(std::ifstream(folder.file("sync_a.track")).good());
    EXPECT_EQ(run("check bad.txt"), 1);

    writeFileBytes(folder.file("cut.track"), trackFileBytes({{0, 1, 1}}, 2));
    EXPECT_EQ(run("check cut.track"), 1);
    EXPECT_NE(err.find("trackc: cut.track: truncated"), std::string::npos) << err;
    EXPECT_EQ(run("eval missing.track 0"), 1);
    EXPECT_NE(err.find("trackc: missing.track: cannot open"), std::string::npos) << err;

    EXPECT_EQ(run("eval cut.track"), 2);
    EXPECT_EQ(run("frobnicate"), 2);
    for (const char* command : {"build", "dump", "check", "eval"}) {
        EXPECT_EQ(run(std::string(command) + " --help"), 0) << command;
        EXPECT_EQ(out.rfind(std::string("usage: trackc ") + command, 0), 0u) << out;
    }
}

} // namespace
