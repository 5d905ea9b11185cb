// brumelt-studio driven by command scripts: a real window on the X server, real GL, SDL's dummy
// audio driver playing the real music in real time. Each case works on its own copies of the show
// and the shaders, so its edits never reach the repository.
#include "support/demo_folder.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <png.h>
#include <sstream>

namespace {

// RGBA pixels of a PNG file; empty when it cannot be read.
std::vector<uint8_t> pngPixels(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    return pixels;
}

uint8_t brightest(const std::vector<uint8_t>& rgba) {
    uint8_t most = 0;
    for (size_t i = 0; i < rgba.size(); ++i)
        if (i % 4 != 3 && rgba[i] > most) most = rgba[i];
    return most;
}

// The row a still was taken at, from the studio's "still: FILE: row R" line; -1 when absent.
double stillRow(const std::string& log, const std::string& still) {
    const size_t at = log.find(still + ": row ");
    return at == std::string::npos ? -1.0 : std::atof(log.c_str() + at + still.size() + 6);
}

struct StudioRun {
    int status;
    std::string log;
};

// A folder with copies of the show and the shaders that a script may edit.
struct StudioWork {
    TempFolder folder;
    StudioWork() {
        namespace fs = std::filesystem;
        for (const char* name : {"show.tracks", "music.score"})
            fs::copy_file(std::string(BRUMELT_SOURCE_DIR) + "/content/" + name, folder.file(name));
        fs::copy(std::string(BRUMELT_SOURCE_DIR) + "/src/render/shaders", folder.file("shaders"));
    }

    // Runs the studio on the script (with T standing for the folder) at 320 x 180, from the demo
    // folder or the given one.
    StudioRun run(std::string script, const std::string& workDir = BRUMELT_DEMO_DIR,
                  const std::vector<std::string>& extraArgs = {}) {
        for (size_t at = script.find("T/"); at != std::string::npos;
             at = script.find("T/", at + folder.path.size()))
            script.replace(at, 1, folder.path);
        std::ofstream(folder.file("script.txt")) << script;
        std::vector<std::string> args = {std::string(BRUMELT_DEMO_DIR) + "/brumelt-studio",
                                         "--content",
                                         folder.path,
                                         "--shaders",
                                         folder.file("shaders"),
                                         "--size",
                                         "320x180",
                                         "--script",
                                         folder.file("script.txt")};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        ChildProcess child = startProcess(args, workDir, {"SDL_AUDIODRIVER=dummy"});
        const int status = waitProcess(child, 300.0);
        return {status, readStderr(child)};
    }
};

TEST(StudioRun, ASeekShowsExactlyTheCapturedFrameOfItsRow) {
    StudioWork work;
    // Drawn at a quarter of the window before, the still is still the whole window's frame.
    const StudioRun studio = work.run(
        "seek 40\nplay 2\nscale 4\nframes 2\npause\nseek 27:2:0\nstill T/seek.png\nquit\n");
    ASSERT_EQ(studio.status, 0) << studio.log;
    ChildProcess capture =
        startProcess({std::string(BRUMELT_DEMO_DIR) + "/brumelt-capture", "--size", "320x180",
                      "--rows", "880", work.folder.file("capture")},
                     BRUMELT_DEMO_DIR);
    ASSERT_EQ(waitProcess(capture, 120.0), 0) << readStderr(capture);
    const std::vector<uint8_t> seen = pngPixels(work.folder.file("seek.png"));
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(seen == pngPixels(work.folder.file("capture/row-880.png")));
}

TEST(StudioRun, AChangedKeyShowsInTheFrameAfterItsReloadWhileTheMusicPlays) {
    StudioWork work;
    // The fade to black holds 0 from two bars into the intro until the fade; make it 1.
    const StudioRun studio =
        work.run("seek main\n"
                 "play 2\n"
                 "still T/before.png\n"
                 "edit T/show.tracks \"intro+2:0:0    0\" \"intro+2:0:0    1\"\n"
                 "wait-reload 60\n"
                 "still T/after.png\n"
                 "frames 2\n"
                 "quit\n");
    ASSERT_EQ(studio.status, 0) << studio.log;
    EXPECT_GT(brightest(pngPixels(work.folder.file("before.png"))), 40);
    EXPECT_EQ(brightest(pngPixels(work.folder.file("after.png"))), 0);
    const double before = stillRow(studio.log, work.folder.file("before.png"));
    const double after = stillRow(studio.log, work.folder.file("after.png"));
    EXPECT_GT(before, 512.0) << studio.log; // main starts at row 512
    EXPECT_GT(after, before) << studio.log;
    EXPECT_NE(studio.log.find("reload: show.tracks: "), std::string::npos) << studio.log;
}

TEST(StudioRun, ABrokenShaderKeepsTheLastPictureAndShowsItsLogLine) {
    StudioWork work;
    const StudioRun studio =
        work.run("seek 880\n"
                 "still T/good.png\n"
                 "edit T/shaders/final.glsl \"gl_FragColor =\" \"gl_FragColour =\"\n"
                 "wait-reload 60\n"
                 "expect-error final.glsl:11:\n"
                 "still T/broken.png\n"
                 "edit T/shaders/final.glsl \"gl_FragColour =\" \"gl_FragColor =\"\n"
                 "wait-reload 60\n"
                 "expect-no-error\n"
                 "quit\n");
    ASSERT_EQ(studio.status, 0) << studio.log;
    EXPECT_NE(studio.log.find("final.glsl:11: error"), std::string::npos) << studio.log;
    const std::vector<uint8_t> good = pngPixels(work.folder.file("good.png"));
    ASSERT_FALSE(good.empty());
    EXPECT_TRUE(good == pngPixels(work.folder.file("broken.png")));
}

TEST(StudioRun, ABrokenChoreographyLineIsNamedUntilItIsFixed) {
    StudioWork work;
    const StudioRun studio = work.run("edit T/show.tracks \"fade+6:0:0\" \"fate+6:0:0\"\n"
                                      "wait-reload 60\n"
                                      "expect-error show.tracks:294:\n"
                                      "edit T/show.tracks \"fate+6:0:0\" \"fade+6:0:0\"\n"
                                      "wait-reload 60\n"
                                      "expect-no-error\n"
                                      "expect-error show.tracks\n");
    // The last expectation fails on purpose: the script then ends with status 1 and its line.
    EXPECT_EQ(studio.status, 1) << studio.log;
    EXPECT_NE(studio.log.find("show.tracks:294: "), std::string::npos) << studio.log;
    EXPECT_NE(studio.log.find("script.txt:7: no problem on screen holds 'show.tracks'"),
              std::string::npos)
        << studio.log;
}

TEST(StudioRun, ASavedScorePlaysItsNewMusicWithItsNewSectionsAtTheSamePosition) {
    StudioWork work;
    // A longer intro: "main" moves from bar 16 to bar 20 once the score is rendered again. Played
    // from there, the clock moves on within the new "main" (rows 640 to 1152), however long the
    // busy machine took for the second's frames.
    const StudioRun studio =
        work.run("seek 40\n"
                 "edit T/music.score \"section intro 8\" \"section intro 12\"\n"
                 "wait-reload 240\n"
                 "expect-no-error\n"
                 "expect-row 40 40\n"
                 "seek main\n"
                 "expect-row 640 640\n"
                 "play 1\n"
                 "wait 1\n"
                 "expect-row 642 1151\n"
                 "quit\n");
    EXPECT_EQ(studio.status, 0) << studio.log;
    EXPECT_NE(studio.log.find("reload: music.score: "), std::string::npos) << studio.log;
}

TEST(StudioRun, TheLoopWrapsTheClockBackToItsStart) {
    StudioWork work;
    // Played on for a second, the clock would be 22 rows further; the loop keeps it within a beat.
    // A stall holds a frame longer than the whole loop, as a busy machine does, so the clock is
    // past the loop's end when the next frame, a still or a pause comes: each shows a row within.
    const StudioRun studio = work.run("scale 4\nloop main main+0:1:0\nseek main\nplay 1\nwait 1.2\n"
                                      "expect-row 512 520\n"
                                      "stall 0.6\nexpect-row 512 520\n"
                                      "stall 0.6\nstill T/loop.png\n"
                                      "stall 0.6\npause\nexpect-row 512 520\nquit\n");
    EXPECT_EQ(studio.status, 0) << studio.log;
    const double still = stillRow(studio.log, work.folder.file("loop.png"));
    EXPECT_GE(still, 512.0) << studio.log;
    EXPECT_LE(still, 520.0) << studio.log;
}

TEST(StudioRun, RefusesWhatItCannotUseWithOneLine) {
    StudioWork work;
    StudioRun run = work.run("quit\n", BRUMELT_DEMO_DIR, {"--scale", "3"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.log.find("--scale takes 1, 2 or 4"), std::string::npos) << run.log;
    run = work.run("seek 0\nplay\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.log.find("script.txt:2: play takes 1 argument(s), not 0"), std::string::npos)
        << run.log;
    run = work.run("seek nowhere\nquit\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.log.find("script.txt:1: 'nowhere' is neither"), std::string::npos) << run.log;
    run = work.run("quit\n", work.folder.path); // no assets/music.mp3 there
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.log.find("assets/music.mp3"), std::string::npos) << run.log;
}

} // namespace
