#include "studio_options.h"

#include <cstdio>

const char* studioUsage() {
    return "usage: brumelt-studio [--content DIR] [--shaders DIR] [--events FILE] [--size WxH]\n"
           "                      [--scale 1|2|4] [--script FILE]\n"
           "Plays the show with a transport, reloading the choreography, the score's events and\n"
           "the shaders when they are saved. Run it from the demo folder (it reads assets/).\n"
           "  --content DIR  show.tracks and music.score (default: the repository's content/)\n"
           "  --shaders DIR  the .glsl files (default: the repository's src/render/shaders/)\n"
           "  --events FILE  the score's events (default: the build's content/music-events.txt)\n"
           "  --size WxH     the window's first size (default 1280x720)\n"
           "  --scale N      draw at 1/N of the window size and scale up (default 1)\n"
           "  --script FILE  run the commands in FILE (see the README)\n"
           "Exit status: 0 done, 1 a script check failed, 2 bad command line or script,\n"
           "3 no audio device, music or track set, 4 no window or OpenGL.\n";
}

std::string parseStudioOptions(int argc, char** argv, StudioOptions* o, bool* help) {
    *o = StudioOptions();
    o->contentDir = BRUMELT_STUDIO_CONTENT_DIR;
    o->shaderDir = BRUMELT_STUDIO_SHADER_DIR;
    o->events = BRUMELT_STUDIO_EVENTS_FILE;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            *help = true;
            return "";
        }
        if (i + 1 >= argc) return a + " needs a value, or is not an option";
        const std::string v = argv[++i];
        if (a == "--content")
            o->contentDir = v;
        else if (a == "--shaders")
            o->shaderDir = v;
        else if (a == "--events")
            o->events = v;
        else if (a == "--script")
            o->script = v;
        else if (a == "--size") {
            char x = 0, extra = 0;
            if (std::sscanf(v.c_str(), "%d%c%d%c", &o->width, &x, &o->height, &extra) != 3 ||
                x != 'x' || o->width < 16 || o->height < 16 || o->width > 16384 ||
                o->height > 16384)
                return "--size takes WIDTHxHEIGHT, each 16 to 16384";
        } else if (a == "--scale") {
            if (v != "1" && v != "2" && v != "4") return "--scale takes 1, 2 or 4";
            o->scale = std::stoi(v);
        } else
            return "unknown option " + a;
    }
    return "";
}
