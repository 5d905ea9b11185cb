// The real demo binary under X: how each run ends and with which exit code.
#include "base/show.h"
#include "demo_fixture.h"

using DemoRun = DemoProcessTest;

TEST_F(DemoRun, EscapeEndsTheDemoNormally) {
    start();
    WindowInfo window = demoWindow();
    ASSERT_NE(window.id, 0u);
    EXPECT_EQ(window.width, 1280);
    EXPECT_EQ(window.height, 720);
    // A tap, pressed and released within one frame, is enough.
    ASSERT_TRUE(sendKey(window.id, "Escape"));
    EXPECT_EQ(waitProcess(child, 60), 0) << readStderr(child);
}

TEST_F(DemoRun, ClosingTheWindowEndsTheDemoNormally) {
    start();
    WindowInfo window = demoWindow();
    ASSERT_NE(window.id, 0u);
    ASSERT_TRUE(requestWindowClose(window.id));
    EXPECT_EQ(waitProcess(child, 60), 0) << readStderr(child);
}

TEST_F(DemoRun, MissingMusicEndsWithCode2AfterTheWindowAppeared) {
    demo.remove(showMusicPath);
    start();
    // The window may already be gone again when the exit comes quickly, so look while waiting.
    bool windowSeen = passSetupDialog(demoStartSeconds, child.pid);
    EXPECT_EQ(waitProcess(child, 60), 2);
    EXPECT_TRUE(windowSeen);
    std::string err = readStderr(child);
    EXPECT_NE(err.find(showMusicPath), std::string::npos) << err;
}

TEST_F(DemoRun, MusicThatIsNotMp3EndsWithCode2) {
    demo.write(showMusicPath, std::string(4096, 'x'));
    start();
    passSetupDialog(demoStartSeconds, child.pid);
    EXPECT_EQ(waitProcess(child, demoStartSeconds), 2);
    EXPECT_NE(readStderr(child).find(showMusicPath), std::string::npos);
}

TEST_F(DemoRun, UnavailableAudioDriverEndsWithCode1) {
    start({"SDL_AUDIODRIVER=no-such-driver"});
    passSetupDialog(demoStartSeconds, child.pid);
    EXPECT_EQ(waitProcess(child, demoStartSeconds), 1);
    EXPECT_NE(readStderr(child).find("audio"), std::string::npos);
}

TEST_F(DemoRun, NoDisplayEndsWithCode4AndAMessage) {
    start({"SDL_AUDIODRIVER=dummy", "DISPLAY=", "WAYLAND_DISPLAY="});
    EXPECT_EQ(waitProcess(child, 60), 4);
    std::string err = readStderr(child);
    EXPECT_NE(err.find("window"), std::string::npos) << err;
}
