// The row and position grammar of the data files and the studio, and the events file with the
// timeline built from it.
#include "formats/music_events.h"
#include "formats/rows.h"

#include <gtest/gtest.h>

namespace {

const char* const twoSections = "0 section intro\n"
                                "# hits\n"
                                "\n"
                                "64 section main\n"
                                "64 kick\n"
                                "72 kick\n"
                                "73 kick\n"
                                "96 kick\n"
                                "128 end\n";

std::vector<MusicEvent> events(const char* text) {
    std::vector<MusicEvent> list;
    std::string error;
    EXPECT_EQ(parseMusicEvents("ev", text, &list, &error), 0) << error;
    return list;
}

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

} // namespace
