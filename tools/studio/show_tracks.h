// The choreography resolved inside the studio: the show text and the score's events become a
// track set held in memory, the same keys the build would write into the demo's track files.
#pragma once
#include <string>
#include <vector>

struct MusicEvent;
struct TrackSet;

// Resolves the show against the events into a new track set that holds every track the show
// writes plus, without keys, every other track the uniform table names, so that no track is ever
// looked for on disk. Null when the show does not resolve, with *error as "FILE:LINE: what".
TrackSet* resolveShow(const char* showName, const std::string& showText,
                      const std::vector<MusicEvent>& events, std::string* error);

// Reads both files and resolves them as above; a file that cannot be read or an events file that
// does not parse is an error too.
TrackSet* resolveShowFiles(const char* showPath, const char* eventsPath, std::string* error);
