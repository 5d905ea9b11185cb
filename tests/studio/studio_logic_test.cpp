// The studio's logic without a window: moving the cursor, the command script, resolving the show
// in memory and seeing saves.
#include "choreo.h"
#include "render/uniform_bindings.h"
#include "score_render.h"
#include "script.h"
#include "shader_programs.h"
#include "show_tracks.h"
#include "support/demo_folder.h"
#include "tracks/tracks.h"
#include "tracks/tracks_internal.h"
#include "transport.h"
#include "watcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

namespace {

Timeline twoSectionTimeline() {
    std::vector<MusicEvent> events;
    std::string error;
    EXPECT_EQ(parseMusicEvents("ev", "0 section intro\n64 kick\n64 section main\n160 end\n",
                               &events, &error),
              0);
    return timelineOfEvents(events);
}

TEST(StudioTransport, StepsAlongBarsAndBeatsFromAnywhere) {
    EXPECT_EQ(stepGrid(0.0, 32, 1), 32.0);
    EXPECT_EQ(stepGrid(40.5, 32, 1), 64.0);
    EXPECT_EQ(stepGrid(40.5, 32, -1), 32.0);
    EXPECT_EQ(stepGrid(64.0, 32, -1), 32.0);      // on a line: the one before
    EXPECT_EQ(stepGrid(63.9999999, 32, 1), 96.0); // a clock a hair short of a line is on it
    EXPECT_EQ(stepGrid(12.0, 8, -2), 0.0);
    EXPECT_EQ(stepGrid(3.0, 32, -1), 0.0); // never below the start
}

TEST(StudioTransport, SectionsAndTheirStarts) {
    const Timeline t = twoSectionTimeline();
    ASSERT_EQ(t.sections.size(), 2u);
    EXPECT_EQ(t.endRow, 160);
    EXPECT_EQ(nextSectionStart(t, 0.0), 64.0);
    EXPECT_EQ(nextSectionStart(t, 64.0), 64.0); // no section after the last
    EXPECT_EQ(previousSectionStart(t, 100.0, 4.0), 64.0);
    EXPECT_EQ(previousSectionStart(t, 66.0, 4.0), 0.0); // just after a start: the one before
    EXPECT_EQ(sectionAt(t, 63.9)->name, "intro");
    EXPECT_EQ(sectionAt(t, 64.0)->name, "main");
}

TEST(StudioTransport, LoopJumpsBackOnlyAtItsEnd) {
    LoopRange loop{64.0, 96.0, true};
    EXPECT_EQ(loopJump(loop, 95.9), -1.0);
    EXPECT_EQ(loopJump(loop, 96.0), 64.0);
    EXPECT_EQ(loopJump(loop, 300.0), 64.0);
    loop.enabled = false;
    EXPECT_EQ(loopJump(loop, 300.0), -1.0);
    EXPECT_EQ(loopJump(LoopRange{96.0, 64.0, true}, 300.0), -1.0); // empty range: no loop
}

TEST(StudioScript, ReadsEveryCommandWithItsArguments) {
    const char* text = "# a check\n"
                       "seek main+4:0:0\n"
                       "play 10   # frames\n"
                       "edit show.tracks \"1.5 smooth\" \"2 \\\"x\\\"\\n\"\n"
                       "wait-reload\n"
                       "loop 64 main+32\n"
                       "loop off\n"
                       "scale 4\n"
                       "overlay off\n"
                       "expect-row 1 2.5\n"
                       "quit\n";
    std::vector<ScriptCommand> c;
    std::string error;
    ASSERT_EQ(parseScript("s", text, &c, &error), 0) << error;
    ASSERT_EQ(c.size(), 10u);
    EXPECT_EQ(c[0].op, scriptSeek);
    EXPECT_EQ(c[0].line, 2);
    EXPECT_EQ(c[0].args[0], "main+4:0:0");
    EXPECT_EQ(c[1].numbers[0], 10.0);
    EXPECT_EQ(c[2].args[1], "1.5 smooth");
    EXPECT_EQ(c[2].args[2], "2 \"x\"\n");
    EXPECT_EQ(c[3].numbers[0], 20.0); // the default limit
    EXPECT_EQ(c[4].op, scriptLoop);
    EXPECT_EQ(c[5].op, scriptLoopOff);
    EXPECT_EQ(c[6].numbers[0], 4.0);
    EXPECT_EQ(c[7].numbers[0], 0.0);
    EXPECT_EQ(c[8].numbers[1], 2.5);
}

TEST(StudioScript, NamesTheLineOfEachMistake) {
    const struct {
        const char* text;
        const char* error;
    } bad[] = {
        {"seek 0\njump 3\n", "s:2: unknown command 'jump'"},
        {"play\n", "s:1: play takes 1 argument(s), not 0"},
        {"play 2.5\n", "s:1: the frame count must be a whole number of at least 1"},
        {"frames ten\n", "s:1: 'ten' is not a number"},
        {"edit f \"abc\n", "s:1: quoted argument without its closing quote"},
        {"scale 3\n", "s:1: the scale is 1, 2 or 4 (the window size divided by it)"},
        {"loop 5\n", "s:1: loop takes START END, or off"},
        {"expect-row 5 1\n", "s:1: MIN is above MAX"},
    };
    for (const auto& b : bad) {
        std::vector<ScriptCommand> c;
        std::string error;
        EXPECT_EQ(parseScript("s", b.text, &c, &error), 1) << b.text;
        EXPECT_EQ(error, b.error);
    }
}

TEST(StudioShaderLog, NamesTheFileAndLineOfEachDriverMessage) {
    EXPECT_EQ(logWithFileLines("final.glsl", "0:11(5): error: `gl_FragColour' undeclared\n"
                                             "0:11(5): error: type mismatch\n\n"),
              "final.glsl:11: error: `gl_FragColour' undeclared\n"
              "final.glsl:11: error: type mismatch");
    EXPECT_EQ(logWithFileLines("scene.glsl", "0(42) : error C1008: undefined variable \"x\""),
              "scene.glsl:42: error C1008: undefined variable \"x\"");
    EXPECT_EQ(logWithFileLines("glow.glsl", "ERROR: 0:7: 'x' : undeclared identifier\nlink"),
              "ERROR: 0:7: 'x' : undeclared identifier\nlink");
}

TEST(StudioShowTracks, ResolvesIntoMemoryWithEveryTableTrack) {
    std::vector<MusicEvent> events;
    std::string error;
    ASSERT_EQ(parseMusicEvents("ev", "0 section intro\n64 section main\n64 kick\n160 end\n",
                               &events, &error),
              0);
    TrackSet* set = resolveShow("show.tracks",
                                "track uBend\n0 0 linear\nmain 2 constant\n"
                                "pulse uBass kick 8\nstrength uBass main 1\n",
                                events, &error);
    ASSERT_NE(set, nullptr) << error;
    const Track* bend = fetchTrack(set, "uBend");
    ASSERT_EQ(bend->keyCount, 2);
    EXPECT_EQ(bend->keys[1].row, 64);
    EXPECT_EQ(evaluateTrack(bend, 32.0), 1.0);
    EXPECT_GT(evaluateTrack(fetchTrack(set, "uBass"), 64.0), 0.5);
    // Tracks the show leaves out are there without keys, never looked for on disk.
    for (const UniformBinding& b : uniformBindings)
        for (int32_t c = 0; c < b.componentCount; ++c)
            EXPECT_GE(findTrackIndex(set, b.tracks[c]), 0) << b.tracks[c];
    EXPECT_EQ(fetchTrack(set, "uGlow")->keyCount, 0);
    closeTrackSet(set);

    EXPECT_EQ(
        resolveShow("show.tracks", "track uBend\n0 0 linear\nclimax 1 linear\n", events, &error),
        nullptr);
    EXPECT_EQ(error.rfind("show.tracks:3: ", 0), 0u) << error;
    EXPECT_EQ(resolveShowFiles("/nonexistent/show.tracks", "/nonexistent/ev", &error), nullptr);
    EXPECT_NE(error.find("/nonexistent/show.tracks: cannot open"), std::string::npos) << error;
}

TEST(StudioWatcher, ReportsSavesInPlaceAndByRenameOnce) {
    TempFolder folder;
    const std::string a = folder.file("a.glsl"), b = folder.file("b.tracks");
    std::ofstream(a) << "1";
    FileWatcher* w = openWatcher();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(watchFile(w, a.c_str()), 0);
    ASSERT_EQ(watchFile(w, b.c_str()), 0); // not there yet
    std::vector<std::string> saved;
    EXPECT_EQ(pollWatcher(w, &saved), 0);

    std::ofstream(a) << "2";
    std::ofstream(a) << "3";
    std::ofstream(folder.file("other")) << "x";
    std::ofstream(folder.file("b.tmp")) << "new";
    ASSERT_EQ(std::rename(folder.file("b.tmp").c_str(), b.c_str()), 0);
    EXPECT_EQ(pollWatcher(w, &saved), 2);
    EXPECT_EQ(saved, (std::vector<std::string>{a, b}));
    saved.clear();
    EXPECT_EQ(pollWatcher(w, &saved), 0);
    EXPECT_EQ(watchFile(w, "/nonexistent/x.glsl"), 1);
    closeWatcher(w);
}

// Polls the render as the studio's frame loop does, until it is done or a minute has passed.
bool renderFinishes(const ScoreRender* render) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!scoreRenderFinished(render)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(StudioScoreRender, HandsOverTheMusicAndItsEventsOrTheScoresError) {
    TempFolder folder;
    const std::string good = folder.file("good.score"), bad = folder.file("bad.score");
    std::ofstream(good) << "instrument kick kick\n  event kick\n"
                           "pattern p 1\n  kick x . . . . . . . x . . . . . . .\n"
                           "section a 1\n  play p\n";
    std::ofstream(bad) << "section a 1\n  play nothing\n";

    ScoreRender* render = startScoreRender(good.c_str());
    ASSERT_NE(render, nullptr);
    ASSERT_TRUE(renderFinishes(render));
    std::vector<int16_t> music;
    std::string events, error;
    ASSERT_EQ(finishScoreRender(render, &music, &events, &error), 0) << error;
    // One bar (32 rows at 22 a second) and the tail after it, in stereo; the kicks are heard.
    EXPECT_GT(music.size(), size_t(2 * 44100 * 32 / 22));
    EXPECT_NE(std::count_if(music.begin(), music.end(), [](int16_t s) { return s > 1000; }), 0);
    EXPECT_EQ(events, "0 section a\n0 kick\n16 kick\n32 end\n");

    render = startScoreRender(bad.c_str());
    ASSERT_NE(render, nullptr);
    ASSERT_TRUE(renderFinishes(render));
    EXPECT_EQ(finishScoreRender(render, &music, &events, &error), 1);
    EXPECT_EQ(error, bad + ":2: unknown pattern 'nothing'");
}

} // namespace
