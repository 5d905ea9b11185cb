// bench_frame: what the demo's frame costs, pass by pass, and what its own work adds.
//
//   bench_frame [--frames N] [--warmup N] [--rows R,R,...] [--names A,B,...]
//               [--overhead WxH] [--overhead-frames N] WxH ...
//
// Run in the demo folder (it loads the real images and tracks). For each size it makes a hidden
// window of that size, loads the content as the demo does and, at each row, draws --warmup
// frames and then --frames measured ones. Per pass it takes GPU time from GL_TIME_ELAPSED
// queries when the driver has timer queries (GL 3.3 or GL_ARB_timer_query), otherwise the wall
// time of the pass ended by glFinish; the whole frame is also timed on the wall clock, from the
// first call to the end of glFinish. Medians, in milliseconds, as Markdown tables.
//
// At the --overhead size it then compares, frame for frame in alternation, renderFrame with a
// bare frame that draws the same three passes with the uniforms already set, and measures the
// thread CPU time of evaluating the tracks and setting the uniforms alone.
#include "base/exit_codes.h"
#include "base/log.h"
#include "base/show.h"
#include "platform/gl.h"
#include "platform/window.h"
#include "render/content.h"
#include "render/content_internal.h"
#include "startup/startup.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

static double wallSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

static double threadCpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

static double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

struct Options {
    int frames = 15;
    int warmup = 2;
    int overheadFrames = 31;
    int overheadWidth = 320, overheadHeight = 180;
    std::vector<double> rows = {0.0};
    std::vector<std::string> names;
    std::vector<std::pair<int, int>> sizes;
};

static std::vector<std::string> splitList(const char* text) {
    std::vector<std::string> items;
    std::string item;
    for (const char* p = text;; ++p) {
        if (*p == ',' || *p == '\0') {
            if (!item.empty()) items.push_back(item);
            item.clear();
            if (*p == '\0') break;
        } else {
            item += *p;
        }
    }
    return items;
}

static bool parseSize(const char* text, int* w, int* h) {
    return std::sscanf(text, "%dx%d", w, h) == 2 && *w > 0 && *h > 0;
}

static int usage() {
    std::fprintf(stderr, "usage: bench_frame [--frames N] [--warmup N] [--rows R,R,...] "
                         "[--names A,B,...] [--overhead WxH] [--overhead-frames N] WxH ...\n");
    return exitUsage;
}

// A hidden window of this size with the content loaded and the tracks of the demo folder; null
// (after the start-up's line and this program's) when it cannot be had.
static Content* openSize(int width, int height, StartUp* started) {
    const StartUpRequest request = {.width = width,
                                    .height = height,
                                    .title = "bench_frame",
                                    .windowFlags = windowHidden,
                                    .depth = startUpTracks};
    if (startUp(request, started) == exitDone) return started->content;
    shutDown(*started);
    std::fprintf(stderr, "bench_frame: no %dx%d window with a usable GL context\n", width, height);
    return nullptr;
}

static bool haveTimerQueries() {
    return GLEW_VERSION_3_3 || GLEW_ARB_timer_query;
}

static const char* rowName(const Options& o, size_t i) {
    return i < o.names.size() ? o.names[i].c_str() : "";
}

// One table block per size: a row of medians for each show row.
static void measureSize(Content& content, const Options& o, int width, int height,
                        bool timerQueries) {
    GLuint queries[3] = {0, 0, 0};
    if (timerQueries) glGenQueries(3, queries);
    for (size_t r = 0; r < o.rows.size(); ++r) {
        const double row = o.rows[r];
        std::vector<double> pass[3], passSum, frame;
        for (int i = 0; i < o.warmup + o.frames; ++i) {
            double t[4];
            t[0] = wallSeconds();
            for (int p = 0; p < 3; ++p) {
                if (timerQueries) glBeginQuery(GL_TIME_ELAPSED, queries[p]);
                renderPass(content, FramePass(p), row);
                if (timerQueries) {
                    glEndQuery(GL_TIME_ELAPSED);
                } else {
                    glFinish();
                }
                t[p + 1] = wallSeconds();
            }
            glFinish();
            double end = wallSeconds();
            if (i < o.warmup) continue;
            double sum = 0.0;
            for (int p = 0; p < 3; ++p) {
                double ms;
                if (timerQueries) {
                    GLuint64 ns = 0;
                    glGetQueryObjectui64v(queries[p], GL_QUERY_RESULT, &ns);
                    ms = double(ns) * 1e-6;
                } else {
                    ms = (t[p + 1] - t[p]) * 1e3;
                }
                pass[p].push_back(ms);
                sum += ms;
            }
            passSum.push_back(sum);
            frame.push_back((end - t[0]) * 1e3);
        }
        std::printf("| %dx%d | %.0f %s | %.2f | %.2f | %.2f | %.2f | %.2f |\n", width, height, row,
                    rowName(o, r), median(pass[0]), median(pass[1]), median(pass[2]),
                    median(passSum), median(frame));
        std::fflush(stdout);
    }
    if (timerQueries) glDeleteQueries(3, queries);
}

static void bareFrame(Content& content) {
    drawPassWithUniformsAsSet(content, framePassScene);
    drawPassWithUniformsAsSet(content, framePassGlow);
    drawPassWithUniformsAsSet(content, framePassFinal);
}

static void measureOverhead(Content& content, const Options& o) {
    std::printf("\n### Own work of the frame at %dx%d\n\n", o.overheadWidth, o.overheadHeight);
    std::printf("Wall time from the first call to the end of glFinish, %d demo frames and %d bare "
                "frames in alternation after %d of each as warm-up; medians in ms; the ratio is "
                "the median over the pairs of demo frame / the bare frame drawn next to it.\n\n",
                o.overheadFrames, o.overheadFrames, o.warmup);
    std::printf(
        "| row | renderFrame | bare passes | ratio (median of pairs) |\n|---|---:|---:|---:|\n");
    std::vector<double> ratios;
    for (size_t r = 0; r < o.rows.size(); ++r) {
        const double row = o.rows[r];
        std::vector<double> demo, bare, pairRatios;
        renderFrame(content, row); // the bare frame draws with this row's uniforms from here on
        glFinish();
        auto timed = [](auto draw) {
            double t0 = wallSeconds();
            draw();
            glFinish();
            return wallSeconds() - t0;
        };
        for (int i = 0; i < o.warmup + o.overheadFrames; ++i) {
            // Which of the pair goes first alternates, so neither gains from going second.
            double d, b;
            if (i % 2 == 0) {
                d = timed([&] { renderFrame(content, row); });
                b = timed([&] { bareFrame(content); });
            } else {
                b = timed([&] { bareFrame(content); });
                d = timed([&] { renderFrame(content, row); });
            }
            if (i < o.warmup) continue;
            demo.push_back(d * 1e3);
            bare.push_back(b * 1e3);
            pairRatios.push_back(d / b);
        }
        // Each demo frame against the bare frame drawn next to it: the load of a shared machine
        // drifts more slowly than one pair takes.
        double ratio = median(pairRatios);
        ratios.push_back(ratio);
        std::printf("| %.0f %s | %.3f | %.3f | %.4f |\n", row, rowName(o, r), median(demo),
                    median(bare), ratio);
        std::fflush(stdout);
    }
    std::printf("\nMedian ratio over the rows: %.4f (renderFrame / bare passes).\n",
                median(ratios));

    // Host work alone: the 25 track evaluations and the uniform calls of the three passes. Rows
    // step through the whole show so values change every time (unchanged values can be skipped
    // by a driver).
    const int perBatch = 20000, batches = 11;
    const double lastRow = showLengthSeconds * showRowsPerSecond;
    std::vector<double> perFrameUs;
    double row = 0.0;
    for (int b = 0; b < batches; ++b) {
        double t0 = threadCpuSeconds();
        for (int i = 0; i < perBatch; ++i) {
            setPassUniforms(content, framePassScene, row);
            setPassUniforms(content, framePassGlow, row);
            setPassUniforms(content, framePassFinal, row);
            row += 0.731;
            if (row > lastRow) row -= lastRow;
        }
        glUseProgram(0);
        double t1 = threadCpuSeconds();
        perFrameUs.push_back((t1 - t0) * 1e6 / perBatch);
    }
    std::sort(perFrameUs.begin(), perFrameUs.end());
    std::printf("\nTrack evaluations and uniform updates alone (thread CPU clock, %d batches of %d "
                "frames, rows across the whole show): median %.2f us a frame (min %.2f, max "
                "%.2f).\n",
                batches, perBatch, median(perFrameUs), perFrameUs.front(), perFrameUs.back());
}

int main(int argc, char** argv) {
    Options o;
    bool rowsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!std::strcmp(a, "--frames") && next) {
            o.frames = std::max(1, std::atoi(argv[++i]));
        } else if (!std::strcmp(a, "--warmup") && next) {
            o.warmup = std::max(0, std::atoi(argv[++i]));
        } else if (!std::strcmp(a, "--overhead-frames") && next) {
            o.overheadFrames = std::max(0, std::atoi(argv[++i]));
        } else if (!std::strcmp(a, "--rows") && next) {
            o.rows.clear();
            for (const std::string& item : splitList(argv[++i]))
                o.rows.push_back(std::atof(item.c_str()));
            rowsGiven = !o.rows.empty();
        } else if (!std::strcmp(a, "--names") && next) {
            o.names = splitList(argv[++i]);
        } else if (!std::strcmp(a, "--overhead") && next) {
            if (!parseSize(argv[++i], &o.overheadWidth, &o.overheadHeight)) return usage();
        } else {
            int w, h;
            if (!parseSize(a, &w, &h)) return usage();
            o.sizes.push_back({w, h});
        }
    }
    if (!rowsGiven) o.rows = {0.0};
    if (o.sizes.empty()) o.sizes = {{320, 180}, {640, 360}, {1280, 720}};
    setLogProgramName("bench_frame");
    bool timerQueries = false;
    bool tableStarted = false;
    for (auto [w, h] : o.sizes) {
        StartUp started;
        Content* content = openSize(w, h, &started);
        if (!content) continue;
        if (!tableStarted) {
            timerQueries = haveTimerQueries();
            std::printf("GL %s, %s. Pass times: %s. %d frames after %d of warm-up per row.\n\n",
                        reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                        reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                        timerQueries ? "GPU time from GL_TIME_ELAPSED queries"
                                     : "wall time of each pass ended by glFinish (no timer "
                                       "queries)",
                        o.frames, o.warmup);
            std::printf("| size | row | scene ms | glow ms | final ms | passes summed ms | "
                        "frame wall ms |\n|---|---|---:|---:|---:|---:|---:|\n");
            tableStarted = true;
        }
        measureSize(*content, o, w, h, timerQueries);
        shutDown(started);
    }

    if (o.overheadFrames > 0) {
        StartUp started;
        Content* content = openSize(o.overheadWidth, o.overheadHeight, &started);
        if (!content) return exitFailed;
        measureOverhead(*content, o);
        shutDown(started);
    }
    return exitDone;
}
