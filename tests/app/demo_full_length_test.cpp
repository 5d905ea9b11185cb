// One whole run of the real demo at 320 x 180: it ends by itself once the show's length has passed,
// its resident memory stays flat after start-up, and (in checked builds) no frame leaves a GL
// error behind.
#include "base/show.h"
#include "support/demo_folder.h"
#include "support/process.h"
#include "support/xrandr_modes.h"
#include "support/xwindows.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

static long residentKiB(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

TEST(DemoFullLength, RunsTheWholeShowWithFlatMemoryAndEndsByItself) {
    // A server of its own: the run picks its mode with the keyboard and lasts minutes, while
    // other tests use the shared server's keyboard and modes.
    PrivateXServer server;
    ASSERT_TRUE(server.ready());
    ExtraModes modes;
    ASSERT_TRUE(modes.add(320, 180, 60));
    TempDemoFolder demo;
    auto start = Clock::now();
    ChildProcess child = startProcess({demo.binary()}, demo.path, {"SDL_AUDIODRIVER=dummy"});
    // The added mode is the list's last entry.
    WindowInfo dialog = waitForWindow(setupDialogTitle, 30.0, child.pid);
    ASSERT_NE(dialog.id, 0u) << readStderr(child);
    ASSERT_TRUE(sendKeys(dialog.id, {"Tab", "Tab", "End", "Return"}));
    WindowInfo window = waitForWindow(demoWindowTitle, 120.0, child.pid);
    ASSERT_NE(window.id, 0u) << readStderr(child);
    EXPECT_EQ(window.width, 320);
    EXPECT_EQ(window.height, 180);

    // Resident memory once a second; start-up (content, first frames, audio) settles within
    // 20 seconds of the window appearing.
    auto shown = Clock::now();
    std::vector<long> settled;
    long atSettle = -1;
    while (processRunning(child)) {
        long kib = residentKiB(child.pid);
        double since = std::chrono::duration<double>(Clock::now() - shown).count();
        if (kib > 0 && since >= 20.0) {
            if (atSettle < 0) atSettle = kib;
            settled.push_back(kib);
        }
        if (std::chrono::duration<double>(Clock::now() - start).count() > showLengthSeconds + 120.0)
            break;
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    int status = waitProcess(child, 10.0);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::string err = readStderr(child);
    EXPECT_EQ(status, 0) << err;
    EXPECT_GT(seconds, showLengthSeconds);
    EXPECT_EQ(err.find("gl: error"), std::string::npos) << err;
    ASSERT_GT(settled.size(), 60u);
    long peak = *std::max_element(settled.begin(), settled.end());
    EXPECT_LT(peak - atSettle, 4096)
        << "resident memory grew from " << atSettle << " KiB to " << peak << " KiB";
    std::printf("resident memory: %ld KiB at 20 s, peak %ld KiB, last %ld KiB\n", atSettle, peak,
                settled.back());
}
