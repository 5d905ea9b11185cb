#include "reload.h"

#include "base/log.h"
#include "base/show.h"
#include "formats/whole_file.h"
#include "render/content_internal.h"
#include "score_render.h"
#include "shader_programs.h"
#include "show_tracks.h"
#include "tracks/tracks.h"
#include "watcher.h"

#include <filesystem>

// Puts the set's tracks behind every uniform and frees the set they replace.
static void installTracks(Content& content, TrackSet* set) {
    TrackSet* old = content.trackSet;
    content.trackSet = set;
    for (int32_t i = 0; i < uniformBindingCount; ++i)
        for (int32_t c = 0; c < uniformBindings[i].componentCount; ++c)
            content.tracks[firstTrackSlot(i) + c] = fetchTrack(set, uniformBindings[i].tracks[c]);
    closeTrackSet(old);
}

bool loadEvents(Studio& studio) {
    std::string text, error;
    std::vector<MusicEvent> events;
    if (readWholeFile(studio.paths.events.c_str(), &text, &error) ||
        parseMusicEvents(studio.paths.events.c_str(), text, &events, &error)) {
        setProblem(studio, "events", error);
        return false;
    }
    setProblem(studio, "events", "");
    studio.events = std::move(events);
    studio.timeline = timelineOfEvents(studio.events);
    return true;
}

bool loadShow(Studio& studio) {
    std::string text, error;
    TrackSet* set = nullptr;
    if (!readWholeFile(studio.paths.show.c_str(), &text, &error))
        set = resolveShow(studio.paths.show.c_str(), text, studio.events, &error);
    if (!set) {
        setProblem(studio, "show", error);
        return false;
    }
    setProblem(studio, "show", "");
    installTracks(*studio.content, set);
    return true;
}

// Rebuilds the programs of the given passes from their files; each pass whose program does not
// build keeps the one it has.
static void loadPrograms(Studio& studio, const bool rebuild[3]) {
    Content& c = *studio.content;
    GLuint programs[3] = {c.sceneProgram, c.glowProgram, c.finalProgram};
    const FramePass passes[] = {framePassScene, framePassGlow, framePassFinal};
    bool changed = false;
    for (int i = 0; i < 3; ++i) {
        if (!rebuild[i]) continue;
        std::string error;
        const GLuint program = buildPassProgram(studio.paths.shaderDir.c_str(), passes[i], &error);
        setProblem(studio, fragmentFileName(passes[i]), error);
        if (!program) continue;
        glDeleteProgram(programs[i]);
        programs[i] = program;
        changed = true;
    }
    if (changed) usePrograms(c, programs[0], programs[1], programs[2]);
}

void loadChangedPrograms(Studio& studio) {
    // The programs the demo was built with came from the same files; only those that differ from
    // the files now are built again.
    std::string vertexText, text, ignored;
    const std::string dir = studio.paths.shaderDir + "/";
    readWholeFile((dir + vertexFileName()).c_str(), &vertexText, &ignored);
    const bool vertexChanged = vertexText != vertexShaderSource().text;
    bool rebuild[3];
    const FramePass passes[] = {framePassScene, framePassGlow, framePassFinal};
    for (int i = 0; i < 3; ++i) {
        text.clear();
        readWholeFile((dir + fragmentFileName(passes[i])).c_str(), &text, &ignored);
        rebuild[i] = vertexChanged || text != passShaderSource(passes[i]).text;
    }
    loadPrograms(studio, rebuild);
}

// Starts rendering the saved score, or notes that it must be rendered again once the render
// running now is done.
static void renderScore(Studio& studio) {
    if (studio.scoreRender) {
        studio.scoreSavedAgain = true;
        return;
    }
    studio.scoreRender = startScoreRender(studio.paths.score.c_str());
    if (!studio.scoreRender)
        setProblem(studio, "score", studio.paths.score + ": cannot start a thread");
}

// The rendered score in place of the music, its events in place of the events, and the show
// resolved against them, at the same position; true when a render finished in this call.
static bool takeRenderedScore(Studio& studio) {
    if (!studio.scoreRender || !scoreRenderFinished(studio.scoreRender)) return false;
    std::vector<int16_t> music;
    std::string eventsText, error;
    std::vector<MusicEvent> events;
    const int status = finishScoreRender(studio.scoreRender, &music, &eventsText, &error);
    studio.scoreRender = nullptr;
    if (studio.scoreSavedAgain) {
        studio.scoreSavedAgain = false;
        renderScore(studio);
        return false; // what it made is already out of date
    }
    if (status == 0) parseMusicEvents(studio.paths.score.c_str(), eventsText, &events, &error);
    setProblem(studio, "score", error);
    if (!error.empty()) return true;

    const double row = studioRow(studio);
    const MusicStream replaced = openMusicSamples(music.data(), int64_t(music.size() / 2));
    if (!replaced) {
        setProblem(studio, "score", studio.paths.score + ": the new music cannot be played");
        return true;
    }
    studio.music = replaced;
    musicPause(studio.music, true);
    startMusic(studio.music);
    studio.cursor = row;
    musicSeek(studio.music, row / showRowsPerSecond);
    if (studio.playing) musicPause(studio.music, false);
    studio.events = std::move(events);
    studio.timeline = timelineOfEvents(studio.events);
    loadShow(studio);
    return true;
}

void applySaves(Studio& studio, FileWatcher* watcher, Reload& reload, double* editTime) {
    std::vector<std::string> saved;
    const bool scoreTaken = takeRenderedScore(studio);
    if (!scoreTaken && (!watcher || pollWatcher(watcher, &saved) == 0)) return;
    const double seen = studioClock();
    bool events = false, show = false, programs[3] = {false, false, false};
    if (scoreTaken) reload.what = std::filesystem::path(studio.paths.score).filename().string();
    for (const std::string& path : saved) {
        if (path == studio.paths.events) events = true;
        if (path == studio.paths.show) show = true;
        if (path == studio.paths.score) {
            // Played once it is rendered; that counts as this save's reload.
            renderScore(studio);
            if (saved.size() == 1) return;
            continue;
        }
        const std::string name = std::filesystem::path(path).filename().string();
        for (int i = 0; i < 3; ++i)
            programs[i] =
                programs[i] || name == vertexFileName() || name == fragmentFileName(FramePass(i));
        reload.what += (reload.what.empty() ? "" : ", ") + name;
    }
    if (events && loadEvents(studio)) show = true;
    if (show) loadShow(studio);
    loadPrograms(studio, programs);
    studio.reloadsDone += 1;
    // A save made by the script knows its own time; one from an editor is timed from when the
    // watcher saw it (at most a frame late).
    reload.saveTime = *editTime > 0.0 ? *editTime : seen;
    reload.applyMs = (studioClock() - seen) * 1000.0;
    *editTime = -1.0;
    reload.showPending = true;
}

void watchEverything(Studio& studio, FileWatcher* watcher) {
    if (!watcher) return;
    watchFile(watcher, studio.paths.show.c_str());
    watchFile(watcher, studio.paths.events.c_str());
    watchFile(watcher, studio.paths.score.c_str());
    const std::string dir = studio.paths.shaderDir + "/";
    watchFile(watcher, (dir + vertexFileName()).c_str());
    for (FramePass pass : {framePassScene, framePassGlow, framePassFinal})
        watchFile(watcher, (dir + fragmentFileName(pass)).c_str());
}

void reportShownReload(Studio& studio, Reload& reload, double presented) {
    if (!reload.showPending) return;
    studio.lastReloadMs = (presented - reload.saveTime) * 1000.0;
    logMessage("reload", "%s: %.1f ms from save to frame (applied in %.1f ms)", reload.what.c_str(),
               studio.lastReloadMs, reload.applyMs);
    reload = Reload();
}

void abandonReloads(Studio& studio) {
    if (studio.scoreRender) abandonScoreRender(studio.scoreRender);
    studio.scoreRender = nullptr;
}
