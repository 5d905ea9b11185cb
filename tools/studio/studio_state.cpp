#include "studio_state.h"

#include "base/log.h"
#include "base/show.h"
#include "render/uniform_bindings.h"

#include <chrono>
#include <cstring>

double studioClock() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

const std::vector<const char*>& studioTrackNames() {
    static const std::vector<const char*> names = [] {
        std::vector<const char*> list;
        for (const UniformBinding& b : uniformBindings)
            for (int32_t c = 0; c < b.componentCount; ++c) {
                bool seen = false;
                for (const char* n : list)
                    seen = seen || std::strcmp(n, b.tracks[c]) == 0;
                if (!seen) list.push_back(b.tracks[c]);
            }
        return list;
    }();
    return names;
}

void setProblem(Studio& studio, const char* source, const std::string& text) {
    for (size_t i = 0; i < studio.problems.size(); ++i)
        if (studio.problems[i].source == source) {
            if (text.empty())
                studio.problems.erase(studio.problems.begin() + long(i));
            else
                studio.problems[i].text = text;
            return;
        }
    if (!text.empty()) {
        studio.problems.push_back({source, text});
        logMessage("reload", "%s", text.c_str());
    }
}

double studioRow(const Studio& studio) {
    return studio.playing ? musicSeconds(studio.music) * showRowsPerSecond : studio.cursor;
}

double studioFrameRow(Studio& studio) {
    const double row = studioRow(studio);
    const double jump = studio.playing ? loopJump(studio.loop, row) : -1.0;
    if (jump < 0.0) return row;
    studioSeek(studio, jump);
    return jump;
}

void studioSeek(Studio& studio, double row) {
    studio.cursor = row < 0.0 ? 0.0 : row;
    musicSeek(studio.music, studio.cursor / showRowsPerSecond);
}

void studioSetPlaying(Studio& studio, bool playing) {
    if (playing == studio.playing) return;
    if (!playing)
        studio.cursor = studioFrameRow(studio);
    else
        musicSeek(studio.music, studio.cursor / showRowsPerSecond);
    musicPause(studio.music, !playing);
    studio.playing = playing;
}
