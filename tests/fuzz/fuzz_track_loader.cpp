// Feeds arbitrary bytes to the track loader as a track file and evaluates the track it makes.
#include "tracks/tracks.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <unistd.h>

static std::string folderPath;

static void removeFolder() {
    std::remove((folderPath + "/sync_t.track").c_str());
    rmdir(folderPath.c_str());
}

// A private folder for the one track file, removed when the run ends.
static const std::string& folder() {
    if (folderPath.empty()) {
        char pattern[] = "/tmp/fuzz-track-loader-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        folderPath = pattern;
        std::atexit(removeFolder);
    }
    return folderPath;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string prefix = folder() + "/sync";
    std::string path = prefix + "_t.track";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    TrackSet* set = openTrackSet(prefix.c_str());
    Track* track = fetchTrack(set, "t");
    // Never more keys than the file holds whole.
    size_t complete = size < 4 ? 0 : (size - 4) / 9;
    if (track->keyCount < 0 || size_t(track->keyCount) > complete) std::abort();
    if (fetchTrack(set, "t") != track) std::abort();

    const double inf = std::numeric_limits<double>::infinity();
    const double rows[] = {std::nan(""), -inf, inf, -1e12, 1e12, -2147483648.5,
                           2147483647.5, -0.5, 0.0, 0.25,  7.75, 1000.5};
    double probes = 0;
    for (double row : rows)
        probes += evaluateTrack(track, row);
    for (int32_t i = 0; i < track->keyCount && i < 64; ++i) {
        double row = track->keys[i].row;
        for (double offset : {-0.5, 0.0, 0.5}) {
            double value = evaluateTrack(track, row + offset);
            // Every result must survive narrowing to float unchanged.
            if (!std::isnan(value) && double(float(value)) != value) std::abort();
            probes += value;
        }
    }
    closeTrackSet(set);
    return probes == 12345.678 ? 1 : 0; // keeps the evaluations from being optimised away
}
