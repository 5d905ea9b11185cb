// Command line and frame plan of brumelt-capture, kept apart from GL so it can be tested alone.
//
// Frame n of a capture shows track row n / fps x showRowsPerSecond exactly. A range capture takes
// every frame whose row lies in [from, to); stills (--rows) take exactly the rows asked for.
#pragma once
#include "base/show.h"

#include <cstdint>
#include <string>
#include <vector>

struct CaptureOptions {
    int32_t width = 1920;
    int32_t height = 1080;
    double fps = 60.0;
    std::string fpsText = "60"; // as typed, handed on to the encoder
    std::vector<double> rows;   // stills; empty for a range capture
    double from = 0.0;
    double to = showLengthSeconds * showRowsPerSecond; // the whole show
    std::string out;
    bool video = false;   // out ends in .mp4
    bool compare = false; // also time the same frames rendered without output
    bool help = false;
};

// Parses argv; returns an empty string on success, else the problem (one line).
std::string parseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options);

// The usage text printed by --help.
const char* captureUsage();

// The first frame number and the number of frames of a range capture.
void captureFrameRange(const CaptureOptions& options, int64_t* first, int64_t* count);

// The track row that frame n shows at the given frame rate.
inline double rowOfFrame(int64_t n, double fps) {
    return double(n) / fps * showRowsPerSecond;
}

// The file name (inside out) of a still at row, e.g. "row-1200.png" or "row-12.5.png".
std::string stillName(double row);

// The file name (inside out) of numbered frame n, e.g. "frame-000042.png".
std::string frameName(int64_t n);
