// Music events for tests: a two-section piece with kicks, and events parsed from text.
#pragma once
#include "formats/music_events.h"

#include <gtest/gtest.h>

// Intro from row 0, main from 64 with kicks at 64, 72, 73 and 96, the end at 128.
inline const char* const twoSections = "0 section intro\n"
                                       "# hits\n"
                                       "\n"
                                       "64 section main\n"
                                       "64 kick\n"
                                       "72 kick\n"
                                       "73 kick\n"
                                       "96 kick\n"
                                       "128 end\n";

// The events of the text, which must parse ("ev" names it in failures).
inline std::vector<MusicEvent> events(const char* text) {
    std::vector<MusicEvent> list;
    std::string error;
    EXPECT_EQ(parseMusicEvents("ev", text, &list, &error), 0) << error;
    return list;
}
