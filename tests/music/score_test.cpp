#include "render.h"
#include "score.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const smallScore = R"(# two sections
tempo 165
instrument kick kick
  event kick
instrument lead synth
  osc square
  amp 0 0.1 0.5 0.05
pattern beat 1
  kick x . . . o . . . x . . . x:3 . . .
pattern tune 2 step 8
  lead c4 - e4+g4 . | a3 - . .
section one 2
  play beat tune
  ramp lead cutoff 100 400
section two 3
  transpose 12
  play beat@2 tune
  fade
)";

int parse(const std::string& text, Score& score, std::string& error) {
    return parseScore(text.data(), text.size(), "t.score", score, error);
}

} // namespace

TEST(ScoreParser, ReadsInstrumentsPatternsAndSections) {
    Score score;
    std::string error;
    ASSERT_EQ(parse(smallScore, score, error), 0) << error;
    ASSERT_EQ(score.instruments.size(), 2u);
    EXPECT_EQ(score.instruments[0].kind, VoiceKind::Kick);
    EXPECT_EQ(score.instruments[0].event, "kick");
    EXPECT_EQ(score.instruments[1].wave, Wave::Square);
    ASSERT_EQ(score.sections.size(), 2u);
    EXPECT_EQ(score.sections[1].startRow, 64);
    EXPECT_EQ(score.totalRows, 160);
    EXPECT_DOUBLE_EQ(rowSeconds(score, 22.0), 1.0);

    const Pattern& tune = score.patterns[1];
    EXPECT_EQ(tune.rows, 64);
    // c4 held for two steps, then a chord of two, then a3 held for two steps in the next bar.
    ASSERT_EQ(tune.notes.size(), 4u);
    EXPECT_EQ(tune.notes[0].pitch, 60.0f);
    EXPECT_EQ(tune.notes[0].length, 16);
    EXPECT_EQ(tune.notes[1].row, 16);
    EXPECT_EQ(tune.notes[2].pitch, 67.0f);
    EXPECT_EQ(tune.notes[3].row, 32);
    EXPECT_EQ(tune.notes[3].length, 16);
}

TEST(ScoreParser, ArrangesLoopsOneShotsTransposeAndRamps) {
    Score score;
    std::string error;
    ASSERT_EQ(parse(smallScore, score, error), 0) << error;
    const std::vector<Note> notes = arrangeScore(score);
    std::vector<int> kicks;
    std::vector<const Note*> leads;
    for (const Note& n : notes) {
        if (n.instrument == 0)
            kicks.push_back(n.row);
        else
            leads.push_back(&n);
    }
    // Section one loops the one-bar beat twice; section two plays it once, in its second bar.
    EXPECT_EQ(kicks, (std::vector<int>{0, 8, 16, 24, 32, 40, 48, 56, 96, 104, 112, 120}));
    // Once in section one; in section two twice, the second pass cut at the section's end.
    ASSERT_EQ(leads.size(), 4u + 4u + 3u);
    EXPECT_FLOAT_EQ(leads[0]->cutoff, 100.0f);
    EXPECT_FLOAT_EQ(leads[3]->cutoff, 200.0f); // halfway through the section, in pitch
    EXPECT_EQ(leads[4]->pitch, 72.0f);
    EXPECT_EQ(leads[4]->row, 64);
    EXPECT_EQ(leads.back()->row, 144);
    EXPECT_EQ(leads.back()->pitch, 79.0f);
    EXPECT_NEAR(notes[2].velocity, 0.5f, 1e-6);        // the 'o' at row 8
    EXPECT_NEAR(notes[6].velocity, 3.0f / 9.0f, 1e-6); // the 'x:3' at row 24
}

TEST(ScoreParser, EventFileListsSectionsAndNamedHits) {
    Score score;
    std::string error;
    ASSERT_EQ(parse(smallScore, score, error), 0) << error;
    const std::string text = eventText(score);
    EXPECT_EQ(text.substr(0, 34), "0 section one\n0 kick\n8 kick\n16 kic");
    EXPECT_NE(text.find("\n64 section two\n96 kick\n104 kick\n112 kick\n120 kick\n160 end\n"),
              std::string::npos)
        << text;
}

TEST(ScoreParser, ReportsErrorsWithTheirLine) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"tempo 165\nbogus 1\n", "t.score:2: unknown keyword 'bogus'"},
        {"tempo fast\n", "t.score:1: 'fast' is not a number"},
        {"tempo 1000\n", "t.score:1: 1000 is out of range 40..300"},
        {"instrument a synth\n  osc triangle\n", "t.score:2: unknown wave 'triangle'"},
        {"instrument a synth\ninstrument a kick\n", "t.score:2: instrument 'a' is defined twice"},
        {"instrument a drum\n", "t.score:1: unknown instrument kind 'drum'"},
        {"instrument section synth\n", "t.score:1: 'section' is a keyword"},
        {"instrument a synth\n  amp 1 2 3\n", "t.score:2: usage: amp ATTACK DECAY SUSTAIN RELEASE"},
        {"instrument a synth\n  amp 0 0 2 0\n", "t.score:2: 2 is out of range 0..1"},
        {"instrument a synth\npattern p 1 step 4\n  a c4 - - - - - - -\n  b x\n",
         "t.score:4: unknown instrument 'b'"},
        {"instrument a synth\npattern p 1 step 4\n  a c4 - - -\nsection s 1\n  play p\n",
         "t.score:3: lane 'a' has 4 steps, the pattern needs 8"},
        {"instrument a synth\npattern p 1 step 16\n  a c4 d4 e4\n",
         "t.score:3: lane 'a' has more than 2"},
        {"instrument a synth\npattern p 1 step 16\n  a - c4\n", "t.score:3: '-' holds no note"},
        {"instrument a synth\npattern p 1 step 16\n  a x .\n", "t.score:3: 'x' is a drum hit"},
        {"instrument a synth\npattern p 1 step 16\n  a h4 .\n", "t.score:3: 'h4' is not a note"},
        {"instrument a synth\npattern p 1 step 16\n  a c4:0 .\n", "t.score:3: velocity in 'c4:0'"},
        {"instrument a synth\npattern p 1 step 3\n", "t.score:2: step must divide"},
        {"section s 2\n  play nothing\n", "t.score:2: unknown pattern 'nothing'"},
        {"pattern p 1\nsection s 2\n  play p@3\n", "t.score:3: 3 is out of range 1..2"},
        {"section s 2\n  ramp x cutoff 1 2\n", "t.score:2: unknown instrument 'x'"},
        {"section s 2\n  loop\n", "t.score:2: unknown section setting 'loop'"},
        {"tempo 165\n", "t.score:1: the score has no sections"},
        {"tempo 40\nsection s 700\n", "t.score:2: the piece is longer than 15 minutes"},
        {"tempo 165\n\x01\n", "t.score:2: control character"},
    };
    for (const auto& c : cases) {
        Score score;
        std::string error;
        EXPECT_NE(parse(c.text, score, error), 0) << c.text;
        EXPECT_EQ(error.rfind(c.expected, 0), 0u) << "got: " << error << "\nfor: " << c.text;
    }
}

TEST(ScoreParser, AcceptsCommentsBlankLinesAndWindowsLineEnds) {
    Score score;
    std::string error;
    const std::string text =
        "# head\r\n\r\ninstrument k kick # kick drum\r\npattern p 1 step 32\r\n"
        "  k x\r\nsection s 1\r\n  play p\r\n";
    ASSERT_EQ(parse(text, score, error), 0) << error;
    EXPECT_EQ(arrangeScore(score).size(), 1u);
}

TEST(ScoreParser, MissingFileIsReported) {
    Score score;
    std::string error;
    EXPECT_NE(loadScore("/nonexistent/x.score", score, error), 0);
    EXPECT_EQ(error.rfind("/nonexistent/x.score:0: cannot open", 0), 0u) << error;
}
