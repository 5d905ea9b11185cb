// brumelt-studio: the show played with a transport, live reload and its numbers on screen. See
// usage() for the command line and the README's "Working on the show" for the keys.
//
// It draws with the demo's own content code and reads the demo's clock (the music), but resolves
// the choreography itself, in memory, every time the show or the score's events are saved,
// builds the shader programs from their files when one is saved, and renders a saved score into
// new music on a thread of its own.
#include "studio.h"

#include "base/log.h"
#include "base/show.h"
#include "capture_options.h"
#include "formats/whole_file.h"
#include "platform/gl_loader.h"
#include "platform/quit_signals.h"
#include "platform/window.h"
#include "png_file.h"
#include "render/content_internal.h"
#include "score_render.h"
#include "script.h"
#include "shader_programs.h"
#include "shaders/final.glsl.h"
#include "shaders/glow.glsl.h"
#include "shaders/scene.glsl.h"
#include "shaders/vertex.glsl.h"
#include "show_tracks.h"
#include "tracks/tracks.h"
#include "watcher.h"

#include <GLFW/glfw3.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

enum StudioExit {
    studioExitDone = 0,
    studioExitScript = 1,   // an expectation or a command of the script failed
    studioExitUsage = 2,    // bad command line or script
    studioExitData = 3,     // no audio device, no music file or no track set
    studioExitGraphics = 4, // no window, no GL context or missing GL entry points
};

static double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

static const char* usage() {
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

struct StudioOptions {
    std::string contentDir = BRUMELT_STUDIO_CONTENT_DIR;
    std::string shaderDir = BRUMELT_STUDIO_SHADER_DIR;
    std::string events = BRUMELT_STUDIO_EVENTS_FILE;
    std::string script;
    int32_t width = 1280, height = 720;
    int32_t scale = 1;
};

// The problem with the command line, or empty when it is fine.
static std::string parseOptions(int argc, char** argv, StudioOptions* o, bool* help) {
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

// ---- The transport ----

double studioRow(const Studio& studio) {
    return studio.playing ? musicSeconds(studio.music) * showRowsPerSecond : studio.cursor;
}

void studioSeek(Studio& studio, double row) {
    studio.cursor = row < 0.0 ? 0.0 : row;
    musicSeek(studio.music, studio.cursor / showRowsPerSecond);
}

void studioSetPlaying(Studio& studio, bool playing) {
    if (playing == studio.playing) return;
    if (!playing)
        studio.cursor = studioRow(studio);
    else
        musicSeek(studio.music, studio.cursor / showRowsPerSecond);
    musicPause(studio.music, !playing);
    studio.playing = playing;
}

// ---- The picture ----

// The GL state every pass expects (the defaults); the overlay changes some of it.
static void resetDrawState() {
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glUseProgram(0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// The three passes at row into the lower left width x height of the back buffer, each timed.
static void drawPasses(Studio& studio, double row, int32_t width, int32_t height, bool timed) {
    timed = timed && studio.timerQueries;
    sizeTargets(*studio.content, width, height);
    resetDrawState();
    glViewport(0, 0, width, height);
    GLuint* queries = studio.passQueries[studio.frameNumber % gpuQueryFrames];
    const FramePass passes[] = {framePassScene, framePassGlow, framePassFinal};
    for (int i = 0; i < 3; ++i) {
        if (timed) glBeginQuery(GL_TIME_ELAPSED, queries[i]);
        renderPass(*studio.content, passes[i], row);
        if (timed) glEndQuery(GL_TIME_ELAPSED);
    }
}

// Reads the pass times of the frame drawn gpuQueryFrames - 1 frames ago, when they are in.
static void collectPassTimes(Studio& studio) {
    if (!studio.timerQueries || studio.frameNumber < gpuQueryFrames) return;
    GLuint* queries = studio.passQueries[(studio.frameNumber + 1) % gpuQueryFrames];
    for (int i = 0; i < 3; ++i) {
        GLuint available = 0;
        glGetQueryObjectuiv(queries[i], GL_QUERY_RESULT_AVAILABLE, &available);
        if (!available) return;
    }
    for (int i = 0; i < 3; ++i) {
        GLuint64 ns = 0;
        glGetQueryObjectui64v(queries[i], GL_QUERY_RESULT, &ns);
        studio.passMs[i] = double(ns) * 1e-6;
    }
}

// Stretches the lower left width x height of the back buffer over the whole window.
static void scaleUp(GLuint texture, int32_t width, int32_t height, int32_t windowWidth,
                    int32_t windowHeight) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 0, 0, width, height, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glViewport(0, 0, windowWidth, windowHeight);
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
}

int studioWriteStill(Studio& studio, const char* path) {
    int32_t width = 0, height = 0;
    windowFramebufferSize(studio.window, &width, &height);
    if (width < 1 || height < 1) {
        logMessage("still", "%s: the window has no area to draw", path);
        return 1;
    }
    const double row = studioRow(studio);
    drawPasses(studio, row, width, height, false);
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
    if (!writeFramePng(path, pixels.data(), width, height)) {
        logMessage("still", "%s: cannot write the PNG file", path);
        return 1;
    }
    studio.lastStill = path;
    logMessage("still", "%s: row %.4f", path, row);
    return 0;
}

// ---- Live reload ----

// Puts the set's tracks behind every uniform and frees the set they replace.
static void installTracks(Content& content, TrackSet* set) {
    TrackSet* old = content.trackSet;
    content.trackSet = set;
    for (int32_t i = 0; i < uniformBindingCount; ++i)
        for (int32_t c = 0; c < uniformBindings[i].componentCount; ++c)
            content.tracks[firstTrackSlot(i) + c] = fetchTrack(set, uniformBindings[i].tracks[c]);
    closeTrackSet(old);
}

// Reads the events file into the studio; false (with the problem shown) when it does not parse.
static bool loadEvents(Studio& studio) {
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

// Resolves the show against the current events and swaps its tracks in; on failure the tracks
// running now stay and the problem is shown.
static bool loadShow(Studio& studio) {
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

// The programs the demo was built with came from the same files; only those that differ from
// the files now are built again at start.
static void loadChangedPrograms(Studio& studio) {
    const char* built[] = {scene_glsl, glow_glsl, final_glsl};
    std::string vertexText, text, ignored;
    const std::string dir = studio.paths.shaderDir + "/";
    readWholeFile((dir + vertexFileName).c_str(), &vertexText, &ignored);
    const bool vertexChanged = vertexText != vertex_glsl;
    bool rebuild[3];
    const FramePass passes[] = {framePassScene, framePassGlow, framePassFinal};
    for (int i = 0; i < 3; ++i) {
        text.clear();
        readWholeFile((dir + fragmentFileName(passes[i])).c_str(), &text, &ignored);
        rebuild[i] = vertexChanged || text != built[i];
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

struct Reload {
    double saveTime = -1.0; // when the save that is being applied happened
    double applyMs = 0.0;   // resolving, compiling and swapping it in
    bool showPending = false;
    std::string what; // the files of the pending report
};

// Applies every save since the last frame: events, then the show, then shaders.
static void applySaves(Studio& studio, FileWatcher* watcher, Reload& reload, double* editTime) {
    std::vector<std::string> saved;
    const bool scoreTaken = takeRenderedScore(studio);
    if (!scoreTaken && (!watcher || pollWatcher(watcher, &saved) == 0)) return;
    const double seen = now();
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
                programs[i] || name == vertexFileName || name == fragmentFileName(FramePass(i));
        reload.what += (reload.what.empty() ? "" : ", ") + name;
    }
    if (events && loadEvents(studio)) show = true;
    if (show) loadShow(studio);
    loadPrograms(studio, programs);
    studio.reloadsDone += 1;
    // A save made by the script knows its own time; one from an editor is timed from when the
    // watcher saw it (at most a frame late).
    reload.saveTime = *editTime > 0.0 ? *editTime : seen;
    reload.applyMs = (now() - seen) * 1000.0;
    *editTime = -1.0;
    reload.showPending = true;
}

// ---- Scripts ----

struct ScriptRun {
    std::string fileName;
    std::vector<ScriptCommand> commands;
    size_t next = 0;
    int64_t framesLeft = 0;
    double waitUntil = 0.0; // the end of a wait command; 0 when none runs
    bool waitingReload = false;
    int64_t reloadsAtWait = 0;
    double waitDeadline = 0.0;
    bool measuring = false;
    double measureStart = 0.0;
    int64_t measureFrames = 0;
    std::vector<double> frameTimes; // of the frames measured so far, present to present, in ms
    double editTime = -1.0;         // when the last edit command wrote its file
    double seekTime = -1.0; // when the last seek command moved the cursor, until its frame shows
    int status = studioExitDone;
};

static void failScript(Studio& studio, ScriptRun& run, const ScriptCommand& c,
                       const std::string& what) {
    logMessage("script", "%s:%d: %s", run.fileName.c_str(), c.line, what.c_str());
    run.status = studioExitScript;
    studio.quit = true;
}

// Replaces the first `from` in the file with `to`, writing the file in place.
static std::string editFile(const std::string& path, const std::string& from,
                            const std::string& to) {
    std::string text, error;
    if (readWholeFile(path.c_str(), &text, &error)) return error;
    const size_t at = text.find(from);
    if (at == std::string::npos) return path + ": does not hold the text to replace";
    text.replace(at, from.size(), to);
    std::string reason;
    return writeWholeFile(path.c_str(), text, reason) == fileWritten ? "" : path + ": cannot write";
}

static bool anyProblemHolds(const Studio& studio, const std::string& text) {
    for (const StudioProblem& p : studio.problems)
        if (p.text.find(text) != std::string::npos) return true;
    return false;
}

// Runs one command; false when it takes frames (the script goes on in a later frame).
static bool runCommand(Studio& studio, ScriptRun& run, const ScriptCommand& c) {
    double row = 0.0, end = 0.0;
    std::string error;
    switch (c.op) {
    case scriptSeek:
        if (parsePosition(c.args[0], studio.timeline, &row, &error)) {
            failScript(studio, run, c, error);
        } else {
            run.seekTime = now();
            studioSeek(studio, row);
        }
        return true;
    case scriptPlay:
        studioSetPlaying(studio, true);
        run.framesLeft = int64_t(c.numbers[0]) - 1;
        return false;
    case scriptPause:
        studioSetPlaying(studio, false);
        return true;
    case scriptFrames:
        run.framesLeft = int64_t(c.numbers[0]) - 1;
        return false;
    case scriptWait:
        run.waitUntil = now() + c.numbers[0];
        return false;
    case scriptMeasure:
        run.framesLeft = int64_t(c.numbers[0]) - 1;
        run.measuring = true;
        run.measureFrames = int64_t(c.numbers[0]);
        run.measureStart = now();
        run.frameTimes.clear();
        return false;
    case scriptStill:
        if (studioWriteStill(studio, c.args[0].c_str())) failScript(studio, run, c, "still failed");
        return true;
    case scriptEdit:
        error = editFile(c.args[0], c.args[1], c.args[2]);
        if (!error.empty()) failScript(studio, run, c, error);
        run.editTime = now();
        return true;
    case scriptWaitReload:
        run.waitingReload = true;
        run.reloadsAtWait = studio.reloadsDone;
        run.waitDeadline = now() + c.numbers[0];
        return false;
    case scriptExpectError:
        if (!anyProblemHolds(studio, c.args[0]))
            failScript(studio, run, c,
                       "no problem on screen holds '" + c.args[0] + "' (" +
                           std::to_string(studio.problems.size()) + " shown)");
        return true;
    case scriptExpectNoError:
        if (!studio.problems.empty())
            failScript(studio, run, c, "a problem is on screen: " + studio.problems[0].text);
        return true;
    case scriptExpectRow:
        row = studioRow(studio);
        if (row < c.numbers[0] || row > c.numbers[1])
            failScript(studio, run, c,
                       "the row is " + std::to_string(row) + ", not in [" + c.args[0] + ", " +
                           c.args[1] + "]");
        return true;
    case scriptLoop:
        if (parsePosition(c.args[0], studio.timeline, &row, &error) ||
            parsePosition(c.args[1], studio.timeline, &end, &error))
            failScript(studio, run, c, error);
        else
            studio.loop = {row, end, true};
        return true;
    case scriptLoopOff:
        studio.loop.enabled = false;
        return true;
    case scriptScale:
        studio.scale = int32_t(c.numbers[0]);
        return true;
    case scriptOverlay:
        studio.overlay = c.numbers[0] != 0.0;
        return true;
    case scriptQuit:
        studio.quit = true;
        return true;
    }
    return true;
}

// Advances the script by one frame's worth.
static void stepScript(Studio& studio, ScriptRun& run) {
    if (run.framesLeft > 0) {
        --run.framesLeft;
        return;
    }
    if (run.measuring) {
        run.measuring = false;
        const double ms = (now() - run.measureStart) * 1000.0 / double(run.measureFrames);
        // The median holds up better than the mean on a machine that other work shares.
        std::vector<double>& t = run.frameTimes;
        std::sort(t.begin(), t.end());
        const double median = t.empty() ? ms : t[t.size() / 2];
        logMessage(
            "measure", "%lld frames, %.2f ms a frame, median %.2f (overlay %s, scale 1/%d, %dx%d)",
            static_cast<long long>(run.measureFrames), ms, median, studio.overlay ? "on" : "off",
            studio.scale, studio.content->width, studio.content->height);
    }
    if (run.waitUntil > 0.0) {
        if (now() < run.waitUntil) return;
        run.waitUntil = 0.0;
    }
    if (run.waitingReload) {
        if (studio.reloadsDone > run.reloadsAtWait)
            run.waitingReload = false;
        else if (now() > run.waitDeadline)
            failScript(studio, run, run.commands[run.next - 1], "no reload came in time");
        else
            return;
    }
    while (!studio.quit && run.next < run.commands.size())
        if (!runCommand(studio, run, run.commands[run.next++])) return;
}

// ---- Start-up and the main loop ----

static bool startOverlay() {
    ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr; // the layout is not kept between runs
    GLFWwindow* window = glfwGetCurrentContext();
    return window && ImGui_ImplGlfw_InitForOpenGL(window, true) && ImGui_ImplOpenGL2_Init();
}

static void stopOverlay() {
    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplGlfw_Shutdown();
    ImGui::DestroyContext();
}

static void watchEverything(Studio& studio, FileWatcher* watcher) {
    if (!watcher) return;
    watchFile(watcher, studio.paths.show.c_str());
    watchFile(watcher, studio.paths.events.c_str());
    watchFile(watcher, studio.paths.score.c_str());
    const std::string dir = studio.paths.shaderDir + "/";
    watchFile(watcher, (dir + vertexFileName).c_str());
    for (FramePass pass : {framePassScene, framePassGlow, framePassFinal})
        watchFile(watcher, (dir + fragmentFileName(pass)).c_str());
}

static int runStudio(const StudioOptions& options, ScriptRun* script) {
    Studio studio;
    // The camera's height and roll are drawn on the timeline until other tracks are picked.
    const std::vector<const char*>& names = studioTrackNames();
    for (size_t i = 0; i < names.size(); ++i)
        studio.pickedTracks[i] =
            !std::strcmp(names[i], "uCamPos.y") || !std::strcmp(names[i], "uCamRot.z");
    studio.paths = {options.contentDir + "/show.tracks", options.contentDir + "/music.score",
                    options.events, options.shaderDir};
    studio.scale = options.scale;

    if (!windowSystemInit()) {
        logMessage("window", "cannot start the window system");
        return studioExitGraphics;
    }
    studio.window = windowCreate(options.width, options.height, "Brumelt Studio", windowResizable);
    if (!studio.window) return studioExitGraphics;
    if (const char* problem = glLoaderInit()) {
        logMessage("gl", "the extension loader failed: %s", problem);
        return studioExitGraphics;
    }
    if (const char* missing = glLoaderMissingEntryPoints()) {
        logMessage("gl", "the driver lacks %s", missing);
        return studioExitGraphics;
    }
    if (!startOverlay()) {
        logMessage("overlay", "cannot start Dear ImGui on the window");
        return studioExitGraphics;
    }
    int32_t width = 0, height = 0;
    windowFramebufferSize(studio.window, &width, &height);
    studio.content = makeContent(width, height, showAssetsDir, showTrackPrefix);
    if (!studio.content) {
        logMessage("render", "cannot hold the content for a %dx%d window", width, height);
        return studioExitGraphics;
    }
    loadContent(*studio.content);
    loadChangedPrograms(studio);
    // Timer queries are OpenGL 3.3 or ARB_timer_query; without them the overlay shows no pass
    // times.
    studio.timerQueries = glGenQueries && glBeginQuery && glGetQueryObjectui64v;
    if (studio.timerQueries)
        for (auto& frameQueries : studio.passQueries)
            glGenQueries(3, frameQueries);
    GLuint previewTexture = 0;
    glGenTextures(1, &previewTexture);

    if (!initMusicDevice()) return studioExitData;
    studio.music = openMusic(showMusicPath);
    if (!studio.music) {
        logMessage("music", "%s: cannot open the music", showMusicPath);
        return studioExitData;
    }
    // The show as written now; when it does not resolve, the built track files stand in.
    if (!(loadEvents(studio) && loadShow(studio)) && !studio.content->trackSet &&
        openTracks(*studio.content) != 0) {
        logMessage("tracks", "cannot create the track set");
        return studioExitData;
    }
    // Ctrl+C and the like end the studio as if its window were closed.
    quitSignalsCatch();
    FileWatcher* watcher = openWatcher();
    watchEverything(studio, watcher);
    musicPause(studio.music, true);
    startMusic(studio.music);

    Reload reload;
    double noEdits = -1.0;
    double* editTime = script ? &script->editTime : &noEdits;
    double lastPresent = now();
    while (!studio.quit) {
        windowPollEvents();
        if (windowCloseRequested(studio.window) || quitSignalReceived()) break;
        ImGui_ImplOpenGL2_NewFrame();
        ImGui_ImplGlfw_NewFrame();
        ImGui::NewFrame();
        handleKeys(studio);
        if (script) stepScript(studio, *script);
        if (studio.quit) {
            ImGui::EndFrame();
            break;
        }
        // After the script, so that a file it saved shows in this very frame.
        applySaves(studio, watcher, reload, editTime);
        double row = studioRow(studio);
        const double jump = studio.playing ? loopJump(studio.loop, row) : -1.0;
        if (jump >= 0.0) {
            studioSeek(studio, jump);
            row = jump;
        }
        if (!studio.playing) studio.cursor = row;

        windowFramebufferSize(studio.window, &width, &height);
        const int32_t drawWidth = width / studio.scale > 0 ? width / studio.scale : 1;
        const int32_t drawHeight = height / studio.scale > 0 ? height / studio.scale : 1;
        collectPassTimes(studio);
        drawPasses(studio, row, drawWidth, drawHeight, true);
        if (studio.scale > 1) scaleUp(previewTexture, drawWidth, drawHeight, width, height);
        glViewport(0, 0, width, height);
        drawOverlay(studio, row);
        windowSwapBuffers(studio.window);
        ++studio.frameNumber;

        const double presented = now();
        studio.frameMs = (presented - lastPresent) * 1000.0;
        lastPresent = presented;
        if (script && script->measuring) script->frameTimes.push_back(studio.frameMs);
        if (script && script->seekTime > 0.0) {
            logMessage("seek", "row %.2f: %.1f ms from seek to frame", row,
                       (presented - script->seekTime) * 1000.0);
            script->seekTime = -1.0;
        }
        if (reload.showPending) {
            studio.lastReloadMs = (presented - reload.saveTime) * 1000.0;
            logMessage("reload", "%s: %.1f ms from save to frame (applied in %.1f ms)",
                       reload.what.c_str(), studio.lastReloadMs, reload.applyMs);
            reload = Reload();
        }
    }
    closeWatcher(watcher);
    // Quitting does not wait for a score that is still being rendered.
    if (studio.scoreRender) abandonScoreRender(studio.scoreRender);
    stopOverlay();
    windowSystemTerminate();
    quitSignalEndProcess();
    return script ? script->status : studioExitDone;
}

int main(int argc, char** argv) {
    setLogProgramName("brumelt-studio");
    StudioOptions options;
    bool help = false;
    const std::string problem = parseOptions(argc, argv, &options, &help);
    if (help) {
        std::fputs(usage(), stdout);
        return studioExitDone;
    }
    if (!problem.empty()) {
        logMessage("options", "%s (--help lists the options)", problem.c_str());
        return studioExitUsage;
    }
    ScriptRun script;
    if (!options.script.empty()) {
        std::string text, error;
        script.fileName = options.script;
        if (readWholeFile(options.script.c_str(), &text, &error) ||
            parseScript(options.script.c_str(), text, &script.commands, &error)) {
            logMessage("script", "%s", error.c_str());
            return studioExitUsage;
        }
    }
    return runStudio(options, options.script.empty() ? nullptr : &script);
}
