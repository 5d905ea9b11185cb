// The capture tool's command line and frame plan.
#include "base/show.h"
#include "capture_options.h"

#include <gtest/gtest.h>
#include <initializer_list>

static std::string parse(std::initializer_list<const char*> args, CaptureOptions* o) {
    std::vector<const char*> argv = {"brumelt-capture"};
    argv.insert(argv.end(), args);
    return parseCaptureOptions(int(argv.size()), argv.data(), o);
}

TEST(CaptureOptions, DefaultsAndValues) {
    CaptureOptions o;
    ASSERT_EQ(parse({"out"}, &o), "");
    EXPECT_EQ(o.width, 1920);
    EXPECT_EQ(o.height, 1080);
    EXPECT_EQ(o.fps, 60.0);
    EXPECT_FALSE(o.video);
    EXPECT_EQ(o.to, showLengthSeconds * showRowsPerSecond);

    ASSERT_EQ(
        parse({"--size", "640x360", "--fps", "29.97", "--from", "22", "--to", "44.5", "clip.mp4"},
              &o),
        "");
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 360);
    EXPECT_EQ(o.fpsText, "29.97");
    EXPECT_EQ(o.from, 22.0);
    EXPECT_EQ(o.to, 44.5);
    EXPECT_TRUE(o.video);

    ASSERT_EQ(parse({"--rows", "0,12.5,3000", "stills"}, &o), "");
    EXPECT_EQ(o.rows, (std::vector<double>{0.0, 12.5, 3000.0}));
    EXPECT_EQ(stillName(12.5), "row-12.5.png");
    EXPECT_EQ(stillName(3000), "row-3000.png");
    EXPECT_EQ(frameName(42), "frame-000042.png");

    ASSERT_EQ(parse({"--help"}, &o), "");
    EXPECT_TRUE(o.help);
}

TEST(CaptureOptions, RejectsBadCommandLines) {
    const std::initializer_list<const char*> bad[] = {
        {},
        {"--size", "640", "out"},
        {"--size", "0x10", "out"},
        {"--size", "64x36x2", "out"},
        {"--fps", "0", "out"},
        {"--fps", "fast", "out"},
        {"--rows", "1,,2", "out"},
        {"--rows", "1,2", "clip.mp4"},
        {"--size", "641x360", "clip.mp4"},
        {"--from", "50", "--to", "40", "out"},
        {"--from", "-1", "out"},
        {"--frobnicate", "out"},
        {"out", "again"},
        {"--to"},
    };
    for (const auto& args : bad) {
        CaptureOptions o;
        EXPECT_NE(parse(args, &o), "") << "argument count " << args.size();
    }
}

TEST(CaptureOptions, FrameRangeCoversRowsFromUpToTo) {
    CaptureOptions o;
    int64_t first = -1, count = -1;
    captureFrameRange(o, &first, &count);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(count, showLengthSeconds * 60); // the whole show at 60 fps

    for (double fps : {60.0, 30.0, 29.97, 24.0}) {
        for (auto [from, to] : {std::pair{0.0, 22.0}, {11.0, 22.0}, {7.3, 100.1}, {3.0, 3.5}}) {
            o.fps = fps;
            o.from = from;
            o.to = to;
            captureFrameRange(o, &first, &count);
            if (count > 0) {
                EXPECT_GE(rowOfFrame(first, fps), from);
                EXPECT_LT(rowOfFrame(first + count - 1, fps), to);
            }
            EXPECT_LT(rowOfFrame(first - 1, fps), from) << fps << " " << from;
            EXPECT_GE(rowOfFrame(first + count, fps), to) << fps << " " << to;
        }
    }
    o.fps = 60.0;
    o.from = 11.0;
    o.to = 22.0;
    captureFrameRange(o, &first, &count);
    EXPECT_EQ(first, 30);
    EXPECT_EQ(count, 30);
    EXPECT_EQ(rowOfFrame(30, 60.0), 11.0);
}
