// The studio's command line. Its exit statuses are the shared ones: exitDone, exitScript (an
// expectation or a command of the script failed), exitUsage (bad command line or script), exitData
// (no audio device, no music file or no track set), exitGraphics.
#pragma once
#include "base/exit_codes.h"

#include <cstdint>
#include <string>

struct StudioOptions {
    std::string contentDir; // show.tracks and music.score
    std::string shaderDir;  // the .glsl files
    std::string events;     // the score's events file
    std::string script;     // the command script, or empty
    int32_t width = 1280, height = 720;
    int32_t scale = 1;
};

// The --help text: the options and the exit statuses.
const char* studioUsage();

// Fills *options from the defaults (the repository the studio was built from) and the command
// line; the problem with the command line, or empty when it is fine (also after --help, which
// sets *help).
std::string parseStudioOptions(int argc, char** argv, StudioOptions* options, bool* help);
