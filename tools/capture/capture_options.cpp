#include "capture_options.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static std::string usageText() {
    char usage[2048];
    std::snprintf(
        usage, sizeof usage,
        "usage: brumelt-capture [--size WxH] [--fps N] [--rows A,B,...] [--from ROW] [--to ROW]\n"
        "                       [--compare] OUT\n"
        "\n"
        "Renders the show offline, run in a demo folder (the working directory holds assets/\n"
        "and tracks/). Frame n shows track row n / fps x %g, whatever the rendering speed; no\n"
        "audio device is used and the window stays hidden, so it works under Xvfb.\n"
        "\n"
        "  OUT            a folder for numbered PNG files (frame-NNNNNN.png, made if missing), or\n"
        "                 a file ending in .mp4: H.264 video (yuv420p) with %s\n"
        "                 muxed in, aligned with the first frame (needs ffmpeg on PATH)\n"
        "  --size WxH     picture size in pixels (default 1920x1080; even sizes for .mp4)\n"
        "  --fps N        frames per second (default 60)\n"
        "  --rows A,B,... render stills at these track rows as OUT/row-ROW.png instead\n"
        "  --from ROW     first row of the range (default 0)\n"
        "  --to ROW       end of the range, not included (default %g, the end of the show)\n"
        "  --compare      also render the same frames without output, before and after the\n"
        "                 capture, and print the times and their ratio\n"
        "  --help         this text\n"
        "\n"
        "Progress goes to stderr. Exit status: 0 done, 1 output failed, 2 bad command line,\n"
        "3 no track set, 4 graphics (no context, missing GL features, size too large).\n",
        showRowsPerSecond, showMusicPath, showLengthSeconds * showRowsPerSecond);
    return usage;
}

const char* captureUsage() {
    static const std::string usage = usageText();
    return usage.c_str();
}

static bool parseNumber(const char* text, double* value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (*end != '\0' || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

static bool endsWith(const std::string& s, const char* suffix) {
    size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

std::string parseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options) {
    CaptureOptions o;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needsValue = [&]() { return next ? std::string() : arg + " needs a value"; };
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--compare") {
            o.compare = true;
        } else if (arg == "--size") {
            if (!next) return needsValue();
            int w = 0, h = 0;
            char tail = 0;
            if (std::sscanf(next, "%dx%d%c", &w, &h, &tail) != 2 || w < 1 || h < 1) {
                return std::string("--size wants WIDTHxHEIGHT of at least 1x1, not '") + next + "'";
            }
            o.width = w;
            o.height = h;
            ++i;
        } else if (arg == "--fps") {
            if (!next) return needsValue();
            if (!parseNumber(next, &o.fps) || o.fps <= 0.0 || o.fps > 1000.0) {
                return std::string("--fps wants a number above 0 and up to 1000, not '") + next +
                       "'";
            }
            o.fpsText = next;
            ++i;
        } else if (arg == "--from" || arg == "--to") {
            if (!next) return needsValue();
            double v = 0.0;
            if (!parseNumber(next, &v)) return arg + " wants a row number, not '" + next + "'";
            (arg == "--from" ? o.from : o.to) = v;
            ++i;
        } else if (arg == "--rows") {
            if (!next) return needsValue();
            std::string list = next;
            size_t start = 0;
            while (start <= list.size()) {
                size_t comma = list.find(',', start);
                std::string item = list.substr(start, comma == std::string::npos ? std::string::npos
                                                                                 : comma - start);
                double v = 0.0;
                if (!parseNumber(item.c_str(), &v)) {
                    return "--rows wants row numbers separated by commas, not '" + list + "'";
                }
                o.rows.push_back(v);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
            ++i;
        } else if (!arg.empty() && arg[0] == '-') {
            return "unknown option " + arg;
        } else if (o.out.empty()) {
            o.out = arg;
        } else {
            return "more than one OUT given ('" + o.out + "' and '" + arg + "')";
        }
    }
    if (o.help) {
        *options = o;
        return "";
    }
    if (o.out.empty()) return "no OUT given (a folder, or a file ending in .mp4)";
    o.video = endsWith(o.out, ".mp4");
    if (o.video && !o.rows.empty()) return "--rows writes stills into a folder, not into an .mp4";
    if (o.video && (o.width % 2 != 0 || o.height % 2 != 0)) {
        return "an .mp4 (yuv420p) needs an even width and height";
    }
    if (o.rows.empty() && o.from < 0.0) return "--from must be 0 or more";
    if (o.rows.empty() && !(o.from < o.to)) return "--from must be below --to";
    if (o.compare && !o.rows.empty()) return "--compare times a range, not stills";
    *options = o;
    return "";
}

void captureFrameRange(const CaptureOptions& options, int64_t* first, int64_t* count) {
    // Frame n is in range when from <= n / fps x rows a second < to.
    double scale = options.fps / showRowsPerSecond;
    int64_t begin = int64_t(std::ceil(options.from * scale));
    int64_t end = int64_t(std::ceil(options.to * scale));
    while (begin > 0 && rowOfFrame(begin - 1, options.fps) >= options.from)
        --begin;
    while (rowOfFrame(begin, options.fps) < options.from)
        ++begin;
    while (end > begin && rowOfFrame(end - 1, options.fps) >= options.to)
        --end;
    while (rowOfFrame(end, options.fps) < options.to)
        ++end;
    *first = begin;
    *count = end > begin ? end - begin : 0;
}

std::string stillName(double row) {
    char name[64];
    std::snprintf(name, sizeof name, "row-%g.png", row);
    return name;
}

std::string frameName(int64_t n) {
    char name[64];
    std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(n));
    return name;
}
