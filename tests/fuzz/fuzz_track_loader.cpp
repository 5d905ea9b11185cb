// Feeds arbitrary bytes to the track file decoder and evaluates the track it makes.
#include "formats/track_file.h"
#include "tracks/tracks.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Track track{nullptr, nullptr, 0};
    if (decodeTrackFile(data, size, &track.keys, &track.keyCount)) return 0;
    // Never more keys than the bytes hold whole.
    size_t complete = size < 4 ? 0 : (size - 4) / 9;
    if (track.keyCount < 0 || size_t(track.keyCount) > complete) std::abort();
    if ((track.keyCount == 0) != (track.keys == nullptr)) std::abort();

    const double inf = std::numeric_limits<double>::infinity();
    const double rows[] = {std::nan(""), -inf, inf, -1e12, 1e12, -2147483648.5,
                           2147483647.5, -0.5, 0.0, 0.25,  7.75, 1000.5};
    double probes = 0;
    for (double row : rows)
        probes += evaluateTrack(&track, row);
    for (int32_t i = 0; i < track.keyCount && i < 64; ++i) {
        double row = track.keys[i].row;
        for (double offset : {-0.5, 0.0, 0.5}) {
            double value = evaluateTrack(&track, row + offset);
            // Every result must survive narrowing to float unchanged.
            if (!std::isnan(value) && double(float(value)) != value) std::abort();
            probes += value;
        }
    }
    std::free(track.keys);
    return probes == 12345.678 ? 1 : 0; // keeps the evaluations from being optimised away
}
