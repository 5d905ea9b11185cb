// brumelt-capture: records the show offline to PNG files or an .mp4, through the demo's own
// content code. See captureUsage() for the command line.
//
// The render thread draws each frame into the hidden window's back buffer and starts an
// asynchronous read into one of a ring of pixel buffer objects; the frame read a few frames
// earlier is mapped and copied into a free buffer, and a writer thread turns the buffers into
// PNG files or feeds them to ffmpeg, so encoding overlaps the rendering of later frames.
#include "base/exit_codes.h"
#include "base/log.h"
#include "base/show.h"
#include "capture_options.h"
#include "platform/gl.h"
#include "platform/window.h"
#include "png_file.h"
#include "render/content.h"
#include "startup/startup.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

static double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// ---- Output: PNG files or an ffmpeg pipe, written by one thread ----

struct Frame {
    std::vector<uint8_t> pixels; // RGBA, bottom row first, as read back
    std::string path;            // PNG file to write; empty when the frame goes to the video
};

static bool writePng(const Frame& frame, int width, int height) {
    return writeFramePng(frame.path.c_str(), frame.pixels.data(), width, height);
}

struct Writer {
    int width = 0, height = 0;
    int videoFd = -1; // ffmpeg's stdin, or -1
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Frame> queue;
    std::vector<std::vector<uint8_t>> spare; // recycled pixel buffers
    size_t buffersMade = 0;
    size_t maxBuffers = 4;
    bool finished = false;
    std::string failure;
    std::thread thread;

    // A buffer for the next frame; waits while every buffer is queued.
    std::vector<uint8_t> take() {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return !spare.empty() || buffersMade < maxBuffers; });
        if (!spare.empty()) {
            std::vector<uint8_t> buffer = std::move(spare.back());
            spare.pop_back();
            return buffer;
        }
        ++buffersMade;
        return std::vector<uint8_t>(size_t(width) * height * 4);
    }

    void push(Frame frame) {
        std::lock_guard<std::mutex> hold(lock);
        queue.push_back(std::move(frame));
        changed.notify_all();
    }

    void run() {
        for (;;) {
            Frame frame;
            {
                std::unique_lock<std::mutex> hold(lock);
                changed.wait(hold, [&] { return !queue.empty() || finished; });
                if (queue.empty()) return;
                frame = std::move(queue.front());
                queue.pop_front();
            }
            std::string problem;
            if (!frame.path.empty()) {
                if (!writePng(frame, width, height)) problem = "cannot write " + frame.path;
            } else {
                const uint8_t* p = frame.pixels.data();
                size_t left = frame.pixels.size();
                while (left > 0) {
                    ssize_t n = ::write(videoFd, p, left);
                    if (n <= 0) {
                        problem = "ffmpeg stopped taking frames";
                        break;
                    }
                    p += n;
                    left -= size_t(n);
                }
            }
            std::lock_guard<std::mutex> hold(lock);
            if (!problem.empty() && failure.empty()) failure = problem;
            spare.push_back(std::move(frame.pixels));
            changed.notify_all();
        }
    }

    std::string failed() {
        std::lock_guard<std::mutex> hold(lock);
        return failure;
    }

    void finish() {
        {
            std::lock_guard<std::mutex> hold(lock);
            finished = true;
            changed.notify_all();
        }
        if (thread.joinable()) thread.join();
    }
};

static bool onPath(const char* program) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon == std::string::npos ? colon : colon - start);
        if (dir.empty()) dir = ".";
        if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return false;
}

// Starts ffmpeg reading raw RGBA frames on its stdin; returns its pid and the pipe's write end.
static pid_t startEncoder(const CaptureOptions& o, int64_t firstFrame, int64_t frameCount,
                          int* fd) {
    char size[32], start[32], length[32];
    std::snprintf(size, sizeof size, "%dx%d", o.width, o.height);
    // The music starts where the first frame's row is, and lasts as long as the frames.
    std::snprintf(start, sizeof start, "%.6f", double(firstFrame) / o.fps);
    std::snprintf(length, sizeof length, "%.6f", double(frameCount) / o.fps);
    std::vector<std::string> args = {
        "ffmpeg",     "-hide_banner", "-loglevel", "error",       "-nostdin",  "-y",
        "-f",         "rawvideo",     "-pix_fmt",  "rgba",        "-s",        size,
        "-framerate", o.fpsText,      "-i",        "pipe:0",      "-ss",       start,
        "-t",         length,         "-i",        showMusicPath, "-map",      "0:v",
        "-map",       "1:a",          "-vf",       "vflip",       "-c:v",      "libx264",
        "-preset",    "veryfast",     "-crf",      "18",          "-pix_fmt",  "yuv420p",
        "-c:a",       "aac",          "-b:a",      "192k",        "-movflags", "+faststart",
        o.out};
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[0], 0);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp("ffmpeg", argv.data());
        _exit(127);
    }
    close(pipeFds[0]);
    if (pid < 0) {
        close(pipeFds[1]);
        return -1;
    }
    *fd = pipeFds[1];
    return pid;
}

// ---- Progress ----

static void showProgress(int64_t done, int64_t total, double started, bool last) {
    static double shown = 0.0;
    double t = now();
    if (!last && t - shown < 0.25) return;
    shown = t;
    double elapsed = t - started;
    double rate = elapsed > 0.0 ? double(done) / elapsed : 0.0;
    double left = rate > 0.0 ? double(total - done) / rate : 0.0;
    const int barWidth = 30;
    int filled = total > 0 ? int(double(done) / double(total) * barWidth) : barWidth;
    char bar[barWidth + 1];
    for (int i = 0; i < barWidth; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[barWidth] = '\0';
    int leftSeconds = int(left + 0.5);
    std::fprintf(stderr, "\r[%s] %lld/%lld frames  %.2f fps  %d:%02d:%02d left ", bar,
                 static_cast<long long>(done), static_cast<long long>(total), rate,
                 leftSeconds / 3600, leftSeconds / 60 % 60, leftSeconds % 60);
    if (last) std::fputc('\n', stderr);
}

// ---- Rendering ----

static const char* missingCaptureEntryPoints() {
    if (!glGenBuffers || !glBindBuffer || !glBufferData || !glMapBuffer || !glUnmapBuffer) {
        return "glGenBuffers, glBindBuffer, glBufferData, glMapBuffer or glUnmapBuffer";
    }
    return nullptr;
}

// Renders the given rows and hands each frame to the writer; paths[i] names frame i's PNG
// (empty for video). Returns the seconds spent.
static double capture(Content& content, const std::vector<double>& rows,
                      const std::vector<std::string>& paths, Writer& writer, bool quiet) {
    const int ringSize = 3;
    const size_t frameBytes = size_t(writer.width) * writer.height * 4;
    GLuint buffers[ringSize];
    glGenBuffers(ringSize, buffers);
    for (GLuint b : buffers) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, b);
        glBufferData(GL_PIXEL_PACK_BUFFER, GLsizeiptr(frameBytes), nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);

    auto collect = [&](size_t index) {
        std::vector<uint8_t> pixels = writer.take();
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers[index % ringSize]);
        const void* mapped = glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
        if (mapped) std::memcpy(pixels.data(), mapped, frameBytes);
        glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        writer.push(Frame{std::move(pixels), paths[index]});
    };

    double started = now();
    size_t count = rows.size();
    for (size_t i = 0; i < count; ++i) {
        windowPollEvents();
        renderFrame(content, rows[i]);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers[i % ringSize]);
        glReadPixels(0, 0, writer.width, writer.height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
        if (i + 1 >= ringSize) collect(i + 1 - ringSize);
        if (!quiet && i + 1 < count) showProgress(int64_t(i + 1), int64_t(count), started, false);
        if (!writer.failed().empty()) break;
    }
    for (size_t i = count >= ringSize - 1 ? count - (ringSize - 1) : 0; i < count; ++i)
        collect(i);
    writer.finish();
    double seconds = now() - started;
    if (!quiet) showProgress(int64_t(count), int64_t(count), started, true);
    return seconds;
}

// Renders the rows without reading anything back, for comparison.
static double renderOnly(Content& content, const std::vector<double>& rows) {
    double started = now();
    for (double row : rows) {
        windowPollEvents();
        renderFrame(content, row);
        glFinish();
    }
    return now() - started;
}

// ---- The steps of a capture ----

// Reads the command line; false when there is nothing to capture, with *status the exit code
// (--help prints the usage and is done).
static bool readOptions(int argc, char** argv, CaptureOptions* o, int32_t* status) {
    std::string problem = parseCaptureOptions(argc, argv, o);
    if (!problem.empty()) {
        logMessage("options", "%s (see --help)", problem.c_str());
        *status = exitUsage;
        return false;
    }
    if (o->help) {
        std::fputs(captureUsage(), stdout);
        *status = exitDone;
        return false;
    }
    return true;
}

// Makes sure the output can be written before anything is drawn: ffmpeg and the music for a
// video, the folder for PNG files.
static int32_t prepareOutput(const CaptureOptions& o) {
    if (o.video) {
        if (!onPath("ffmpeg")) {
            logMessage("output", "ffmpeg was not found on PATH; it is needed for an .mp4 (Debian "
                                 "package ffmpeg)");
            return exitOutput;
        }
        if (access(showMusicPath, R_OK) != 0) {
            logMessage("output", "%s: cannot read it; run in a demo folder", showMusicPath);
            return exitOutput;
        }
        return exitDone;
    }
    std::error_code error;
    std::filesystem::create_directories(o.out, error);
    if (!std::filesystem::is_directory(o.out)) {
        logMessage("output", "%s: cannot make this folder", o.out.c_str());
        return exitOutput;
    }
    return exitDone;
}

// The frames to draw: their rows and the PNG file of each (empty for the video).
struct FramePlan {
    std::vector<double> rows;
    std::vector<std::string> paths;
    int64_t firstFrame = 0, frameCount = 0; // of a range capture
};

static FramePlan planFrames(const CaptureOptions& o) {
    FramePlan plan;
    if (!o.rows.empty()) {
        plan.rows = o.rows;
        for (double row : plan.rows)
            plan.paths.push_back(o.out + "/" + stillName(row));
        return plan;
    }
    captureFrameRange(o, &plan.firstFrame, &plan.frameCount);
    for (int64_t n = plan.firstFrame; n < plan.firstFrame + plan.frameCount; ++n) {
        plan.rows.push_back(rowOfFrame(n, o.fps));
        plan.paths.push_back(o.video ? std::string() : o.out + "/" + frameName(n));
    }
    return plan;
}

// A hidden window of exactly the picture's size, with the pixel buffer entry points the capture
// reads through, and the content loaded.
static int32_t startCapture(const CaptureOptions& o, StartUp* started) {
    const StartUpRequest request = {.width = o.width,
                                    .height = o.height,
                                    .title = "brumelt-capture",
                                    .windowFlags = windowHidden,
                                    .depth = startUpLoaded,
                                    .exactSize = 1,
                                    .missingEntryPoints = missingCaptureEntryPoints};
    return startUp(request, started);
}

// What the frames took: --compare's render-only time and the capture's own.
struct CaptureTimes {
    double renderSeconds = 0.0;
    double captureSeconds = 0.0;
};

// Draws every planned frame and hands it to the writer, whose thread starts here (after the
// encoder for a video); with --compare the frames are first drawn once without output.
static int32_t renderRows(const CaptureOptions& o, const FramePlan& plan, Content& content,
                          Writer& writer, pid_t* encoder, CaptureTimes* times) {
    if (o.compare) {
        logMessage("compare", "rendering %zu frames without output", plan.rows.size());
        times->renderSeconds = renderOnly(content, plan.rows);
    }
    std::signal(SIGPIPE, SIG_IGN); // a dead encoder shows as a failed write instead
    writer.width = o.width;
    writer.height = o.height;
    if (o.video) {
        *encoder = startEncoder(o, plan.firstFrame, plan.frameCount, &writer.videoFd);
        if (*encoder < 0) {
            logMessage("output", "cannot start ffmpeg");
            return exitOutput;
        }
    }
    writer.thread = std::thread([&writer] { writer.run(); });
    times->captureSeconds = capture(content, plan.rows, plan.paths, writer, false);
    return exitDone;
}

// Waits for the encoder of a video, and reports what failed in writing the files or the video
// and, with --compare, the times.
static int32_t finishFiles(const CaptureOptions& o, const FramePlan& plan, Content& content,
                           Writer& writer, pid_t encoder, CaptureTimes* times) {
    int32_t status = exitDone;
    std::string failure = writer.failed();
    if (o.video) {
        close(writer.videoFd);
        int encoderStatus = 0;
        waitpid(encoder, &encoderStatus, 0);
        if (!WIFEXITED(encoderStatus) || WEXITSTATUS(encoderStatus) != 0) {
            failure = "ffmpeg failed" + (failure.empty() ? std::string() : " (" + failure + ")");
        }
    }
    if (o.compare) {
        // Timed again after the capture, so that a machine whose load drifts during the run
        // weighs on both sides alike.
        logMessage("compare", "rendering the frames without output again");
        times->renderSeconds = 0.5 * (times->renderSeconds + renderOnly(content, plan.rows));
    }
    if (!failure.empty()) {
        logMessage("output", "%s: %s", o.out.c_str(), failure.c_str());
        status = exitOutput;
    }
    if (o.compare) {
        const double ratio =
            times->renderSeconds > 0.0 ? times->captureSeconds / times->renderSeconds : 0.0;
        logMessage("compare",
                   "%zu frames at %dx%d: render only %.3f s (mean of the runs before and after), "
                   "capture %.3f s, ratio %.3f",
                   plan.rows.size(), o.width, o.height, times->renderSeconds, times->captureSeconds,
                   ratio);
    }
    return status;
}

int main(int argc, char** argv) {
    setLogProgramName("brumelt-capture");
    CaptureOptions o;
    int32_t status = exitDone;
    if (!readOptions(argc, argv, &o, &status)) return status;
    if ((status = prepareOutput(o)) != exitDone) return status;
    const FramePlan plan = planFrames(o);

    StartUp started = {};
    status = startCapture(o, &started);
    if (status == exitDone) status = openStartUpTracks(started);
    if (status == exitDone) {
        Writer writer;
        pid_t encoder = -1;
        CaptureTimes times;
        status = renderRows(o, plan, *started.content, writer, &encoder, &times);
        if (status == exitDone)
            status = finishFiles(o, plan, *started.content, writer, encoder, &times);
    }
    shutDown(started);
    return status;
}
