// Feeds arbitrary bytes to choreo: the part before the first "%%" line is the events file, the
// rest the show. Whatever choreo accepts must be a source that trackc accepts without a problem.
#include "choreo.h"
#include "trackc.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find("%%\n");
    const std::string eventsText = split == std::string::npos ? input : input.substr(0, split);
    const std::string show = split == std::string::npos ? std::string() : input.substr(split + 3);

    std::vector<MusicEvent> events;
    std::string error, out;
    if (parseMusicEvents("events", eventsText, &events, &error)) return 0;
    if (generateShow("show", show, events, &out, &error)) return 0;
    TrackSource source;
    Diagnostics diagnostics;
    if (parseTrackSource("generated", out.data(), out.size(), &source, &diagnostics) != 0)
        std::abort();
    return 0;
}
