#include "choreo.h"
#include "support/demo_folder.h"
#include "support/music_events.h"
#include "trackc.h"
#include "tracks/tracks.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// The generated source read back by trackc's own parser, keyed by track name.
std::map<std::string, std::vector<TrackKey>> generate(const std::string& show,
                                                      const char* eventText = twoSections) {
    std::string out, error;
    EXPECT_EQ(generateShow("show", show, events(eventText), &out, &error), 0) << error;
    TrackSource source;
    Diagnostics diagnostics;
    EXPECT_EQ(parseTrackSource("gen", out.data(), out.size(), &source, &diagnostics), 0)
        << (diagnostics.messages.empty() ? out : diagnostics.messages[0]);
    std::map<std::string, std::vector<TrackKey>> tracks;
    for (const SourceTrack& t : source.tracks)
        for (const SourceKey& k : t.keys)
            tracks[t.name].push_back(k.key);
    return tracks;
}

std::string failure(const std::string& show, const char* eventText = twoSections) {
    std::string out, error;
    EXPECT_NE(generateShow("show", show, events(eventText), &out, &error), 0) << out;
    return error;
}

double valueAt(const std::vector<TrackKey>& keys, double row) {
    Track t{nullptr, const_cast<TrackKey*>(keys.data()), int32_t(keys.size())};
    return evaluateTrack(&t, row);
}

TEST(ShowRows, ResolveAgainstSectionsAndTheEnd) {
    auto a = generate("track a  # comment\n0:1:0 1 linear\nmain-1 2 constant\nmain 3 smooth\n"
                      "main+0:0:4 4 quadratic\nmain+1:0:0 5 3\nend 6 constant\n")["a"];
    const int32_t rows[] = {8, 63, 64, 68, 96, 128};
    ASSERT_EQ(a.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(a[i].row, rows[i]);
        EXPECT_EQ(a[i].value, float(i + 1));
    }
    EXPECT_EQ(a[4].interpolation, Quadratic);
}

TEST(ShowRows, ReportProblemsWithTheShowsLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"track a\nbridge 1 linear\n", "show:2: the music has no section 'bridge'"},
        {"track a\nmain+ 1 linear\n", "show:2: 'main+' is not SECTION"},
        {"track a\nmain*2 1 linear\n", "show:2: 'main*2' is not SECTION"},
        {"track a\nend+-0 1 linear\n", "show:2: 'end+-0' is not SECTION"},
        {"track a\nmain+1:9:0 1 linear\n", "show:2: 'main+1:9:0' is not SECTION"},
        {"track a\nmain+2147483647 1 linear\n", "show:2: 'main+2147483647' lies outside"},
        {"track a\nmain 1 linear\nintro+64 2 linear\n", "show:3: intro+64 is row 64, not after"},
        {"track a\n5 nan linear\n", "show:2: 'nan' is not a finite value"},
        {"track a\n5 1e39 linear\n", "show:2: '1e39' is not a finite value"},
        {"track a\n5 1 cubic\n", "show:2: 'cubic' is not constant"},
        {"track a\n5 1\n", "show:2: expected 'ROW VALUE KIND'"},
        {"track a\x01b\n", "show:1: control character in the line"},
        {"track a\n5\v1 linear\n", "show:2: control character in the line"},
        {"5 1 linear\n", "show:1: a key outside a track"},
        {"track a\ntrack a\n", "show:2: track 'a' is made twice"},
        {"track a b\n", "show:1: expected 'track NAME'"},
    };
    for (const auto& [show, start] : cases) {
        const std::string error = failure(show);
        EXPECT_EQ(error.rfind(start, 0), 0u) << show << " gave: " << error;
    }
    // Without an end event, "end" is just an unknown name.
    EXPECT_NE(failure("track a\nend 1 linear\n", "0 section intro\n").find("no section 'end'"),
              std::string::npos);
}

TEST(Pulses, PeakOnEveryHitAndFallToZeroBeforeTheNext) {
    auto bass = generate("pulse b kick 6\nstrength b main 0.5\n")["b"];
    // Hits 64, 72, 73, 96: the one at 72 has a single row before 73, so it holds.
    for (int32_t hit : {64, 72, 73, 96})
        EXPECT_FLOAT_EQ(valueAt(bass, hit), 0.5) << hit;
    EXPECT_EQ(valueAt(bass, 0), 0.0);
    EXPECT_EQ(valueAt(bass, 63.9), 0.0);
    EXPECT_EQ(valueAt(bass, 70), 0.0);
    EXPECT_FLOAT_EQ(valueAt(bass, 72.5), 0.5);
    EXPECT_EQ(valueAt(bass, 79), 0.0);
    for (double r = 64; r < 70; r += 0.125) {
        EXPECT_GE(valueAt(bass, r), 0.0);
        EXPECT_LE(valueAt(bass, r + 0.125), valueAt(bass, r)) << "rises again at " << r;
    }
    // Within the decay, but falling fast: well below half the peak after a quarter beat.
    EXPECT_LT(valueAt(bass, 66), 0.25);
}

TEST(Pulses, FollowTheSectionStrengths) {
    auto ramp = generate("pulse b kick 4\nstrength b main 0.2 1\nstrength b intro 9\n")["b"];
    EXPECT_FLOAT_EQ(valueAt(ramp, 64), 0.2f);
    EXPECT_FLOAT_EQ(valueAt(ramp, 96), 0.2f + 0.8f * 0.5f);
    // A section without a strength gets no pulses at all.
    auto none = generate("pulse b kick 4\nstrength b intro 1\n")["b"];
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].value, 0.0f);
    // A pulse on an event the music does not have is flat too.
    auto silent = generate("pulse b clap 4\nstrength b main 1\n")["b"];
    ASSERT_EQ(silent.size(), 1u);
    // A hit at row 0 starts the track at its peak.
    auto first = generate("pulse b kick 4\nstrength b intro 1\n", "0 section intro\n0 kick\n")["b"];
    EXPECT_EQ(valueAt(first, -5), 1.0);
}

TEST(Pulses, RejectWhatWouldMakeBadTracks) {
    const std::pair<const char*, const char*> cases[] = {
        {"pulse b kick 6\nstrength b main -0.1\n", "show:2: a pulse strength cannot be negative"},
        {"pulse b kick 6\nstrength b main 1 -1\n", "show:2: a pulse strength cannot be negative"},
        {"pulse b kick 6\nstrength b bridge 1\n", "show:2: the music has no section 'bridge'"},
        {"pulse b kick 6\nstrength b main 1\nstrength b main 2\n", "show:3: the strength of b"},
        {"strength b main 1\n", "show:1: 'b' is not a pulse track"},
        {"track b\n0 0 constant\npulse b kick 6\n", "show:3: track 'b' is made twice"},
        {"pulse b kick 6\ntrack b\n", "show:2: track 'b' is made twice"},
        {"pulse b kick 0\n", "show:1: expected 'pulse TRACK EVENT DECAY'"},
        {"pulse b kick 2.5\n", "show:1: expected 'pulse TRACK EVENT DECAY'"},
        {"pulse a/b kick 2\n", "show:1: expected 'pulse TRACK EVENT DECAY'"},
        {"pulse b kick 6\n0 1 linear\n", "show:2: a key outside a track"},
    };
    for (const auto& [show, start] : cases) {
        const std::string error = failure(show);
        EXPECT_EQ(error.rfind(start, 0), 0u) << show << " gave: " << error;
    }
}

TEST(Choreo, CommandWritesTheSourceOrNothing) {
    const std::string dir = ::testing::TempDir();
    const std::string showPath = dir + "/choreo_show.tracks", eventsPath = dir + "/choreo_ev.txt",
                      outPath = dir + "/choreo_out.tracks";
    auto write = [](const std::string& path, const std::string& text) {
        ASSERT_TRUE(writeFileBytes(path, text));
    };
    write(eventsPath, twoSections);
    write(showPath, "track a\nmain 1 linear\n");
    std::remove(outPath.c_str());
    FILE* err = std::tmpfile();
    const char* args[] = {"choreo", showPath.c_str(), eventsPath.c_str(), outPath.c_str()};
    EXPECT_EQ(runChoreo(4, args, err), 0);
    FILE* out = std::fopen(outPath.c_str(), "rb");
    ASSERT_NE(out, nullptr);
    std::fclose(out);

    std::remove(outPath.c_str());
    write(showPath, "track a\nbridge 1 linear\n");
    EXPECT_EQ(runChoreo(4, args, err), 1);
    EXPECT_EQ(std::fopen(outPath.c_str(), "rb"), nullptr);
    const char* missing[] = {"choreo", "/nonexistent/show", eventsPath.c_str(), outPath.c_str()};
    EXPECT_EQ(runChoreo(4, missing, err), 1);
    EXPECT_EQ(runChoreo(3, args, err), 2);
    std::fclose(err);
}

} // namespace
