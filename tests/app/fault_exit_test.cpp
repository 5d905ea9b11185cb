// The ways out that are not the show's own, through the real binary: quit signals and a crash or
// kill -9 while the display is switched, and the sound server or the X server going away
// mid-show. Each run has an X server of its own, 1920 x 1080 with a 320 x 180 mode added (modes
// are switched and servers stopped here), and the demo runs at 320 x 180, where frames are quick.
#include "app/demo.h"
#include "base/show.h"
#include "demo_fixture.h"
#include "support/xrandr_modes.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <sstream>
#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Polls until the condition holds; its time in seconds, or -1 once `seconds` passed without it.
double waitUntil(const std::function<bool()>& condition, double seconds) {
    auto start = Clock::now();
    while (!condition()) {
        if (secondsSince(start) > seconds) return -1.0;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return secondsSince(start);
}

int lineCount(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    int count = 0;
    while (std::getline(lines, line))
        count += !line.empty();
    return count;
}

const char* const leftSwitched =
    "window: the display mode was left switched; set back to 1920x1080";

class FaultExit : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // A crash and SIGQUIT dump core by default: not into the test's folders.
        rlimit none = {0, 0};
        setrlimit(RLIMIT_CORE, &none);
        // A shell without job control starts background jobs with SIGINT and SIGQUIT ignored, and
        // the demo keeps what it was started with ignored: its runs here must start with neither.
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGQUIT, SIG_DFL);
        std::signal(SIGHUP, SIG_DFL);
    }

    PrivateXServer server;
    std::optional<ExtraModes> modes;
    std::string desktopMode;
    ChildProcess child;
    WindowInfo window;

    ~FaultExit() override {
        if (child.pid > 0) waitProcess(child, 0);
    }

    // Starts the demo from the built demo folder and takes the 320 x 180 mode in the dialog,
    // fullscreen or in a window; sets `window` once the demo's window shows.
    void startAt320x180(bool fullscreen, std::vector<std::string> env) {
        ASSERT_TRUE(server.ready());
        modes.emplace();
        desktopMode = currentModeName();
        ASSERT_TRUE(modes->add(320, 180, 60));
        child = startProcess({std::string(BRUMELT_DEMO_DIR) + "/brumelt"}, BRUMELT_DEMO_DIR, env);
        WindowInfo dialog = waitForWindow(setupDialogTitle, 30.0, child.pid);
        ASSERT_NE(dialog.id, 0u) << readStderr(child);
        // The added mode is the list's last entry; the box after the list is fullscreen's.
        std::vector<std::string> keys = {"Tab", "Tab", "End"};
        if (fullscreen) keys.insert(keys.end(), {"Tab", "space"});
        keys.push_back("Return");
        ASSERT_TRUE(sendKeys(dialog.id, keys));
        window = waitForWindow(demoWindowTitle, demoStartSeconds, child.pid);
        ASSERT_NE(window.id, 0u) << readStderr(child);
        if (fullscreen) {
            ASSERT_GE(
                waitUntil([] { return currentModeName().find("320x180") != std::string::npos; },
                          30.0),
                0.0)
                << "the display is at " << currentModeName();
        }
    }

    // Waits until the window's picture changes between two looks: frames are being drawn.
    bool pictureMoves() {
        std::vector<uint32_t> first = grabScreen(window.x, window.y, window.width, window.height);
        return !first.empty() &&
               waitUntil(
                   [&] {
                       return grabScreen(window.x, window.y, window.width, window.height) != first;
                   },
                   60.0) >= 0.0;
    }

    // The demo in fullscreen is ended by `signal` (sent, or its own crash when `crash`): it must
    // end as that signal ends a process, and the desktop's mode must come back. A way out that
    // skips the demo's own teardown leaves the guardian's line.
    void endFullscreenBy(int signal, bool crash) {
        std::vector<std::string> env = {"SDL_AUDIODRIVER=dummy"};
        if (crash) {
            env.push_back("BRUMELT_TEST_CRASH_FRAME=40");
            // Sanitizer builds would report the crash and exit 1 instead of dying of it.
            const char* options = std::getenv("ASAN_OPTIONS");
            env.push_back("ASAN_OPTIONS=" + std::string(options ? options : "") +
                          ":detect_leaks=0:handle_segv=0");
        }
        startAt320x180(true, env);
        if (HasFatalFailure()) return;
        auto sent = Clock::now();
        if (!crash) {
            ASSERT_TRUE(pictureMoves()); // mid-show
            sent = Clock::now();
            ASSERT_EQ(kill(child.pid, signal), 0);
        }
        int status = waitProcess(child, 120.0);
        auto ended = Clock::now();
        EXPECT_EQ(status, 1000 + signal) << readStderr(child);
        ASSERT_GE(waitUntil([&] { return currentModeName() == desktopMode; }, 30.0), 0.0)
            << "the display stayed at " << currentModeName();
        std::printf("%s: the desktop's mode back %.3f s after the %s\n", strsignal(signal),
                    secondsSince(crash ? ended : sent), crash ? "process ended" : "signal");
        bool guardianRestored = signal == SIGKILL || crash;
        if (guardianRestored) {
            EXPECT_GE(
                waitUntil([&] { return readStderr(child).find(leftSwitched) != std::string::npos; },
                          10.0),
                0.0)
                << readStderr(child);
        } else {
            EXPECT_EQ(readStderr(child).find("display mode"), std::string::npos)
                << readStderr(child);
        }
    }
};

TEST_F(FaultExit, InterruptInFullscreenGivesTheModeBackAndEndsAsSigint) {
    endFullscreenBy(SIGINT, false);
}

TEST_F(FaultExit, TerminateInFullscreenGivesTheModeBackAndEndsAsSigterm) {
    endFullscreenBy(SIGTERM, false);
}

TEST_F(FaultExit, HangUpInFullscreenGivesTheModeBackAndEndsAsSighup) {
    endFullscreenBy(SIGHUP, false);
}

TEST_F(FaultExit, QuitInFullscreenGivesTheModeBackAndEndsAsSigquit) {
    endFullscreenBy(SIGQUIT, false);
}

TEST_F(FaultExit, KillNineInFullscreenLeavesTheGuardianToGiveTheModeBack) {
    endFullscreenBy(SIGKILL, false);
}

TEST_F(FaultExit, CrashInFullscreenLeavesTheGuardianToGiveTheModeBack) {
    endFullscreenBy(SIGSEGV, true);
}

// A private PulseAudio server holding a null sink, the demo's output, stopped by the test.
struct NullSinkServer {
    TempFolder dir;
    std::vector<std::string> env;
    bool running = false;
    std::string script = std::string(BRUMELT_SOURCE_DIR) + "/tests/windows/pulse_null_sink.sh";
    NullSinkServer() {
        std::istringstream lines(shellOutput("bash " + script + " start " + dir.path));
        for (std::string line; std::getline(lines, line);)
            if (line.find('=') != std::string::npos) env.push_back(line);
        running = env.size() == 2;
    }
    void stop() {
        shellOutput("bash " + script + " stop " + dir.path);
        running = false;
    }
    ~NullSinkServer() { stop(); }
    // Playback streams connected to it (the server's own silent keeper among them).
    int streams() {
        std::string list = shellOutput("env " + env[0] + " " + env[1] +
                                       " pactl list short sink-inputs 2>/dev/null");
        return lineCount(list);
    }
};

TEST_F(FaultExit, SoundServerStoppedMidShowLeavesOneLineAndThePictureGoesOn) {
    NullSinkServer sound;
    ASSERT_TRUE(sound.running);
    std::vector<std::string> env = sound.env;
    env.push_back("SDL_AUDIODRIVER=pulseaudio");
    startAt320x180(false, env);
    if (HasFatalFailure()) return;
    ASSERT_GE(waitUntil([&] { return sound.streams() >= 2; }, 60.0), 0.0)
        << "the demo never played";
    ASSERT_TRUE(pictureMoves());

    sound.stop();
    EXPECT_GE(waitUntil(
                  [&] {
                      return readStderr(child).find("audio: the output device was lost") !=
                             std::string::npos;
                  },
                  30.0),
              0.0)
        << readStderr(child);
    EXPECT_TRUE(pictureMoves()) << "the picture stopped with the sound";
    ASSERT_TRUE(processRunning(child));
    for (int tap = 0; tap < 30 && processRunning(child); ++tap) {
        sendKey(window.id, "Escape");
        waitUntil([&] { return !processRunning(child); }, 2.0);
    }
    std::string err = readStderr(child);
    EXPECT_EQ(waitProcess(child, 30.0), 0) << err;
    EXPECT_EQ(lineCount(err), 1) << err;
}

TEST_F(FaultExit, XServerStoppedMidShowEndsTheDemoWithOneLineAndCode4) {
    startAt320x180(false, {"SDL_AUDIODRIVER=dummy"});
    if (HasFatalFailure()) return;
    ASSERT_TRUE(pictureMoves());

    modes.reset(); // its clean-up needs the server
    auto stopped = Clock::now();
    server.stop();
    int status = waitProcess(child, 30.0);
    std::printf("the demo ended %.3f s after the X server was stopped\n", secondsSince(stopped));
    std::string err = readStderr(child);
    EXPECT_EQ(status, exitGraphics) << err;
    EXPECT_NE(err.find("window: lost the connection to the X server"), std::string::npos) << err;
    EXPECT_EQ(lineCount(err), 1) << err;
}

} // namespace
