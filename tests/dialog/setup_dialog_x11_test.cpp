// The setup dialog on a real X server: the mode list read through RandR, the real demo binary's
// dialog driven from the keyboard, its close box, and where its controls stand on screen.
#include "app/resources.h"
#include "platform/dialog_box.h"
#include "platform/display_modes.h"
#include "support/demo_folder.h"
#include "support/process.h"
#include "support/xrandr_modes.h"
#include "support/xwindows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const double dialogSeconds = 30.0;
const double demoSeconds = 120.0; // software rendering compiles big shaders slowly

struct Size {
    int width, height;
    bool operator==(const Size&) const = default;
};

// The first "WIDTHxHEIGHT" in a line of text.
bool findSize(const std::string& line, Size& size) {
    for (size_t x = line.find('x'); x != std::string::npos; x = line.find('x', x + 1)) {
        size_t begin = x, end = x + 1;
        while (begin > 0 && std::isdigit(static_cast<unsigned char>(line[begin - 1])))
            --begin;
        while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end])))
            ++end;
        if (begin < x && end > x + 1) {
            size = {std::stoi(line.substr(begin, x - begin)), std::stoi(line.substr(x + 1))};
            return true;
        }
    }
    return false;
}

// Sizes of the connected output's modes as xrandr lists them, refresh variants included.
std::vector<Size> listedSizes() {
    std::istringstream text(shellOutput("xrandr -q 2>/dev/null"));
    std::vector<Size> sizes;
    std::string line;
    bool inOutput = false;
    while (std::getline(text, line)) {
        if (line.empty()) continue;
        if (line[0] != ' ') {
            inOutput = line.find(" connected") != std::string::npos && sizes.empty();
            continue;
        }
        Size size{};
        if (inOutput && findSize(line, size)) sizes.push_back(size);
    }
    return sizes;
}

TEST(DisplayModesOnX, FollowTheOutputsOrderWithRefreshVariantsAt32Bits) {
    ExtraModes extra;
    ASSERT_FALSE(extra.output.empty());
    ASSERT_TRUE(extra.add(1280, 720, 60));
    ASSERT_TRUE(extra.add(1024, 768, 60));
    ASSERT_TRUE(extra.add(1280, 720, 50));

    std::vector<Size> sizes;
    std::vector<uint32_t> rates;
    DisplayModeInfo mode;
    for (uint32_t i = 0; enumDisplaySettings(nullptr, i, &mode); ++i) {
        sizes.push_back({int(mode.pelsWidth), int(mode.pelsHeight)});
        rates.push_back(mode.displayFrequency);
        EXPECT_EQ(mode.bitsPerPel, 32u) << "mode " << i; // the test server is 24 bits deep
    }
    EXPECT_EQ(sizes, listedSizes());
    ASSERT_GE(sizes.size(), 4u);
    std::vector<Size> added(sizes.end() - 3, sizes.end());
    EXPECT_EQ(added, (std::vector<Size>{{1280, 720}, {1024, 768}, {1280, 720}}));
    EXPECT_EQ(rates[rates.size() - 3], 60u);
    EXPECT_EQ(rates.back(), 50u);
    EXPECT_FALSE(enumDisplaySettings(nullptr, uint32_t(sizes.size()), &mode));
    EXPECT_TRUE(enumDisplaySettings(extra.output.c_str(), 0, &mode));
    EXPECT_FALSE(enumDisplaySettings("no-such-output", 0, &mode));
}

class SetupDialogOnX : public ::testing::Test {
  protected:
    ExtraModes extra;
    TempDemoFolder demo;
    ChildProcess child;
    MapWatch maps;

    void SetUp() override {
        ASSERT_FALSE(extra.output.empty());
        // The screen's own mode comes first; 1280 * 720 sits between two other sizes.
        ASSERT_TRUE(extra.add(1280, 720, 60));
        ASSERT_TRUE(extra.add(1024, 768, 60));
        child = startProcess({demo.binary()}, demo.path, {"SDL_AUDIODRIVER=dummy"});
        ASSERT_GT(child.pid, 0);
    }
    void TearDown() override {
        if (child.pid > 0) waitProcess(child, 0);
    }

    WindowInfo dialog() {
        WindowInfo found = waitForWindow(setupDialogTitle, dialogSeconds, child.pid);
        EXPECT_NE(found.id, 0u) << readStderr(child);
        return found;
    }
    WindowInfo demoWindow() {
        WindowInfo found = waitForWindow(demoWindowTitle, demoSeconds, child.pid);
        EXPECT_NE(found.id, 0u) << readStderr(child);
        return found;
    }
    // Waits for the child's exit while noting every window it maps.
    int waitWatching(double seconds) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (processRunning(child) && std::chrono::steady_clock::now() < deadline) {
            maps.poll();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        maps.poll();
        return waitProcess(child, 0);
    }
    bool demoWindowWasMapped() {
        for (const MappedWindow& window : maps.mapped)
            if (window.title == demoWindowTitle) return true;
        return false;
    }
};

TEST_F(SetupDialogOnX, EscapeCancelsWithCodeMinusOneAndNoDemoWindow) {
    WindowInfo shown = dialog();
    ASSERT_NE(shown.id, 0u);
    ASSERT_TRUE(sendKey(shown.id, "Escape"));
    EXPECT_EQ(waitWatching(dialogSeconds), 255) << readStderr(child);
    EXPECT_FALSE(demoWindowWasMapped());
}

TEST_F(SetupDialogOnX, CloseBoxCancelsWithCodeMinusOne) {
    WindowInfo shown = dialog();
    ASSERT_NE(shown.id, 0u);
    ASSERT_TRUE(requestWindowClose(shown.id));
    EXPECT_EQ(waitWatching(dialogSeconds), 255) << readStderr(child);
    EXPECT_FALSE(demoWindowWasMapped());
}

// Run has the focus at first, so one Tab reaches Cancel, where Enter means Cancel.
TEST_F(SetupDialogOnX, TabFromTheStartReachesCancelWhereEnterCancels) {
    WindowInfo shown = dialog();
    ASSERT_NE(shown.id, 0u);
    ASSERT_TRUE(sendKeys(shown.id, {"Tab", "Return"}));
    EXPECT_EQ(waitWatching(dialogSeconds), 255) << readStderr(child);
    EXPECT_FALSE(demoWindowWasMapped());
}

TEST_F(SetupDialogOnX, EnterRunsTheDemoWindowedAtThePreselectedSize) {
    WindowInfo shown = dialog();
    ASSERT_NE(shown.id, 0u);
    ASSERT_TRUE(sendKey(shown.id, "Return"));
    WindowInfo window = demoWindow();
    ASSERT_NE(window.id, 0u);
    EXPECT_EQ(window.width, 1280);
    EXPECT_EQ(window.height, 720);
    EXPECT_FALSE(window.overrideRedirect);
    EXPECT_NE(currentModeName().find("1920x1080"), std::string::npos);
    EXPECT_FALSE(cursorHiddenOver(window.id));
    ASSERT_TRUE(requestWindowClose(window.id));
    EXPECT_EQ(waitProcess(child, demoSeconds), 0) << readStderr(child);
}

// One step down from the preselected 1280 * 720 (item 1) is 1024 * 768.
TEST_F(SetupDialogOnX, TheListStartsAt1280x720AndOneStepDownRuns1024x768) {
    WindowInfo shown = dialog();
    ASSERT_NE(shown.id, 0u);
    ASSERT_TRUE(sendKeys(shown.id, {"Tab", "Tab", "Down", "Return"}));
    WindowInfo window = demoWindow();
    ASSERT_NE(window.id, 0u);
    EXPECT_EQ(window.width, 1024);
    EXPECT_EQ(window.height, 768);
    ASSERT_TRUE(requestWindowClose(window.id));
    EXPECT_EQ(waitProcess(child, demoSeconds), 0) << readStderr(child);
}

TEST_F(SetupDialogOnX, FullscreenBoxThenEnterTakesTheScreenWithoutCursor) {
    WindowInfo shown = dialog();
    ASSERT_NE(shown.id, 0u);
    ASSERT_TRUE(sendKeys(shown.id, {"Tab", "Tab", "Tab", "space", "Return"}));
    WindowInfo window = demoWindow();
    ASSERT_NE(window.id, 0u);
    EXPECT_EQ(window.x, 0);
    EXPECT_EQ(window.y, 0);
    EXPECT_EQ(window.width, 1280);
    EXPECT_EQ(window.height, 720);
    EXPECT_NE(currentModeName().find("1280x720"), std::string::npos);
    EXPECT_TRUE(cursorHiddenOver(window.id));
    ASSERT_TRUE(requestWindowClose(window.id));
    EXPECT_EQ(waitProcess(child, demoSeconds), 0) << readStderr(child);
}

// Pixels of the dialog that differ from its background, within a rectangle.
struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < left; }
};

Box inkWithin(const std::vector<uint32_t>& pixels, int stride, int rows, uint32_t background,
              int left, int top, int right, int bottom) {
    auto differs = [&](uint32_t pixel) {
        int diff = 0;
        for (int shift = 0; shift < 24; shift += 8)
            diff += std::abs(int((pixel >> shift) & 0xff) - int((background >> shift) & 0xff));
        return diff > 48;
    };
    Box box;
    for (int y = std::max(top, 0); y < std::min(bottom, rows); ++y)
        for (int x = std::max(left, 0); x < std::min(right, stride); ++x)
            if (differs(pixels[size_t(y) * size_t(stride) + size_t(x)])) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x + 1);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

TEST_F(SetupDialogOnX, ControlsStandWhereTheTemplatePutsThem) {
    WindowInfo shown = dialog();
    ASSERT_NE(shown.id, 0u);
    const DialogTemplate* spec = programModule.dialogs[0].dialog;
    int baseX = 0, baseY = 0;
    ASSERT_TRUE(dialogBaseUnits(spec, &baseX, &baseY));
    auto px = [&](int units) { return (units * baseX + 2) / 4; };
    auto py = [&](int units) { return (units * baseY + 4) / 8; };

    EXPECT_NEAR(shown.width, px(spec->width), 2);
    EXPECT_NEAR(shown.height, py(spec->height), 2);
    int screenWidth = 0, screenHeight = 0;
    screenSize(screenWidth, screenHeight);
    EXPECT_NEAR(shown.x + shown.width / 2, screenWidth / 2, 2);
    EXPECT_NEAR(shown.y + shown.height / 2, screenHeight / 2, 2);

    // The window is drawn some time after it is mapped: wait for two equal, non-blank reads.
    std::vector<uint32_t> pixels, previous;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(dialogSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
        pixels = grabScreen(shown.x, shown.y, shown.width, shown.height);
        bool blank = std::all_of(pixels.begin(), pixels.end(),
                                 [&](uint32_t pixel) { return pixel == pixels.front(); });
        if (!blank && pixels == previous) break;
        previous = pixels;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(pixels.size(), size_t(shown.width) * size_t(shown.height));
    uint32_t background = pixels[size_t(shown.width) + 1];
    const int slack = 2, margin = 2; // neighbours stand 3 pixels apart at the closest

    for (int i = 0; i < spec->controlCount; ++i) {
        const DialogControlTemplate& c = spec->controls[i];
        SCOPED_TRACE(std::string("control ") + std::to_string(i) + " \"" + c.text + "\"");
        int left = px(c.x), top = py(c.y), right = px(c.x + c.width), bottom = py(c.y + c.height);
        if (c.controlClass == controlComboBox) bottom = top + py(14); // closed, one line high
        Box ink = inkWithin(pixels, shown.width, shown.height, background, left - margin,
                            top - margin, right + margin, bottom + margin);
        ASSERT_FALSE(ink.empty());
        EXPECT_GE(ink.left, left - slack);
        EXPECT_LE(ink.right, right + slack);
        EXPECT_GE(ink.top, top - slack);
        if (c.controlClass != controlComboBox) {
            EXPECT_LE(ink.bottom, bottom + slack);
        }
        bool framed =
            c.controlClass == controlComboBox || (c.style & (buttonPush | buttonDefPush)) != 0;
        if (framed) { // the frame spans the whole place
            EXPECT_LE(ink.left, left + slack);
            EXPECT_GE(ink.right, right - slack);
            EXPECT_LE(ink.top, top + slack);
        }
        if (c.style & staticRight) {
            EXPECT_GE(ink.right, right - slack);
        }
        if (c.style & staticCenter) {
            EXPECT_NEAR(ink.left + ink.right, left + right, 2 * slack);
        }
    }
    ASSERT_TRUE(sendKey(shown.id, "Escape"));
    EXPECT_EQ(waitProcess(child, dialogSeconds), 255);
}

} // namespace
