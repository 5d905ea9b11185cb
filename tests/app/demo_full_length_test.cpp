// One whole run of the real demo: it ends by itself once 157 seconds have passed.
#include "support/demo_folder.h"
#include "support/process.h"
#include "support/xwindows.h"

#include <chrono>
#include <gtest/gtest.h>

TEST(DemoFullLength, EndsByItselfAfter157SecondsWithCode0) {
    TempDemoFolder demo;
    auto start = std::chrono::steady_clock::now();
    ChildProcess child = startProcess({demo.binary()}, demo.path, {"SDL_AUDIODRIVER=dummy"});
    ASSERT_TRUE(passSetupDialog(120.0, child.pid));
    int status = waitProcess(child, 157.0 + 180.0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(status, 0) << readStderr(child);
    EXPECT_GT(seconds, 157.0);
}
