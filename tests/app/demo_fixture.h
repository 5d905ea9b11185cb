// A demo process (and a fixture made of one) that runs the real demo binary from a private copy of
// the demo folder, gets past the setup dialog, and ends the run.
#pragma once
#include "support/demo_folder.h"
#include "support/process.h"
#include "support/xwindows.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

inline constexpr double demoStartSeconds = 120.0; // software rendering compiles big shaders slowly

struct DemoProcess {
    TempDemoFolder demo;
    ChildProcess child;

    void start(std::vector<std::string> env = {"SDL_AUDIODRIVER=dummy"}) {
        child = startProcess({demo.binary()}, demo.path, env);
        ASSERT_GT(child.pid, 0);
    }
    // Gets past the setup dialog and waits for the demo window.
    WindowInfo demoWindow() {
        EXPECT_TRUE(passSetupDialog(demoStartSeconds, child.pid)) << readStderr(child);
        return findWindow(demoWindowTitle, child.pid);
    }
    // Taps Escape in the demo window once it is up and returns the exit status. The tap is
    // repeated while the demo runs on, in case another test held the keyboard focus.
    int endWithEscape() {
        WindowInfo window = demoWindow();
        if (!window.id) return waitProcess(child, 0);
        for (int tap = 0; tap < 30; ++tap) {
            sendKey(window.id, "Escape");
            for (int wait = 0; wait < 100 && processRunning(child); ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (!processRunning(child)) break;
        }
        return waitProcess(child, 10);
    }
    ~DemoProcess() {
        if (child.pid > 0) waitProcess(child, 0); // kills a run the test left behind
    }
};

class DemoProcessTest : public ::testing::Test, public DemoProcess {};
