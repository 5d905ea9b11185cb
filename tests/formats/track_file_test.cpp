// Track files as bytes: what the checker reports about them.
#include "formats/track_file.h"
#include "support/track_files.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(TrackFileCheck, ReportsLengthCountAndKeyProblems) {
    const std::string example("\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x80\x3f\x01", 13);
    struct Case {
        std::string bytes;
        const char* expected; // the first message, or null for a clean file
    };
    const Case cases[] = {
        {example, nullptr},
        {trackFileBytes({}), nullptr},
        {"", "k.track: empty file"},
        {std::string("\x01\x00", 2), "k.track: only 2 bytes"},
        {example + "x", "k.track: 1 trailing byte after the last of 1 keys"},
        {trackFileBytes({{0, 1, 1}, {1, 1, 1}}, 3), "k.track: truncated: the count announces 3 "
                                                    "keys, the file holds 2 complete keys"},
        {trackFileBytes({{0, 1, 1}}, 2) + "abc", "k.track: truncated: the count announces 2 keys, "
                                                 "the file holds 1 complete key and a cut one"},
        {trackFileBytes({{0, 1, 1}}, uint32_t(-7)), "k.track: key count -7 is negative"},
        {trackFileBytes({{0, 1, 1}, {0, 2, 1}}), "k.track: key 1 at byte 13: repeated row 0"},
        {trackFileBytes({{3, 1, 1}, {2, 2, 1}}), "k.track: key 1 at byte 13: rows not ascending"},
        {trackFileBytes({{0, 1, 0x80}, {1, 1, 1}}),
         "k.track: key 0 at byte 12: unknown interpolation code -128"},
        {trackFileBytes({{0, INFINITY, 1}}), "k.track: key 0 at byte 8: value inf is not a finite"},
    };
    for (const Case& c : cases) {
        Diagnostics diagnostics;
        int32_t problems = checkTrackFile("k.track", c.bytes, &diagnostics);
        if (!c.expected) {
            EXPECT_EQ(problems, 0) << diagnostics.messages[0];
            continue;
        }
        ASSERT_GT(problems, 0) << c.expected;
        EXPECT_EQ(diagnostics.messages[0].rfind(c.expected, 0), 0u)
            << "gave: " << diagnostics.messages[0];
    }
}

} // namespace
