#include "support/demo_folder.h"
#include "support/track_files.h"
#include "tracks/tracks.h"
#include "tracks/tracks_internal.h"

#include <gtest/gtest.h>

namespace {

// A set opened on <temp>/sync, closed with the test.
struct TrackStore : ::testing::Test {
    TempFolder folder;
    std::string prefix = folder.file("sync");
    TrackSet* set = openTrackSet(prefix.c_str());

    void TearDown() override { closeTrackSet(set); }
    void put(const std::string& name, const std::string& bytes) {
        writeFileBytes(prefix + "_" + name + ".track", bytes);
    }
};

void expectKey(const Track* track, int32_t i, int32_t row, float value, int32_t interpolation) {
    ASSERT_LT(i, track->keyCount);
    EXPECT_EQ(track->keys[i].row, row) << "key " << i;
    EXPECT_EQ(track->keys[i].value, value) << "key " << i;
    EXPECT_EQ(track->keys[i].interpolation, interpolation) << "key " << i;
}

TEST_F(TrackStore, LoadsTheThirteenByteExampleAndIgnoresTrailingBytes) {
    const std::string example("\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x80\x3f\x01", 13);
    put("uBass", example);
    put("withTail", example + std::string("\x07\xff\x00garbage", 10));
    for (const char* name : {"uBass", "withTail"}) {
        Track* track = fetchTrack(set, name);
        ASSERT_EQ(track->keyCount, 1) << name;
        expectKey(track, 0, 0, 1.0f, Linear);
    }
}

TEST_F(TrackStore, KeepsKeysInFileOrderAndCodesAsSignedBytes) {
    put("t", trackFileBytes({{30, -2.5f, 0x7f}, {-4, 1e30f, 0x80}, {7, 0.0f, 0xff}, {7, 3.0f, 3}}));
    Track* track = fetchTrack(set, "t");
    ASSERT_EQ(track->keyCount, 4);
    expectKey(track, 0, 30, -2.5f, 127);
    expectKey(track, 1, -4, 1e30f, -128);
    expectKey(track, 2, 7, 0.0f, -1);
    expectKey(track, 3, 7, 3.0f, Quadratic);
}

TEST_F(TrackStore, MissingEmptyAndCountlessFilesGiveTracksWithoutKeys) {
    put("empty", "");
    put("zero", trackFileBytes({}));
    put("zeroWithTail", trackFileBytes({}) + "abcdefghi");
    put("oneByte", std::string(1, '\x01'));
    put("threeBytes", std::string("\x05\x00\x00", 3));
    for (const char* name : {"missing", "empty", "zero", "zeroWithTail", "oneByte", "threeBytes"}) {
        Track* track = fetchTrack(set, name);
        EXPECT_EQ(track->keyCount, 0) << name;
        EXPECT_EQ(evaluateTrack(track, -5.0), 0.0) << name;
        EXPECT_EQ(evaluateTrack(track, 12.5), 0.0) << name;
    }
    // Every one of them stays in the set, in the order asked for.
    ASSERT_EQ(set->trackCount, 6);
    EXPECT_STREQ(set->tracks[0]->name, "missing");
    EXPECT_EQ(findTrackIndex(set, "threeBytes"), 5);
}

TEST_F(TrackStore, LoadsOnlyTheCompleteKeysOfAShortOrMiscountedFile) {
    std::vector<TrackKey> keys = {{0, 1.0f, 1}, {8, 2.0f, 2}, {16, 3.0f, 0}};
    std::string bytes = trackFileBytes(keys, 1000000);
    put("overCounted", bytes);
    put("cutInLastKey", trackFileBytes(keys).substr(0, bytes.size() - 4));
    put("hugeCount", trackFileBytes(keys, INT32_MAX));
    put("negativeCount", trackFileBytes(keys, uint32_t(-1)));
    put("mostNegative", trackFileBytes(keys, uint32_t(INT32_MIN)) + "12345678");

    EXPECT_EQ(fetchTrack(set, "overCounted")->keyCount, 3);
    EXPECT_EQ(fetchTrack(set, "cutInLastKey")->keyCount, 2);
    EXPECT_EQ(fetchTrack(set, "hugeCount")->keyCount, 3);
    EXPECT_EQ(fetchTrack(set, "negativeCount")->keyCount, 3);
    Track* track = fetchTrack(set, "mostNegative");
    ASSERT_EQ(track->keyCount, 3);
    expectKey(track, 2, 16, 3.0f, 0);
}

TEST_F(TrackStore, LoadsManyKeysAcrossReadBlocks) {
    std::vector<TrackKey> keys;
    for (int32_t i = 0; i < 5000; ++i)
        keys.push_back({i * 3, float(i) * 0.5f, i % 4});
    put("long", trackFileBytes(keys));
    put("longCut", trackFileBytes(keys, 6000));
    Track* track = fetchTrack(set, "long");
    ASSERT_EQ(track->keyCount, 5000);
    expectKey(track, 4999, 4999 * 3, 2499.5f, 3);
    EXPECT_EQ(fetchTrack(set, "longCut")->keyCount, 5000);
}

TEST_F(TrackStore, ReadsAFileOnlyAtTheFirstRequestOfItsName) {
    Track* first = fetchTrack(set, "late");
    put("late", trackFileBytes({{0, 4.0f, 0}}));
    Track* second = fetchTrack(set, "late");
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->keyCount, 0);
    EXPECT_EQ(set->trackCount, 1);

    put("early", trackFileBytes({{0, 4.0f, 0}}));
    Track* early = fetchTrack(set, "early");
    put("early", trackFileBytes({{0, 9.0f, 0}, {1, 9.0f, 0}}));
    EXPECT_EQ(fetchTrack(set, "early"), early);
    EXPECT_EQ(early->keyCount, 1);
    EXPECT_EQ(early->keys[0].value, 4.0f);
}

TEST_F(TrackStore, UsesNamesAndPrefixVerbatim) {
    put("uBass", trackFileBytes({{0, 1.0f, 0}}));
    put("ubass", trackFileBytes({{0, 2.0f, 0}}));
    put("uBoxSize.x", trackFileBytes({{0, 3.0f, 0}}));
    EXPECT_EQ(evaluateTrack(fetchTrack(set, "uBass"), 0.0), 1.0);
    EXPECT_EQ(evaluateTrack(fetchTrack(set, "ubass"), 0.0), 2.0);
    EXPECT_EQ(evaluateTrack(fetchTrack(set, "uBoxSize.x"), 0.0), 3.0);
    EXPECT_EQ(set->trackCount, 3);
    EXPECT_STREQ(trackFilePath("./tracks/sync", "uBoxSize.x"), "./tracks/sync_uBoxSize.x.track");
    EXPECT_STREQ(trackFilePath("./tracks/", "a"), "./tracks/_a.track");
}

TEST_F(TrackStore, CopiesThePrefixAtOpening) {
    char prefix[512];
    std::snprintf(prefix, sizeof prefix, "%s", this->prefix.c_str());
    TrackSet* own = openTrackSet(prefix);
    prefix[0] = 'X';
    put("k", trackFileBytes({{0, 5.0f, 0}}));
    EXPECT_EQ(evaluateTrack(fetchTrack(own, "k"), 0.0), 5.0);
    closeTrackSet(own);
}

TEST_F(TrackStore, RefusesPathsLongerThanTheBuffer) {
    // Pad the name so that the path is exactly 259 characters, then one more.
    std::string fits(trackPathMax - prefix.size() - std::string("_.track").size(), 'n');
    std::string tooLong = fits + "n";
    ASSERT_LT(fits.size(), 255u) << "the temporary folder's path is too long for this test";
    put(fits, trackFileBytes({{0, 1.0f, 0}}));
    put(tooLong, trackFileBytes({{0, 2.0f, 0}}));
    EXPECT_EQ(std::string(trackFilePath(prefix.c_str(), fits.c_str())).size(), 259u);
    EXPECT_EQ(trackFilePath(prefix.c_str(), tooLong.c_str()), nullptr);
    EXPECT_EQ(fetchTrack(set, fits.c_str())->keyCount, 1);
    Track* refused = fetchTrack(set, tooLong.c_str());
    EXPECT_EQ(refused->keyCount, 0);
    EXPECT_EQ(fetchTrack(set, tooLong.c_str()), refused);
}

TEST_F(TrackStore, HandlesStayValidAsTheSetGrows) {
    std::vector<Track*> handles;
    for (int i = 0; i < 200; ++i)
        handles.push_back(fetchTrack(set, std::to_string(i).c_str()));
    ASSERT_EQ(set->trackCount, 200);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(fetchTrack(set, std::to_string(i).c_str()), handles[i]);
        EXPECT_EQ(set->tracks[i], handles[i]);
    }
    EXPECT_EQ(findTrackIndex(set, "200"), -1);
}

TEST(TrackStoreArguments, NullArgumentsGetATrackWithoutKeys) {
    EXPECT_EQ(openTrackSet(nullptr), nullptr);
    Track* track = fetchTrack(nullptr, "x");
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->keyCount, 0);
    TrackSet* set = openTrackSet("");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(fetchTrack(set, nullptr)->keyCount, 0);
    EXPECT_EQ(set->trackCount, 0);
    closeTrackSet(set);
    closeTrackSet(nullptr);
}

} // namespace
