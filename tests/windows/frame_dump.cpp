// brumelt-frame-dump WIDTHxHEIGHT ROW OUT [FRAMES]: renders the show's frame at track ROW through
// the real content and shaders into a hidden window, and writes the back buffer to OUT as raw
// 8-bit RGB, rows top to bottom (the byte order of the capture tool's PNG files, for comparing
// the two). ROW may be a comma-separated list: OUT is then a folder (it must exist) that gets
// row-N.rgb for each, from one start-up (which costs most where the CPU is emulated). With
// FRAMES, it then draws that many more frames, a row apart from the last, each waited for, and
// prints their mean cost in milliseconds (for benchmarks). Built for Windows and for Linux from
// this one source. Runs from a demo folder. Exit status: 0 written, 1 output failed, 2 bad
// arguments, 3 no track set, 4 no window, context or GL entry points.
#include "base/exit_codes.h"
#include "base/log.h"
#include "platform/gl.h"
#include "platform/window.h"
#include "render/content.h"
#include "startup/startup.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Draws the frame at the row and writes it to the path; false when the file cannot be written.
static bool dumpFrame(Content& content, double row, int width, int height, const char* path) {
    renderFrame(content, row);
    std::vector<unsigned char> rgba(size_t(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::vector<unsigned char> rgb;
    rgb.reserve(size_t(width) * height * 3);
    for (int y = height - 1; y >= 0; --y) // GL rows run bottom to top
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                rgb.push_back(rgba[(size_t(y) * width + x) * 4 + c]);

    FILE* out = std::fopen(path, "wb");
    bool written = out && std::fwrite(rgb.data(), 1, rgb.size(), out) == rgb.size();
    if (out && std::fclose(out) != 0) written = false;
    if (!written) logMessage("output", "cannot write %s", path);
    return written;
}

int main(int argc, char** argv) {
    setLogProgramName("brumelt-frame-dump");
    int width = 0, height = 0;
    if ((argc != 4 && argc != 5) || std::sscanf(argv[1], "%dx%d", &width, &height) != 2 ||
        width < 1 || height < 1) {
        std::fprintf(stderr, "usage: brumelt-frame-dump WIDTHxHEIGHT ROW[,ROW...] OUT [FRAMES]\n");
        return exitUsage;
    }
    std::vector<std::string> rows;
    for (std::string list = argv[2];;) {
        size_t comma = list.find(',');
        rows.push_back(list.substr(0, comma));
        if (comma == std::string::npos) break;
        list.erase(0, comma + 1);
    }
    int frames = argc == 5 ? std::atoi(argv[4]) : 0;

    StartUp started = {};
    const StartUpRequest request = {.width = width,
                                    .height = height,
                                    .title = "brumelt-frame-dump",
                                    .windowFlags = windowHidden,
                                    .depth = startUpTracks};
    if (int32_t code = startUp(request, &started)) {
        shutDown(started);
        return code;
    }
    Content* content = started.content;
    double row = 0;
    for (const std::string& text : rows) {
        row = std::atof(text.c_str());
        std::string path =
            rows.size() == 1 ? argv[3] : std::string(argv[3]) + "/row-" + text + ".rgb";
        if (!dumpFrame(*content, row, width, height, path.c_str())) {
            shutDown(started);
            return exitOutput;
        }
    }
    if (frames > 0) {
        double timed = windowSystemTime();
        for (int i = 1; i <= frames; ++i) {
            renderFrame(*content, row + i);
            windowSwapBuffers(started.window);
            glFinish();
        }
        std::printf("frame ms: %.3f\n", (windowSystemTime() - timed) * 1000.0 / frames);
    }
    shutDown(started);
    return exitDone;
}
