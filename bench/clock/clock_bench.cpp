// bench_clock: how well the music clock follows real time. Plays a music file through SDL's
// dummy driver (which consumes audio in real time), samples the position every millisecond and
// reports: the largest backward step (must be 0), the start latency, the percentiles of the
// deviation from the wall clock once that latency is taken out, and the share of 60 Hz frames
// in which the track row did not change.
//
//   bench_clock [MUSIC.mp3 [SECONDS]]     (defaults: assets/music.mp3, 10 s)
#include "audio/audio_output.h"
#include "base/show.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

static double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : showMusicPath;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!audioInitDevice(-1, showAudioRate, 0)) return 1;
    AudioStream stream = audioCreateFileStream(path, 0, 0, 0);
    if (!stream) return 2;

    struct Sample {
        double wall, music;
    };
    std::vector<Sample> samples;
    audioStartOutput();
    audioPlay(stream, 0);
    const auto start = Clock::now();
    for (;;) {
        double music = audioBytesToSeconds(stream, audioBytePosition(stream));
        double wall = std::chrono::duration<double>(Clock::now() - start).count();
        if (wall > seconds) break;
        samples.push_back({wall, music});
        std::this_thread::sleep_until(start +
                                      std::chrono::microseconds(int64_t(1000 * samples.size())));
    }
    audioShutdown();

    double worstBackStep = 0.0, firstSound = -1.0;
    std::vector<double> lags;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (i > 0) worstBackStep = std::max(worstBackStep, samples[i - 1].music - samples[i].music);
        if (samples[i].music > 0.0 && firstSound < 0.0) firstSound = samples[i].wall;
        if (samples[i].music > 0.0) lags.push_back(samples[i].wall - samples[i].music);
    }
    const double latency = percentile(lags, 0.5);
    std::vector<double> deviations;
    for (double lag : lags)
        deviations.push_back(std::abs(lag - latency) * 1000.0);

    // The dummy driver paces itself with whole-millisecond sleeps, so its clock runs at a rate
    // slightly off real time; a least-squares line separates that rate from the clock's jitter.
    double n = 0, sw = 0, sm = 0, sww = 0, swm = 0;
    for (const Sample& s : samples) {
        if (s.music <= 0.0) continue;
        n += 1, sw += s.wall, sm += s.music, sww += s.wall * s.wall, swm += s.wall * s.music;
    }
    const double rate = (n * swm - sw * sm) / (n * sww - sw * sw);
    const double intercept = (sm - rate * sw) / n;
    std::vector<double> jitter;
    for (const Sample& s : samples)
        if (s.music > 0.0)
            jitter.push_back(std::abs(s.music - (intercept + rate * s.wall)) * 1000.0);

    // Frames of 1/60 s: the row each frame would render, taken from the nearest sample.
    const double frame = 1.0 / 60.0;
    size_t frames = 0, stuck = 0, next = 0;
    double previousRow = -1.0;
    for (double t = firstSound + frame; t < seconds; t += frame) {
        while (next + 1 < samples.size() && samples[next].wall < t)
            ++next;
        double row = samples[next].music * showRowsPerSecond;
        if (previousRow >= 0.0) {
            ++frames;
            if (row == previousRow) ++stuck;
        }
        previousRow = row;
    }

    std::printf("| measure | value |\n|---|---|\n");
    std::printf("| samples (1 ms apart) | %zu |\n", samples.size());
    std::printf("| largest backward step | %.6f s |\n", worstBackStep);
    std::printf("| start latency (median wall - music) | %.1f ms |\n", latency * 1000.0);
    std::printf("| deviation from wall clock p50 | %.2f ms |\n", percentile(deviations, 0.5));
    std::printf("| deviation from wall clock p99 | %.2f ms |\n", percentile(deviations, 0.99));
    std::printf("| deviation from wall clock max | %.2f ms |\n", percentile(deviations, 1.0));
    std::printf("| clock rate against the wall clock | %.4f |\n", rate);
    std::printf("| deviation from that straight line p50 | %.2f ms |\n", percentile(jitter, 0.5));
    std::printf("| deviation from that straight line p99 | %.2f ms |\n", percentile(jitter, 0.99));
    std::printf("| deviation from that straight line max | %.2f ms |\n", percentile(jitter, 1.0));
    std::printf("| 60 Hz frames with an unchanged row | %zu of %zu (%.2f %%) |\n", stuck, frames,
                frames ? 100.0 * double(stuck) / double(frames) : 0.0);
    return worstBackStep > 0.0 ? 3 : 0;
}
