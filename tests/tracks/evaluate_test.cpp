#include "tracks/tracks.h"
#include "tracks/tracks_internal.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

// A track over keys held by the test.
struct KeyedTrack {
    std::vector<TrackKey> keys;
    Track track{};
    explicit KeyedTrack(std::vector<TrackKey> k) : keys(std::move(k)) {
        track.name = nullptr;
        track.keys = keys.data();
        track.keyCount = int32_t(keys.size());
    }
    double at(double row) const { return evaluateTrack(&track, row); }
};

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

TEST(EvaluateTrack, ThreeKeyExampleIsBitExact) {
    KeyedTrack t({{0, 0.0f, Linear}, {10, 1.0f, Constant}, {20, 5.0f, Smooth}});
    EXPECT_EQ(t.at(-3.0), 0.0);
    EXPECT_EQ(t.at(5.5), double(float(0.55)));
    EXPECT_EQ(t.at(10.0), 1.0);
    EXPECT_EQ(t.at(19.99), 1.0);
    EXPECT_EQ(t.at(20.0), 5.0);
    EXPECT_EQ(t.at(500.0), 5.0);
}

TEST(EvaluateTrack, EachInterpolatingKindShapesTheSegment) {
    struct Case {
        int32_t kind;
        double expected;
    };
    for (Case c : {Case{Linear, 2.0}, Case{Smooth, 1.25}, Case{Quadratic, 0.5}}) {
        KeyedTrack t({{0, 0.0f, c.kind}, {4, 8.0f, Constant}});
        EXPECT_EQ(t.at(1.0), c.expected) << "kind " << c.kind;
        // On the key's own row every kind gives the key's value; just below the next key it has
        // not reached it yet.
        EXPECT_EQ(t.at(0.0), 0.0) << "kind " << c.kind;
        EXPECT_LT(t.at(3.999), 8.0) << "kind " << c.kind;
        EXPECT_EQ(t.at(4.0), 8.0) << "kind " << c.kind;
    }
    KeyedTrack step({{0, 3.0f, Constant}, {4, 8.0f, Constant}});
    EXPECT_EQ(step.at(3.999), 3.0);
}

TEST(EvaluateTrack, FractionalRowsInterpolateInsideTheFlooredSegment) {
    // The row goes unfloored into the shaping: 2.5 of 4 rows is t = 0.625.
    KeyedTrack t({{0, 0.0f, Linear}, {4, 8.0f, Linear}, {8, 0.0f, Linear}});
    EXPECT_EQ(t.at(2.5), 5.0);
    EXPECT_EQ(t.at(6.5), 3.0);
    // Negative fractional rows floor downwards: -0.5 is before a key at row 0.
    KeyedTrack late({{0, 7.0f, Linear}, {2, 9.0f, Linear}});
    EXPECT_EQ(late.at(-0.5), 7.0);
}

TEST(EvaluateTrack, OutsideTheKeysHoldsTheEndValues) {
    KeyedTrack none({});
    for (double row : {-1e9, -1.0, 0.0, 3.5, 1e9})
        EXPECT_EQ(none.at(row), 0.0);
    for (int32_t kind : {0, 1, 2, 3, 9, -3}) {
        KeyedTrack one({{5, -2.0f, kind}});
        for (double row : {-1e9, 4.99, 5.0, 5.5, 1e9})
            EXPECT_EQ(one.at(row), -2.0) << kind;
    }
    KeyedTrack above({{100, 6.0f, Linear}, {200, 7.0f, 77}});
    EXPECT_EQ(above.at(0.0), 6.0);
    EXPECT_EQ(above.at(99.99), 6.0);
    EXPECT_EQ(above.at(200.0), 7.0); // the last key's unknown code plays no part
}

TEST(EvaluateTrack, UnknownCodesZeroTheirSegmentOnly) {
    for (int32_t code : {4, 127, -1, -128}) {
        KeyedTrack t({{0, 1.0f, Linear}, {10, 2.0f, code}, {20, 3.0f, Linear}, {30, 4.0f, 0}});
        EXPECT_EQ(t.at(5.0), double(1.5f)) << code;
        EXPECT_EQ(t.at(10.0), 0.0) << code;
        EXPECT_EQ(t.at(19.99), 0.0) << code;
        EXPECT_EQ(t.at(20.0), 3.0) << code;
        EXPECT_EQ(t.at(25.0), 3.5) << code;
    }
}

TEST(EvaluateTrack, RepeatedRowsJumpAndNeverDivideByZero) {
    KeyedTrack t({{0, 0.0f, Linear}, {10, 1.0f, Linear}, {10, 5.0f, Linear}, {20, 6.0f, Linear}});
    EXPECT_EQ(t.at(5.0), 0.5);
    EXPECT_EQ(searchKeyRow(&t.track, 10), 2);
    EXPECT_EQ(t.at(10.0), 5.0);
    EXPECT_EQ(t.at(15.0), 5.5);

    // Here the search lands on the first of the two keys at row 10: a segment without span.
    for (int32_t kind : {Linear, Smooth, Quadratic}) {
        KeyedTrack z({{0, 0.0f, Linear}, {10, 1.0f, kind}, {10, 5.0f, Linear}});
        EXPECT_EQ(keyIndexAtOrBefore(&z.track, 10), 1);
        EXPECT_EQ(z.at(10.0), 1.0) << kind;
        EXPECT_EQ(z.at(10.75), 1.0) << kind;
        EXPECT_EQ(z.at(11.0), 5.0) << kind;
    }
}

TEST(EvaluateTrack, RowsWithoutAnInt32FloorTakeTheEndValues) {
    KeyedTrack t({{-5, 1.0f, Linear}, {5, 2.0f, Linear}});
    EXPECT_EQ(t.at(nan), 1.0);
    EXPECT_EQ(t.at(-inf), 1.0);
    EXPECT_EQ(t.at(inf), 2.0);
    EXPECT_EQ(t.at(-2147483649.0), 1.0);
    EXPECT_EQ(t.at(2147483648.0), 2.0);
    EXPECT_EQ(t.at(-1e300), 1.0);
    EXPECT_EQ(t.at(1e300), 2.0);

    // Keys at the very ends of the row range: the span does not fit 32 bits.
    KeyedTrack wide({{INT32_MIN, -1.0f, Linear}, {INT32_MAX, 1.0f, Linear}});
    EXPECT_EQ(wide.at(-2147483648.0), -1.0);
    EXPECT_EQ(wide.at(2147483646.5), double(float(1.0 - 2.0 * 1.5 / 4294967295.0)));
    EXPECT_EQ(wide.at(2147483647.9), 1.0);
    double middle = wide.at(0.0);
    EXPECT_GT(middle, -0.01);
    EXPECT_LT(middle, 0.01);
}

TEST(EvaluateTrack, ValuesAtTheFloatLimitsStayFinite) {
    for (int32_t kind : {Linear, Smooth, Quadratic}) {
        KeyedTrack t({{0, -FLT_MAX, kind}, {8, FLT_MAX, kind}});
        for (double row : {0.0, 0.5, 4.0, 7.999}) {
            double v = t.at(row);
            EXPECT_TRUE(std::isfinite(v)) << kind << " at " << row;
            EXPECT_EQ(double(float(v)), v);
        }
        EXPECT_EQ(t.at(0.0), -FLT_MAX);
    }
}

// Over random tracks, sorted or not: the search stays inside the array and returns a key at the
// row or the right insertion point (for sorted keys), and every result is a float.
TEST(EvaluateTrack, RandomTracksGiveFloatResultsAndInRangeSearches) {
    std::mt19937 random(20141);
    for (int trial = 0; trial < 2000; ++trial) {
        std::vector<TrackKey> keys(random() % 12);
        bool sorted = trial % 2 == 0;
        int32_t row = int32_t(random() % 20) - 10;
        for (TrackKey& k : keys) {
            row = sorted ? row + int32_t(random() % 4) : int32_t(random() % 40) - 20;
            k = {row, float(int32_t(random() % 2001) - 1000) / 8.0f, int32_t(random() % 6) - 1};
        }
        KeyedTrack t(keys);
        for (int probe = 0; probe < 20; ++probe) {
            int32_t r = int32_t(random() % 60) - 30;
            int32_t s = searchKeyRow(&t.track, r);
            int32_t i = keyIndexAtOrBefore(&t.track, r);
            ASSERT_GE(i, -1);
            ASSERT_LT(i, t.track.keyCount);
            if (s >= 0) {
                ASSERT_EQ(keys[s].row, r);
            } else if (sorted) {
                size_t p = size_t(-s - 1);
                ASSERT_TRUE(p == keys.size() || keys[p].row > r);
                ASSERT_TRUE(p == 0 || keys[p - 1].row < r);
            }
            double row = r + double(random() % 1000) / 1000.0;
            double v = t.at(row);
            ASSERT_EQ(double(float(v)), v) << "row " << row;
            if (sorted) {
                ASSERT_TRUE(std::isfinite(v)) << "row " << row;
            }
        }
    }
}

TEST(KeySearch, RepeatedRowsFollowTheHalvingSteps) {
    KeyedTrack same({{5, 0, 0}, {5, 0, 0}, {5, 0, 0}, {5, 0, 0}, {5, 0, 0}});
    EXPECT_EQ(searchKeyRow(&same.track, 5), 2);
    EXPECT_EQ(searchKeyRow(&same.track, 4), -1);
    EXPECT_EQ(searchKeyRow(&same.track, 6), -6);
    KeyedTrack pairs({{1, 0, 0}, {1, 0, 0}, {3, 0, 0}, {3, 0, 0}});
    EXPECT_EQ(searchKeyRow(&pairs.track, 1), 1);
    EXPECT_EQ(searchKeyRow(&pairs.track, 3), 2);
    EXPECT_EQ(keyIndexAtOrBefore(&pairs.track, 2), 1);
    EXPECT_EQ(keyIndexAtOrBefore(&pairs.track, 0), -1);
    KeyedTrack negative({});
    negative.track.keyCount = -4;
    EXPECT_EQ(keyIndexAtOrBefore(&negative.track, 0), -1);
    EXPECT_EQ(evaluateTrack(&negative.track, 0.0), 0.0);
}

} // namespace
