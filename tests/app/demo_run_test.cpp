// The real demo binary under X: how each run ends and with which exit code.
#include "support/demo_folder.h"
#include "support/process.h"
#include "support/xwindows.h"

#include <gtest/gtest.h>

static const double startSeconds = 120.0; // software rendering compiles big shaders slowly

class DemoRun : public ::testing::Test {
  protected:
    TempDemoFolder demo;
    ChildProcess child;

    void start(std::vector<std::string> env = {"SDL_AUDIODRIVER=dummy"}) {
        child = startProcess({demo.binary()}, demo.path, env);
        ASSERT_GT(child.pid, 0);
    }
    // Gets past the setup dialog and waits for the demo window.
    WindowInfo demoWindow() {
        EXPECT_TRUE(passSetupDialog(startSeconds, child.pid)) << readStderr(child);
        return findWindow(demoWindowTitle, child.pid);
    }
    void TearDown() override {
        if (child.pid > 0) waitProcess(child, 0);
    }
};

TEST_F(DemoRun, EscapeEndsTheDemoNormally) {
    start();
    WindowInfo window = demoWindow();
    ASSERT_NE(window.id, 0u);
    EXPECT_EQ(window.width, 1280);
    EXPECT_EQ(window.height, 720);
    ASSERT_TRUE(holdKey(window.id, "Escape"));
    int status = waitProcess(child, 60);
    releaseKey("Escape");
    EXPECT_EQ(status, 0) << readStderr(child);
}

TEST_F(DemoRun, ClosingTheWindowEndsTheDemoNormally) {
    start();
    WindowInfo window = demoWindow();
    ASSERT_NE(window.id, 0u);
    ASSERT_TRUE(requestWindowClose(window.id));
    EXPECT_EQ(waitProcess(child, 60), 0) << readStderr(child);
}

TEST_F(DemoRun, MissingMusicEndsWithCode2AfterTheWindowAppeared) {
    demo.remove("assets/music.mp3");
    start();
    // The window may already be gone again when the exit comes quickly, so look while waiting.
    bool windowSeen = passSetupDialog(startSeconds, child.pid);
    EXPECT_EQ(waitProcess(child, 60), 2);
    EXPECT_TRUE(windowSeen);
    std::string err = readStderr(child);
    EXPECT_NE(err.find("assets/music.mp3"), std::string::npos) << err;
}

TEST_F(DemoRun, MusicThatIsNotMp3EndsWithCode2) {
    demo.write("assets/music.mp3", std::string(4096, 'x'));
    start();
    passSetupDialog(startSeconds, child.pid);
    EXPECT_EQ(waitProcess(child, startSeconds), 2);
    EXPECT_NE(readStderr(child).find("assets/music.mp3"), std::string::npos);
}

TEST_F(DemoRun, UnavailableAudioDriverEndsWithCode1) {
    start({"SDL_AUDIODRIVER=no-such-driver"});
    passSetupDialog(startSeconds, child.pid);
    EXPECT_EQ(waitProcess(child, startSeconds), 1);
    EXPECT_NE(readStderr(child).find("audio"), std::string::npos);
}

TEST_F(DemoRun, NoDisplayEndsWithCode4AndAMessage) {
    start({"SDL_AUDIODRIVER=dummy", "DISPLAY=", "WAYLAND_DISPLAY="});
    EXPECT_EQ(waitProcess(child, 60), 4);
    std::string err = readStderr(child);
    EXPECT_NE(err.find("window"), std::string::npos) << err;
}
