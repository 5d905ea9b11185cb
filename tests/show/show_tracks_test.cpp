// The show as built into the demo folder, checked against the music events it was made from.
#include "choreo.h"
#include "trackc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

const char* const trackNames[] = {
    "uBass",        "uBend",           "uLineWidth",      "uBoxSize.x",     "uBoxSize.y",
    "uBoxSize.z",   "uGTime",          "uFisheye",        "uCamRot.x",      "uCamRot.y",
    "uCamRot.z",    "uCamPos.x",       "uCamPos.y",       "uCamPos.z",      "uSkyPos",
    "uSkyEnergy",   "uBuildingHeight", "uGreetsProgress", "uGreetsOpacity", "uQRVProgress",
    "uFadeToBlack", "uBoulePX",        "uBoulePZ",        "uGlow"};

// The demo stops after 157 seconds of 22 rows.
const double lastRow = 157.0 * 22.0;

std::string pathOf(const char* name) {
    return std::string(BRUMELT_DEMO_DIR) + "/tracks/sync_" + name + ".track";
}

class BuiltShow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        set = openTrackSet((std::string(BRUMELT_DEMO_DIR) + "/tracks/sync").c_str());
        std::ifstream in(SHOW_EVENTS_FILE, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        std::string error;
        ASSERT_EQ(parseMusicEvents(SHOW_EVENTS_FILE, text.str(), &events, &error), 0) << error;
    }
    static void TearDownTestSuite() { closeTrackSet(set); }
    static double at(const char* name, double row) {
        return evaluateTrack(fetchTrack(set, name), row);
    }

    static TrackSet* set;
    static std::vector<MusicEvent> events;
};

TrackSet* BuiltShow::set = nullptr;
std::vector<MusicEvent> BuiltShow::events;

TEST_F(BuiltShow, EveryTrackHasAFileThatPassesTheChecks) {
    std::vector<std::string> args = {"trackc", "check"};
    for (const char* name : trackNames) {
        args.push_back(pathOf(name));
        EXPECT_GT(fetchTrack(set, name)->keyCount, 0) << name;
    }
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    EXPECT_EQ(runTrackc(int(argv.size()), argv.data(), out, err), 0);
    std::fclose(out);
    std::fclose(err);
}

TEST_F(BuiltShow, BassPeaksOnTheKicksAndIsNeverNegative) {
    std::vector<int32_t> kicks;
    for (const MusicEvent& e : events)
        if (e.name == "kick") kicks.push_back(e.row);
    ASSERT_FALSE(kicks.empty());
    const double step = 0.125;
    int32_t peaks = 0;
    double before = at("uBass", -step), here = at("uBass", 0);
    for (double row = 0; row <= lastRow; row += step) {
        const double after = at("uBass", row + step);
        ASSERT_GE(here, 0.0) << "row " << row;
        if (here > before && here >= after) {
            ++peaks;
            int32_t nearest = INT32_MAX;
            for (int32_t k : kicks)
                nearest = std::min(nearest, int32_t(std::abs(k - row)));
            EXPECT_LE(nearest, 1) << "a bass peak at row " << row << " has no kick near it";
        }
        before = here;
        here = after;
    }
    // Most kicks carry a pulse (a section may leave them out).
    EXPECT_GE(peaks, int32_t(kicks.size()) / 2);
}

TEST_F(BuiltShow, EndsBlackAndStaysBlack) {
    EXPECT_EQ(at("uFadeToBlack", lastRow), 1.0);
    // Once fully black at the end, nothing shows again until well past the demo's last frame.
    double lastLight = -1;
    for (double row = 0; row <= lastRow + 22 * 10; row += 0.5)
        if (at("uFadeToBlack", row) < 1.0) lastLight = row;
    EXPECT_LT(lastLight, lastRow);
}

TEST_F(BuiltShow, EveryGreetingsStripIsShownWhileTheStripIsVisible) {
    bool shown[16] = {};
    for (double row = 0; row <= lastRow; row += 0.5) {
        if (at("uGreetsOpacity", row) < 0.9) continue;
        const double p = at("uGreetsProgress", row);
        shown[int(std::floor(16.0 * (p - std::floor(p))))] = true;
    }
    for (int k = 0; k < 16; ++k)
        EXPECT_TRUE(shown[k]) << "strip " << k;
}

TEST_F(BuiltShow, LogoIsRevealedAndValuesStayInTheShadersRange) {
    double logo = 0;
    for (double row = 0; row <= lastRow; row += 0.25) {
        logo = std::max(logo, at("uQRVProgress", row));
        const double width = at("uLineWidth", row);
        // A line width of 0 turns the frames into solid boxes; wider than a box leaves nothing.
        ASSERT_GT(width, 0.0) << row;
        for (const char* box : {"uBoxSize.x", "uBoxSize.y", "uBoxSize.z"})
            ASSERT_GT(at(box, row), width) << box << " at row " << row;
        for (const char* unit : {"uGreetsOpacity", "uFadeToBlack", "uFisheye"}) {
            ASSERT_GE(at(unit, row), 0.0) << unit << " at row " << row;
            ASSERT_LE(at(unit, row), 1.0) << unit << " at row " << row;
        }
        ASSERT_GE(at("uGlow", row), 0.0) << row;
        ASSERT_GE(at("uBuildingHeight", row), 0.0) << row;
    }
    EXPECT_GT(logo, 0.85);
}

} // namespace
