// The show as built into the demo folder, checked against the music events it was made from.
#include "base/show.h"
#include "choreo.h"
#include "formats/whole_file.h"
#include "trackc.h"
#include "tracks/tracks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const char* const trackNames[] = {
    "uBass",        "uBend",           "uLineWidth",      "uBoxSize.x",     "uBoxSize.y",
    "uBoxSize.z",   "uGTime",          "uFisheye",        "uCamRot.x",      "uCamRot.y",
    "uCamRot.z",    "uCamPos.x",       "uCamPos.y",       "uCamPos.z",      "uSkyPos",
    "uSkyEnergy",   "uBuildingHeight", "uGreetsProgress", "uGreetsOpacity", "uQRVProgress",
    "uFadeToBlack", "uBoulePX",        "uBoulePZ",        "uGlow"};

// The demo stops after this row.
const double lastRow = showLengthSeconds * showRowsPerSecond;

std::string pathOf(const char* name) {
    return std::string(BRUMELT_DEMO_DIR) + "/" + showTrackPrefix + "_" + name + ".track";
}

struct Vec3 {
    double x, y, z;
};

double length(Vec3 v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

double boxDistance(Vec3 p, Vec3 b) {
    const Vec3 d = {std::abs(p.x) - b.x, std::abs(p.y) - b.y, std::abs(p.z) - b.z};
    const Vec3 outside = {std::max(d.x, 0.0), std::max(d.y, 0.0), std::max(d.z, 0.0)};
    return std::min(std::max({d.x, d.y, d.z}), 0.0) + length(outside);
}

// (x, y) turned by the point's own -x, blended in by `weight`.
Vec3 bent(Vec3 p, double weight) {
    const Vec3 b = {p.x * std::cos(p.x) + p.y * std::sin(p.x),
                    -p.x * std::sin(p.x) + p.y * std::cos(p.x), p.z};
    return {p.x + (b.x - p.x) * weight, p.y + (b.y - p.y) * weight, p.z};
}

double wrapCell(double v) {
    return v - 2.0 * std::floor(v / 2.0) - 1.0;
}

class BuiltShow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        set = openTrackSet((std::string(BRUMELT_DEMO_DIR) + "/" + showTrackPrefix).c_str());
        std::string text, error;
        readWholeFile(SHOW_EVENTS_FILE, &text, &error);
        ASSERT_EQ(parseMusicEvents(SHOW_EVENTS_FILE, text, &events, &error), 0) << error;
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
    for (double row = 0; row <= lastRow + showRowsPerSecond * 10; row += 0.5)
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

// The city's distance from the camera, with every building at the tallest its cell could draw (the
// per-cell height is a hash that graphics processors need not agree on). A camera inside a box
// would turn the whole picture into one white surface.
TEST_F(BuiltShow, CameraStaysOutOfTheBuildingsAndSeesTheBall) {
    for (double row = 0; row <= lastRow; row += 0.5) {
        const double time = at("uGTime", row), bendStrength = at("uBend", row);
        Vec3 p = {at("uCamPos.x", row), 2.0 + at("uCamPos.y", row),
                  3.0 - time + at("uCamPos.z", row)};
        const double bassColumn = std::floor(std::abs(0.5 * p.x));
        p = bent(p, 0.1 * bendStrength);
        const Vec3 w = bent({p.z, p.y, p.x}, 0.01 * bendStrength);
        p = {p.x, w.y, w.x};
        const double width = at("uLineWidth", row);
        const double bass = at("uBass", row) / (1.0 + bassColumn);
        const Vec3 box = {at("uBoxSize.x", row),
                          at("uBoxSize.y", row) + bass * bass + 2.0 * at("uBuildingHeight", row),
                          at("uBoxSize.z", row)};
        const double outer = boxDistance({wrapCell(p.x), p.y, wrapCell(p.z)}, box);
        ASSERT_GT(outer, 2.0 * width) << "the camera is at a wall at row " << row;

        // The ball rides at ground level some way ahead of the camera.
        const double ahead = 3.0 + at("uCamPos.z", row) - at("uBoulePZ", row);
        ASSERT_GT(ahead, 2.0) << row;
    }
}

} // namespace
