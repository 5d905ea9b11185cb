// brumelt-capture run as a program in a copy of the demo folder.
#include "support/demo_folder.h"
#include "support/process.h"

#include <cstdio>
#include <gtest/gtest.h>

// Width and height from a PNG file's header, or 0 x 0.
static void pngSize(const std::string& path, int* width, int* height) {
    *width = *height = 0;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    unsigned char header[24];
    if (std::fread(header, 1, sizeof header, f) == sizeof header) {
        *width = (header[16] << 24) | (header[17] << 16) | (header[18] << 8) | header[19];
        *height = (header[20] << 24) | (header[21] << 16) | (header[22] << 8) | header[23];
    }
    std::fclose(f);
}

static int runCapture(const TempDemoFolder& demo, std::vector<std::string> args,
                      std::string* messages, std::vector<std::string> env = {}) {
    args.insert(args.begin(), demo.file("brumelt-capture"));
    ChildProcess child = startProcess(args, demo.path, env);
    int status = waitProcess(child, 100.0);
    *messages = readStderr(child);
    return status;
}

TEST(CaptureTool, WritesStillsAtTheAskedRows) {
    TempDemoFolder demo;
    std::string messages;
    ASSERT_EQ(runCapture(demo, {"--size", "64x36", "--rows", "0,10.5", "stills"}, &messages), 0)
        << messages;
    for (const char* name : {"stills/row-0.png", "stills/row-10.5.png"}) {
        int width, height;
        pngSize(demo.file(name), &width, &height);
        EXPECT_EQ(width, 64) << name;
        EXPECT_EQ(height, 36) << name;
    }
}

TEST(CaptureTool, WritesAVideoWithSound) {
    TempDemoFolder demo;
    std::string messages;
    ASSERT_EQ(runCapture(
                  demo, {"--size", "64x36", "--fps", "10", "--from", "0", "--to", "11", "clip.mp4"},
                  &messages),
              0)
        << messages;
    std::string streams = shellOutput(
        "ffprobe -v error -count_frames -show_entries stream=codec_name,pix_fmt,nb_read_frames "
        "-of csv=p=0 '" +
        demo.file("clip.mp4") + "'");
    EXPECT_NE(streams.find("h264,yuv420p,5"), std::string::npos) << streams;
    EXPECT_NE(streams.find("aac"), std::string::npos) << streams;
}

TEST(CaptureTool, ExplainsWhatItCannotDo) {
    TempDemoFolder demo;
    std::string messages;
    EXPECT_EQ(runCapture(demo, {"clip.mp4"}, &messages, {"PATH=/nonexistent"}), 1);
    EXPECT_NE(messages.find("ffmpeg was not found"), std::string::npos) << messages;

    EXPECT_EQ(runCapture(demo, {"--size", "30000x30000", "--rows", "0", "big"}, &messages), 4);
    EXPECT_NE(messages.find("30000x30000"), std::string::npos) << messages;

    EXPECT_EQ(runCapture(demo, {"--size", "wide", "out"}, &messages), 2);
    EXPECT_NE(messages.find("--size"), std::string::npos) << messages;
}
