#include "show_tracks.h"

#include "choreo.h"
#include "formats/whole_file.h"
#include "render/uniform_bindings.h"
#include "trackc.h"
#include "tracks/tracks_internal.h"

#include <cstdlib>

// Adds a track holding copies of the keys; false when memory ran out.
static bool addTrack(TrackSet* set, const SourceTrack& source) {
    const int32_t index = appendTrack(set, source.name.c_str());
    if (index < 0) return false;
    if (source.keys.empty()) return true;
    Track* track = set->tracks[index];
    track->keys = static_cast<TrackKey*>(std::malloc(source.keys.size() * sizeof(TrackKey)));
    if (!track->keys) return false;
    for (size_t i = 0; i < source.keys.size(); ++i)
        track->keys[i] = source.keys[i].key;
    track->keyCount = int32_t(source.keys.size());
    return true;
}

TrackSet* resolveShow(const char* showName, const std::string& showText,
                      const std::vector<MusicEvent>& events, std::string* error) {
    std::string generated;
    if (generateShow(showName, showText, events, &generated, error)) return nullptr;
    TrackSource source;
    Diagnostics diagnostics;
    diagnostics.limit = 1;
    if (parseTrackSource(showName, generated.data(), generated.size(), &source, &diagnostics)) {
        // The resolver checks what it writes, so this is a fault of ours rather than of the show;
        // its line numbers are those of the resolved text.
        *error = "resolved text: " + diagnostics.messages[0];
        return nullptr;
    }
    // The prefix names the show, for messages; no file is read through it, since every track
    // the frame asks for is in the set.
    TrackSet* set = openTrackSet(showName);
    if (!set) {
        *error = std::string(showName) + ": out of memory";
        return nullptr;
    }
    bool ok = true;
    for (const SourceTrack& t : source.tracks)
        ok = ok && addTrack(set, t);
    for (const UniformBinding& b : uniformBindings)
        for (int32_t c = 0; c < b.componentCount; ++c)
            if (ok && findTrackIndex(set, b.tracks[c]) < 0) ok = appendTrack(set, b.tracks[c]) >= 0;
    if (!ok) {
        closeTrackSet(set);
        *error = std::string(showName) + ": out of memory";
        return nullptr;
    }
    return set;
}

TrackSet* resolveShowFiles(const char* showPath, const char* eventsPath, std::string* error) {
    std::string showText, eventsText;
    if (readWholeFile(showPath, &showText, error) || readWholeFile(eventsPath, &eventsText, error))
        return nullptr;
    std::vector<MusicEvent> events;
    if (parseMusicEvents(eventsPath, eventsText, &events, error)) return nullptr;
    return resolveShow(showPath, showText, events, error);
}
