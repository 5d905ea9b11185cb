#include "score_render.h"

#include "base/show.h"
#include "render.h"
#include "score.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

static_assert(sampleRate == showAudioRate, "the synthesizer renders at the music's output rate");

struct ScoreRender {
    std::string path;
    std::thread thread;
    std::atomic<bool> finished{false};
    int status = 1;
    std::vector<int16_t> music;
    std::string events;
    std::string error;
};

static void render(ScoreRender* r) {
    Score score;
    if (loadScore(r->path.c_str(), score, r->error) == 0) {
        const std::vector<float> stereo = renderScore(score);
        r->music.resize(stereo.size());
        // Rounded as the build's WAV file rounds them.
        for (size_t i = 0; i < stereo.size(); ++i)
            r->music[i] = int16_t(std::lround(std::clamp(stereo[i], -1.0f, 1.0f) * 32767.0f));
        r->events = eventText(score);
        r->status = 0;
    }
    r->finished = true;
}

ScoreRender* startScoreRender(const char* scorePath) {
    ScoreRender* r = new ScoreRender;
    r->path = scorePath;
    try {
        r->thread = std::thread(render, r);
    } catch (const std::system_error&) {
        delete r;
        return nullptr;
    }
    return r;
}

bool scoreRenderFinished(const ScoreRender* render) {
    return render->finished;
}

void abandonScoreRender(ScoreRender* render) {
    render->thread.detach();
}

int finishScoreRender(ScoreRender* render, std::vector<int16_t>* music, std::string* events,
                      std::string* error) {
    render->thread.join();
    const int status = render->status;
    *music = std::move(render->music);
    *events = std::move(render->events);
    *error = render->error;
    delete render;
    return status;
}
