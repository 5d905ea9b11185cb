// bench_startup: time from process start to the first frame on screen, step by step.
//
//   bench_startup [--runs N] [--no-shader-cache] [--fullscreen] [WxH]  (defaults: 5 runs, 1280x720)
//
// Run in the demo folder. Each run starts this program again as a child that performs the
// demo's start-up in runDemo's own order (window and context, the content loading steps,
// audio device and music file, tracks, start of the music, first frame swapped and finished),
// noting the monotonic clock after each step; the parent notes the clock just before it starts
// the child, so "process start" includes exec and dynamic linking. The setup dialog is not part
// of it. Audio goes through SDL's dummy driver unless SDL_AUDIODRIVER says otherwise.
// --no-shader-cache sets MESA_SHADER_CACHE_DISABLE for the children: a first run on a fresh
// machine. --fullscreen switches the primary display to WxH as the demo's fullscreen box does
// (the screen must offer that mode). Prints medians in milliseconds as a Markdown table.
#include "audio/music.h"
#include "base/exit_codes.h"
#include "base/show.h"
#include "platform/gl.h"
#include "platform/window.h"
#include "render/content.h"
#include "render/content_internal.h"
#include "startup/startup.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

static double monotonicSeconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

static const char* const stepNames[] = {
    "exec and libraries up to main",
    "window and context",
    "images",
    "shader compile and link",
    "render targets",
    "priming draw",
    "audio device",
    "music file",
    "tracks",
    "first frame presented",
};
static const int stepCount = sizeof stepNames / sizeof stepNames[0];

static void mark(int step) {
    std::printf("%d %.9f\n", step, monotonicSeconds());
}

// The start-up of runDemo, with a mark after each step; the dialog's outcome is the size given.
static int child(int width, int height, bool fullscreen) {
    mark(0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    StartUp started = {};
    const StartUpRequest request = {.width = width,
                                    .height = height,
                                    .title = "bench_startup",
                                    .windowFlags = fullscreen ? uint32_t(windowFullscreen) : 0u,
                                    .depth = startUpContent};
    if (int32_t code = startUp(request, &started)) return code;
    Content* content = started.content;
    mark(1);
    loadImages(*content);
    glFinish(); // the upload is finished inside the driver's own time, not the next step's
    mark(2);
    buildPrograms(*content);
    mark(3);
    createTargets(*content);
    mark(4);
    primeFrame(*content);
    mark(5);
    if (!initMusicDevice()) return exitAudioDevice;
    mark(6);
    MusicStream music = openMusic(showMusicPath);
    if (!music) return exitMusicFile;
    mark(7);
    if (int32_t code = openStartUpTracks(started)) return code;
    mark(8);
    startMusic(music);
    windowPollEvents();
    renderFrame(*content, musicSeconds(music) * showRowsPerSecond);
    windowSwapBuffers(started.window);
    glFinish();
    mark(9);
    std::fflush(stdout);
    shutDown(started); // gives a switched mode back
    std::_Exit(0);     // the demo would play on; the measurement ends here
}

static double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// Starts one child and returns its marks, made relative to the moment before the start; empty on
// failure.
static std::vector<double> runChild(const char* self, const std::string& size, bool fullscreen) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::string selfCopy = self;
    std::string flag = "--child";
    std::string sizeCopy = size;
    std::string fullscreenFlag = "--fullscreen";
    char* args[] = {selfCopy.data(), flag.data(), sizeCopy.data(),
                    fullscreen ? fullscreenFlag.data() : nullptr, nullptr};
    pid_t pid;
    double start = monotonicSeconds();
    int spawned = posix_spawn(&pid, self, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return {};
    }
    std::string output;
    char buffer[512];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, size_t(got));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    std::vector<double> marks(stepCount, -1.0);
    int step;
    double at;
    for (const char* p = output.c_str(); std::sscanf(p, "%d %lf", &step, &at) == 2;) {
        if (step >= 0 && step < stepCount) marks[step] = at - start;
        p = std::strchr(p, '\n');
        if (!p) break;
        ++p;
    }
    for (double m : marks)
        if (m < 0.0) return {};
    return marks;
}

int main(int argc, char** argv) {
    int width = 1280, height = 720, runs = 5;
    bool noShaderCache = false, fullscreen = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--child") && i + 1 < argc) {
            if (std::sscanf(argv[i + 1], "%dx%d", &width, &height) != 2) return exitUsage;
            return child(width, height, i + 2 < argc && !std::strcmp(argv[i + 2], "--fullscreen"));
        } else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (!std::strcmp(argv[i], "--no-shader-cache")) {
            noShaderCache = true;
        } else if (!std::strcmp(argv[i], "--fullscreen")) {
            fullscreen = true;
        } else if (std::sscanf(argv[i], "%dx%d", &width, &height) != 2 || width < 1 || height < 1) {
            std::fprintf(
                stderr,
                "usage: bench_startup [--runs N] [--no-shader-cache] [--fullscreen] [WxH]\n");
            return exitUsage;
        }
    }
    if (noShaderCache) setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    std::string size = std::to_string(width) + "x" + std::to_string(height);

    std::vector<std::vector<double>> steps(stepCount + 1); // the last: exec to main's first mark
    std::vector<double> totals;
    for (int r = 0; r < runs; ++r) {
        std::vector<double> marks = runChild("/proc/self/exe", size, fullscreen);
        if (marks.empty()) {
            std::fprintf(stderr, "bench_startup: run %d failed (demo folder? display?)\n", r + 1);
            return exitFailed;
        }
        for (int s = 0; s < stepCount; ++s)
            steps[s].push_back((marks[s] - (s ? marks[s - 1] : 0.0)) * 1e3);
        totals.push_back(marks[stepCount - 1] * 1e3);
    }
    std::printf("%s%s, %d runs%s; medians in ms (the total is the median of the runs' totals).\n\n",
                size.c_str(), fullscreen ? " fullscreen" : "", runs,
                noShaderCache ? ", Mesa shader cache disabled" : "");
    std::printf("| step | ms |\n|---|---:|\n");
    for (int s = 0; s < stepCount; ++s) {
        std::printf("| %s%s | %.1f |\n", stepNames[s],
                    s == 0 ? " (from the parent's spawn call)" : "", median(steps[s]));
    }
    std::printf("| **process start to first frame** | **%.1f** |\n", median(totals));
    return exitDone;
}
