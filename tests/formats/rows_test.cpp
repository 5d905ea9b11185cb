// The row and position grammar of the data files and the studio, and the events file with the
// timeline built from it.
#include "formats/music_events.h"
#include "formats/rows.h"
#include "support/music_events.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

Timeline twoSectionTimeline() {
    return timelineOfEvents(events("0 section intro\n64 kick\n64 section main\n160 end\n"));
}

TEST(MusicEvents, ReadsSectionsHitsAndEnd) {
    std::vector<MusicEvent> list = events(twoSections);
    ASSERT_EQ(list.size(), 7u);
    EXPECT_EQ(list[1].row, 64);
    EXPECT_EQ(list[1].name, "section");
    EXPECT_EQ(list[1].arg, "main");
    EXPECT_EQ(list[6].name, "end");
    EXPECT_TRUE(events("").empty());
    EXPECT_EQ(events("10 kick\r\n12 kick").size(), 2u); // CR LF, no final newline
}

TEST(MusicEvents, RejectsMalformedFilesNamingTheLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"0 section a\n8 kick\n4 kick\n", "ev:3: row 4 comes before"},
        {"0 section\n", "ev:1: expected 'ROW section NAME'"},
        {"0 section a\n9 section a\n", "ev:2: section 'a' appears twice"},
        {"x kick\n", "ev:1: 'x' is not a row"},
        {"1\n", "ev:1: an event needs a name"},
        {"1 kick a b\n", "ev:1: too many words"},
        {"1 kick\f\n", "ev:1: control character"},
    };
    for (const auto& [text, start] : cases) {
        std::vector<MusicEvent> list;
        std::string error;
        EXPECT_EQ(parseMusicEvents("ev", text, &list, &error), 1) << text;
        EXPECT_EQ(error.rfind(start, 0), 0u) << error;
    }
    std::vector<MusicEvent> list;
    std::string error;
    EXPECT_EQ(parseMusicEvents("ev", std::string("1 kick\n\0", 8), &list, &error), 1);
    EXPECT_NE(error.find("NUL"), std::string::npos);
}

TEST(Positions, TypedInTheStudio) {
    const Timeline t = twoSectionTimeline();
    double row = -1.0;
    std::string error;
    const struct {
        const char* text;
        double row;
    } good[] = {{"880", 880.0}, {"880.5", 880.5},     {"27:2:5", 27 * 32 + 16 + 5},
                {"main", 64.0}, {"main+1:0:0", 96.0}, {"main-8", 56.0},
                {"end", 160.0}, {"intro-4", 0.0}};
    for (const auto& g : good) {
        EXPECT_EQ(parsePosition(g.text, t, &row, &error), 0) << g.text << ": " << error;
        EXPECT_EQ(row, g.row) << g.text;
    }
    for (const char* bad : {"", "0:4:0", "0:0:8", "1:2", "fade", "main+x", "-3", "1e3", "nan"})
        EXPECT_EQ(parsePosition(bad, t, &row, &error), 1) << bad;
    EXPECT_EQ(formatPosition(27 * 32 + 16 + 5.75), "27:2:5");
    EXPECT_EQ(formatPosition(0.0), "0:0:0");
}

TEST(Rows, EachReaderKeepsItsOwnLimits) {
    // Integer rows (track sources, events): a sign, at most 12 digits, within int32.
    int32_t row = 0;
    const std::pair<const char*, int32_t> whole[] = {
        {"+5", 5}, {"-2147483648", INT32_MIN}, {"000000000007", 7}, {"67108863:3:7", INT32_MAX}};
    for (const auto& [text, expected] : whole) {
        EXPECT_EQ(parseRow(text, &row), 0) << text;
        EXPECT_EQ(row, expected) << text;
    }
    for (const char* bad : {"", "-", "-2147483649", "0000000000007", "67108864:0:0", "1:2:3:4",
                            "1:2:", "1.5", "+1:0:0"})
        EXPECT_EQ(parseRow(bad, &row), 1) << bad;

    // The studio's rows: unsigned, fractions allowed, BAR:BEAT:ROW parts of at most 9 digits.
    double at = -1.0;
    const std::pair<const char*, double> fractional[] = {
        {".5", 0.5}, {"5.", 5.0}, {"999999999:3:7", 999999999.0 * 32 + 31}};
    for (const auto& [text, expected] : fractional) {
        EXPECT_TRUE(parseFractionalRow(text, &at)) << text;
        EXPECT_EQ(at, expected) << text;
    }
    for (const std::string& bad : {std::string("1..2"), std::string("+5"), std::string("."),
                                   std::string("1000000000:0:0"), std::string("12\0", 3)})
        EXPECT_FALSE(parseFractionalRow(bad, &at)) << bad;

    EXPECT_EQ(formatPosition(-0.5), "-0:0:1");
    EXPECT_EQ(formatPosition(-33.0), "-1:0:1");
}

TEST(Positions, TheShowAndTheStudioReadNamesTheirOwnWay) {
    // A section named "end", one before row 0, and the music's end.
    const Timeline t =
        timelineOfEvents(events("-8 section pre\n0 section intro\n64 section end\n100 end\n"));
    int32_t key = 0;
    double position = -1.0;
    std::string why;
    auto keyRow = [&](const char* text) {
        EXPECT_EQ(parseKeyRow(t, text, &key, &why), 0) << text << ": " << why;
        return key;
    };
    auto typed = [&](const char* text) {
        EXPECT_EQ(parsePosition(text, t, &position, &why), 0) << text << ": " << why;
        return position;
    };
    // The show's "end" is the music's end; the studio's is the section first.
    EXPECT_EQ(keyRow("end"), 100);
    EXPECT_EQ(typed("end"), 64.0);
    // The show keeps rows below 0 and signed plain rows; the studio clamps or refuses them.
    EXPECT_EQ(keyRow("intro-8"), -8);
    EXPECT_EQ(typed("intro-8"), 0.0);
    EXPECT_EQ(keyRow("pre"), -8);
    EXPECT_EQ(parsePosition("pre", t, &position, &why), 1);
    EXPECT_EQ(keyRow("+3"), 3);
    EXPECT_EQ(parsePosition("+3", t, &position, &why), 1);
    // Only the studio takes fractions.
    EXPECT_EQ(typed("intro+1.5"), 1.5);
    EXPECT_EQ(parseKeyRow(t, "intro+1.5", &key, &why), 1);
    EXPECT_EQ(why, "'intro+1.5' is not SECTION, SECTION+OFFSET or SECTION-OFFSET");
}

TEST(Timeline, SectionsRunToTheNextOrToTheEnd) {
    Timeline t = timelineOfEvents(events(twoSections));
    ASSERT_EQ(t.sections.size(), 2u);
    EXPECT_EQ(t.sections[0].end, 64);
    EXPECT_EQ(t.sections[1].end, 128);
    EXPECT_EQ(sectionAt(t, -1.0), nullptr);
    EXPECT_EQ(findSection(t, "main"), &t.sections[1]);
    // The first end counts; without one the piece ends a row after its last event.
    t = timelineOfEvents(events("0 section a\n40 end\n50 end\n"));
    EXPECT_EQ(t.endRow, 40);
    EXPECT_EQ(t.sections[0].end, 40);
    t = timelineOfEvents(events("0 section a\n40 kick\n"));
    EXPECT_FALSE(t.hasEnd);
    EXPECT_EQ(t.endRow, -1);
    EXPECT_EQ(t.sections[0].end, 41);
}

} // namespace
