// synth: renders a music score to a WAV file and writes the score's event file.
//
//   synth SCORE [--wav OUT.wav] [--events OUT.txt] [--stats]
//
// --stats prints the peak before the limiter and the DC of each channel. Exit status 0 on
// success, 1 for a bad score or an unwritable output, 2 for a bad command line.
#include "render.h"

#include <cmath>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const char* scorePath = nullptr;
    const char* wavPath = nullptr;
    const char* eventsPath = nullptr;
    bool showStats = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--wav") && i + 1 < argc)
            wavPath = argv[++i];
        else if (!std::strcmp(argv[i], "--events") && i + 1 < argc)
            eventsPath = argv[++i];
        else if (!std::strcmp(argv[i], "--stats"))
            showStats = true;
        else if (argv[i][0] != '-' && !scorePath)
            scorePath = argv[i];
        else
            scorePath = nullptr, i = argc;
    }
    if (!scorePath) {
        std::fprintf(stderr, "usage: synth SCORE [--wav OUT.wav] [--events OUT.txt] [--stats]\n");
        return 2;
    }
    Score score;
    std::string error;
    if (loadScore(scorePath, score, error) != 0) {
        std::fprintf(stderr, "synth: %s\n", error.c_str());
        return 1;
    }
    if (eventsPath && writeText(eventsPath, eventText(score), error) != 0) {
        std::fprintf(stderr, "synth: %s\n", error.c_str());
        return 1;
    }
    if (wavPath || showStats) {
        RenderStats stats;
        const std::vector<float> audio = renderScore(score, &stats);
        if (showStats)
            std::printf("peak before limiter %.2f dBFS, mean L %.6f R %.6f, %.2f s\n",
                        20.0 * std::log10(std::max(1e-9f, stats.peakBeforeLimiter)), stats.mean[0],
                        stats.mean[1], double(audio.size() / 2) / sampleRate);
        if (wavPath && writeWav(wavPath, audio, error) != 0) {
            std::fprintf(stderr, "synth: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
