// The setup dialog's procedure against made-up mode lists, with a scripted user in place of the
// screen: what the list offers, what is preselected, and what Run and Cancel write.
#include "app/resources.h"
#include "app/setup_dialog.h"
#include "platform/dialog_box_internal.h"
#include "platform/display_modes_internal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<DisplayModeInfo> fakeModes;
uint32_t fakeQueries = 0;

int fakeModeSource(uint32_t index, DisplayModeInfo* mode) {
    ++fakeQueries;
    if (index >= fakeModes.size()) return 0;
    *mode = fakeModes[index];
    return 1;
}

// What the dialog showed when the user got it.
struct Shown {
    std::vector<std::string> items;
    int selection = 0;
    int checked = 0;
};

struct User {
    std::function<void(DialogHandle)> act;
    Shown shown;
};

void scriptedUser(DialogHandle dialog, void* context) {
    User& user = *static_cast<User*>(context);
    int count = int(sendDlgItemMessage(dialog, setupResolutionId, comboGetCount, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[500];
        sendDlgItemMessage(dialog, setupResolutionId, comboGetItemText, uintptr_t(i),
                           reinterpret_cast<intptr_t>(text));
        user.shown.items.push_back(text);
    }
    user.shown.selection = int(sendDlgItemMessage(dialog, setupResolutionId, comboGetCurSel, 0, 0));
    user.shown.checked = int(sendDlgItemMessage(dialog, setupFullscreenId, buttonGetCheck, 0, 0));
    if (user.act) user.act(dialog);
}

DisplayModeInfo mode(uint32_t width, uint32_t height, uint32_t bits = 32, uint32_t hz = 60) {
    return {bits, width, height, hz};
}

void select(DialogHandle dialog, int index) {
    sendDlgItemMessage(dialog, setupResolutionId, comboSetCurSel, uintptr_t(index), 0);
}

class SetupDialog : public ::testing::Test {
  protected:
    DisplaySettings settings;
    User user;

    void SetUp() override {
        settings.instance = &programModule;
        fakeModes.clear();
        fakeQueries = 0;
        setDisplayModeSource(fakeModeSource);
        setDialogDriver(scriptedUser, &user);
    }
    void TearDown() override {
        setDialogDriver(nullptr, nullptr);
        setDisplayModeSource(nullptr);
    }
    int show(std::function<void(DialogHandle)> act) {
        user.act = std::move(act);
        return showSetupDialog(settings);
    }
    static void pressRun(DialogHandle dialog) { dialogClick(dialog, setupRunId); }
    static void pressCancel(DialogHandle dialog) { dialogClick(dialog, setupCancelId); }

    // Entry i of the module's list and item i of the combo box must describe the same mode.
    void expectListMatchesItems() {
        ASSERT_EQ(int(user.shown.items.size()), displayModeCount);
        for (int i = 0; i < displayModeCount; ++i)
            EXPECT_EQ(user.shown.items[size_t(i)], std::to_string(displayModes[i].width) + " * " +
                                                       std::to_string(displayModes[i].height));
    }
};

using Items = std::vector<std::string>;

TEST_F(SetupDialog, OffersTheSystemsOrderCollapsingOnlyAdjacentRepeatsAndPreselectsTheLast) {
    fakeModes = {mode(1920, 1080),        mode(1280, 720, 32, 60), mode(1280, 720, 32, 50),
                 mode(1280, 720, 32, 30), mode(1024, 768),         mode(1024, 768, 32, 75),
                 mode(1280, 720),         mode(800, 600)};
    EXPECT_EQ(show(pressRun), 1);
    EXPECT_EQ(user.shown.items,
              (Items{"1920 * 1080", "1280 * 720", "1024 * 768", "1280 * 720", "800 * 600"}));
    EXPECT_EQ(user.shown.selection, 3);
    EXPECT_EQ(user.shown.checked, 0);
    expectListMatchesItems();
    EXPECT_EQ(settings.width, 1280);
    EXPECT_EQ(settings.height, 720);
    EXPECT_EQ(settings.windowed, 1);
    EXPECT_EQ(fakeQueries, fakeModes.size() + 1); // up to and including the first failing query
}

TEST_F(SetupDialog, OffersOnlyModesAtTheRecordsDepth) {
    // A mode at another depth between two of the same size does not separate them.
    fakeModes = {mode(800, 600),      mode(1024, 768, 16), mode(800, 600),
                 mode(1280, 720, 24), mode(1280, 720, 16), mode(640, 480)};
    show(pressCancel);
    EXPECT_EQ(user.shown.items, (Items{"800 * 600", "640 * 480"}));
    EXPECT_EQ(user.shown.selection, comboError);

    settings.bitsPerPixel = 16;
    user.shown = {};
    show(pressCancel);
    EXPECT_EQ(user.shown.items, (Items{"1024 * 768", "1280 * 720"}));
    EXPECT_EQ(user.shown.selection, 1);
    expectListMatchesItems();
}

TEST_F(SetupDialog, ListsAtMost4096ModesAndStopsAskingOnceFull) {
    for (uint32_t i = 0; i < 4096; ++i)
        fakeModes.push_back(mode(100 + i, 200 + i));
    show(pressCancel);
    EXPECT_EQ(displayModeCount, 4096);
    EXPECT_EQ(fakeQueries, 4096u);
    EXPECT_EQ(user.shown.items.back(), "4195 * 4295");
    expectListMatchesItems();

    fakeModes.push_back(mode(1280, 720)); // the 4097th would have been the preselected one
    fakeQueries = 0;
    user.shown = {};
    show(pressCancel);
    EXPECT_EQ(displayModeCount, 4096);
    EXPECT_EQ(fakeQueries, 4096u);
    EXPECT_EQ(user.shown.selection, comboError);

    // Skipped modes do not count against the limit.
    fakeModes.insert(fakeModes.begin(), 50, mode(640, 480, 16));
    fakeQueries = 0;
    user.shown = {};
    show(pressCancel);
    EXPECT_EQ(displayModeCount, 4096);
    EXPECT_EQ(fakeQueries, 4096u + 50u);
    EXPECT_EQ(user.shown.items.front(), "100 * 200");
}

TEST_F(SetupDialog, RunWritesTheChosenModeAndTheFullscreenBox) {
    fakeModes = {mode(1920, 1080), mode(1280, 720), mode(1024, 768)};
    EXPECT_EQ(show([](DialogHandle dialog) {
                  select(dialog, 2);
                  dialogClick(dialog, setupFullscreenId);
                  pressRun(dialog);
              }),
              1);
    EXPECT_EQ(settings.width, 1024);
    EXPECT_EQ(settings.height, 768);
    EXPECT_EQ(settings.windowed, 0);
    EXPECT_EQ(settings.bitsPerPixel, 32);
    EXPECT_EQ(settings.instance, &programModule);

    // A record that is not windowed starts with the box checked; unchecking it means windowed.
    user.shown = {};
    EXPECT_EQ(show([](DialogHandle dialog) {
                  dialogClick(dialog, setupFullscreenId);
                  select(dialog, 0);
                  pressRun(dialog);
              }),
              1);
    EXPECT_EQ(user.shown.checked, 1);
    EXPECT_EQ(user.shown.selection, 2);
    EXPECT_EQ(settings.width, 1920);
    EXPECT_EQ(settings.height, 1080);
    EXPECT_EQ(settings.windowed, 1);
}

TEST_F(SetupDialog, CancelLeavesTheRecordUntouchedWhateverWasChanged) {
    fakeModes = {mode(1920, 1080), mode(1280, 720)};
    EXPECT_EQ(show([](DialogHandle dialog) {
                  select(dialog, 0);
                  dialogClick(dialog, setupFullscreenId);
                  pressCancel(dialog);
              }),
              0);
    EXPECT_EQ(settings.width, 1280);
    EXPECT_EQ(settings.height, 720);
    EXPECT_EQ(settings.windowed, 1);

    // Other commands (list and check box notifications) do not end the dialog.
    EXPECT_EQ(show([](DialogHandle dialog) {
                  dialogClick(dialog, setupFullscreenId);
                  dialogClick(dialog, -1);
              }),
              -1);
    EXPECT_EQ(settings.windowed, 1);
}

TEST_F(SetupDialog, RunWithoutSelectionKeepsTheRecordsSize) {
    // The record's size is not offered and the user picks nothing.
    fakeModes = {mode(1920, 1080), mode(1024, 768)};
    EXPECT_EQ(show([](DialogHandle dialog) {
                  dialogClick(dialog, setupFullscreenId);
                  pressRun(dialog);
              }),
              1);
    EXPECT_EQ(user.shown.selection, comboError);
    EXPECT_EQ(settings.width, 1280);
    EXPECT_EQ(settings.height, 720);
    EXPECT_EQ(settings.windowed, 0);

    // No mode at all at the record's depth.
    fakeModes = {mode(1280, 720, 16)};
    settings.width = 1111;
    settings.windowed = 1;
    user.shown = {};
    EXPECT_EQ(show(pressRun), 1);
    EXPECT_TRUE(user.shown.items.empty());
    EXPECT_EQ(settings.width, 1111);
    EXPECT_EQ(settings.height, 720);
    EXPECT_EQ(settings.windowed, 1);
}

TEST_F(SetupDialog, ADialogThatCannotBeMadeReturnsMinusOneAndLeavesTheRecord) {
    fakeModes = {mode(1280, 720)};
    settings.instance = nullptr; // no module to find the template in
    settings.windowed = 0;
    EXPECT_EQ(show(pressRun), -1);
    EXPECT_EQ(settings.windowed, 0);

    // No display: the real dialog cannot be shown (a fresh process, as GTK starts once).
    setDialogDriver(nullptr, nullptr);
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            DisplaySettings fresh;
            fresh.instance = &programModule;
            int result = showSetupDialog(fresh);
            std::exit(result == -1 && fresh.width == 1280 && fresh.windowed == 1 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
