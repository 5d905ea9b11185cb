// Feeds arbitrary bytes to trackc's text parser and its track file checker. A source that parses
// without problems must print and parse back to the very same keys.
#include "trackc.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    TrackSource source;
    Diagnostics diagnostics;
    int32_t problems = parseTrackSource("fuzz.txt", text, size, &source, &diagnostics);
    if (problems != diagnostics.count) std::abort();

    if (problems == 0) {
        for (const SourceTrack& track : source.tracks) {
            std::vector<TrackKey> keys;
            for (const SourceKey& k : track.keys)
                keys.push_back(k.key);
            for (bool bars : {false, true}) {
                std::string printed =
                    printTrackText(track.name.c_str(), keys.data(), int32_t(keys.size()), bars);
                TrackSource again;
                Diagnostics none;
                if (parseTrackSource("again.txt", printed.data(), printed.size(), &again, &none))
                    std::abort();
                if (again.tracks.size() != 1 || again.tracks[0].name != track.name) std::abort();
                if (again.tracks[0].keys.size() != keys.size()) std::abort();
                for (size_t i = 0; i < keys.size(); ++i) {
                    if (std::memcmp(&again.tracks[0].keys[i].key, &keys[i], sizeof keys[i]) != 0)
                        std::abort();
                }
            }
            std::string bytes = encodeTrackFile(keys.data(), int32_t(keys.size()));
            Diagnostics fileProblems;
            if (checkTrackFile("t.track", bytes, &fileProblems)) std::abort();
        }
    }

    Diagnostics fileDiagnostics;
    checkTrackFile("fuzz.track", std::string(text, size), &fileDiagnostics);
    return 0;
}
