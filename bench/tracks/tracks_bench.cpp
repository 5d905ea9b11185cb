// Cost of evaluating tracks: one call on tracks of different lengths, and the 25 calls of one
// frame (24 tracks, the bass track twice).
#include "base/show.h"
#include "tracks/tracks.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

// Keys every 8 rows, cycling through the four kinds so that every shaping gets its share.
std::vector<TrackKey> makeKeys(int32_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<TrackKey> keys(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        keys[size_t(i)] = {i * 8, float(random() % 1000) / 100.0f, i % 4};
    return keys;
}

// Rows spread over the track and a little beyond its ends, in a fixed random order.
std::vector<double> makeRows(int32_t keyCount, size_t count) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> spread(-4.0, keyCount * 8.0 + 4.0);
    std::vector<double> rows(count);
    for (double& row : rows)
        row = spread(random);
    return rows;
}

void evaluateOne(benchmark::State& state) {
    int32_t keyCount = int32_t(state.range(0));
    std::vector<TrackKey> keys = makeKeys(keyCount, 1);
    Track track{nullptr, keys.data(), keyCount};
    std::vector<double> rows = makeRows(keyCount, 4096);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(evaluateTrack(&track, rows[i]));
        i = (i + 1) & 4095;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(evaluateOne)->Arg(1)->Arg(16)->Arg(1024);

// One frame: 24 tracks of 4 to 64 keys evaluated at the frame's row, the row moving on by one
// 60 Hz frame each iteration and wrapping after the show's end.
void evaluateFrame(benchmark::State& state) {
    std::vector<std::vector<TrackKey>> keys;
    std::vector<Track> tracks;
    for (uint32_t t = 0; t < 24; ++t)
        keys.push_back(makeKeys(4 + int32_t(t * 60 / 23), t));
    for (auto& k : keys)
        tracks.push_back({nullptr, k.data(), int32_t(k.size())});
    const double step = showRowsPerSecond / 60.0, end = showLengthSeconds * showRowsPerSecond;
    double row = 0.0;
    for (auto _ : state) {
        float uniforms[25];
        for (int i = 0; i < 24; ++i)
            uniforms[i] = float(evaluateTrack(&tracks[size_t(i)], row));
        uniforms[24] = float(evaluateTrack(&tracks[0], row)); // the bass track, read twice
        benchmark::DoNotOptimize(uniforms);
        row += step;
        if (row > end) row = 0.0;
    }
    state.SetItemsProcessed(state.iterations() * 25);
}
BENCHMARK(evaluateFrame);

} // namespace

BENCHMARK_MAIN();
