#include "trackc.h"

#include "formats/whole_file.h"
#include "tracks/tracks_internal.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

static const char usage[] =
    "usage: trackc COMMAND ...\n"
    "Writes and inspects the demo's track files (PREFIX_NAME.track).\n"
    "\n"
    "  trackc build SOURCE --prefix PREFIX   text source -> one track file per track\n"
    "  trackc dump [--bars] FILE...          track files -> text source\n"
    "  trackc check FILE...                  report problems in sources and track files\n"
    "  trackc eval FILE ROW...               the track's value at each row\n"
    "\n"
    "'trackc COMMAND --help' describes one command. Exit status: 0 success, 1 problems found,\n"
    "2 misuse.\n";

static const char buildHelp[] =
    "usage: trackc build SOURCE --prefix PREFIX\n"
    "Compiles the text SOURCE into one track file per track, PREFIX_NAME.track (the demo reads\n"
    "PREFIX ./tracks/sync). Nothing is written when the source has any problem.\n"
    "\n"
    "Source lines ('#' starts a comment):\n"
    "  track NAME\n"
    "  ROW VALUE INTERPOLATION\n"
    "ROW: an integer, or BAR:BEAT:ROW with 8 rows a beat and 4 beats a bar, counted from 0.\n"
    "VALUE: a decimal or hexadecimal float. INTERPOLATION: constant, linear, smooth, quadratic.\n"
    "Rows must ascend strictly within a track.\n";

static const char dumpHelp[] =
    "usage: trackc dump [--bars] FILE...\n"
    "Prints track files in the text form 'trackc build' reads, one track after another with a\n"
    "blank line between them; each track is named after its file (sync_uBass.track: uBass).\n"
    "Values are printed so that they read back bit for bit. --bars writes rows from 0 up as\n"
    "BAR:BEAT:ROW. Keys are those the demo loads from the file.\n";

static const char checkHelp[] =
    "usage: trackc check FILE...\n"
    "Reports, with file and line (or key and byte offset), every problem found: rows not\n"
    "ascending, repeated rows, unknown interpolations, values that are NaN or infinite, and for\n"
    "track files a count that does not match the file's length (trailing bytes, cut keys).\n"
    "Files ending in .track are read as track files, others as text sources.\n"
    "Exit status 1 when any problem is found.\n";

static const char evalHelp[] =
    "usage: trackc eval FILE ROW...\n"
    "Prints 'ROW VALUE' for each row: the value of the track file FILE at that row, computed as\n"
    "the demo computes it. ROW is a number (fractions allowed, nan and inf too) or BAR:BEAT:ROW.\n";

struct Output {
    FILE* out;
    FILE* err;
};

static bool isHelp(const char* argument) {
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0;
}

static int misuse(const Output& o, const char* problem, const char* help) {
    std::fprintf(o.err, "trackc: %s\n%s", problem, help);
    return 2;
}

static void printDiagnostics(const Output& o, const Diagnostics& diagnostics) {
    for (const std::string& message : diagnostics.messages)
        std::fprintf(o.err, "trackc: %s\n", message.c_str());
    int32_t untold = diagnostics.count - int32_t(diagnostics.messages.size());
    if (untold > 0) std::fprintf(o.err, "trackc: ... and %d more problems\n", untold);
}

// The whole file; 0 on success, else a message has been printed.
static int readOrReport(const Output& o, const char* path, std::string* bytes) {
    std::string error;
    if (readWholeFile(path, bytes, &error) == 0) return 0;
    std::fprintf(o.err, "trackc: %s\n", error.c_str());
    return 1;
}

// Loads a track file as the demo does; 0 on success, else a message has been printed. The
// caller frees track->keys.
static int loadForInspection(const Output& o, const char* path, Track* track) {
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fprintf(o.err, "trackc: %s: cannot open: %s\n", path,
                     errno ? std::strerror(errno) : "not a regular file");
        return 1;
    }
    track->name = nullptr;
    track->keys = nullptr;
    track->keyCount = 0;
    if (loadTrackFile(track, path) != 0) {
        std::fprintf(o.err, "trackc: %s: cannot load: %s\n", path, std::strerror(errno));
        return 1;
    }
    return 0;
}

static bool endsWith(const char* text, const char* tail) {
    size_t n = std::strlen(text), m = std::strlen(tail);
    return n >= m && std::strcmp(text + n - m, tail) == 0;
}

static int buildCommand(const Output& o, int argc, const char* const* argv) {
    const char* source = nullptr;
    const char* prefix = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (isHelp(argv[i])) {
            std::fputs(buildHelp, o.out);
            return 0;
        } else if (std::strcmp(argv[i], "--prefix") == 0 && i + 1 < argc) {
            prefix = argv[++i];
        } else if (std::strncmp(argv[i], "--prefix=", 9) == 0) {
            prefix = argv[i] + 9;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return misuse(o, "build: unknown option", buildHelp);
        } else if (!source) {
            source = argv[i];
        } else {
            return misuse(o, "build: one source at a time", buildHelp);
        }
    }
    if (!source || !prefix) return misuse(o, "build: needs SOURCE and --prefix PREFIX", buildHelp);

    std::string text;
    if (readOrReport(o, source, &text)) return 1;
    TrackSource parsed;
    Diagnostics diagnostics;
    parseTrackSource(source, text.data(), text.size(), &parsed, &diagnostics);
    if (parsed.tracks.empty()) report(&diagnostics, "%s: no tracks", source);
    for (const SourceTrack& track : parsed.tracks) {
        if (!track.name.empty() && !trackFilePath(prefix, track.name.c_str()))
            reportAt(&diagnostics, source, track.line,
                     "the path of track '%s' would be longer than %d characters, which the demo "
                     "does not load",
                     track.name.c_str(), trackPathMax);
    }
    if (diagnostics.count) {
        printDiagnostics(o, diagnostics);
        std::fprintf(o.err, "trackc: %s: nothing written\n", source);
        return 1;
    }
    for (const SourceTrack& track : parsed.tracks) {
        std::vector<TrackKey> keys;
        for (const SourceKey& k : track.keys)
            keys.push_back(k.key);
        std::string bytes = encodeTrackFile(keys.data(), int32_t(keys.size()));
        std::string path = trackFilePath(prefix, track.name.c_str());
        std::string reason;
        if (writeWholeFile(path.c_str(), bytes, reason) != fileWritten) {
            std::fprintf(o.err, "trackc: %s: cannot write: %s\n", path.c_str(), reason.c_str());
            return 1;
        }
    }
    std::fprintf(o.out, "trackc: %s: %zu tracks written to %s_*.track\n", source,
                 parsed.tracks.size(), prefix);
    return 0;
}

static int dumpCommand(const Output& o, int argc, const char* const* argv) {
    bool bars = false;
    std::vector<const char*> files;
    for (int i = 0; i < argc; ++i) {
        if (isHelp(argv[i])) {
            std::fputs(dumpHelp, o.out);
            return 0;
        } else if (std::strcmp(argv[i], "--bars") == 0) {
            bars = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return misuse(o, "dump: unknown option", dumpHelp);
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty()) return misuse(o, "dump: needs at least one track file", dumpHelp);
    int status = 0;
    bool first = true;
    for (const char* path : files) {
        Track track;
        if (loadForInspection(o, path, &track)) {
            status = 1;
            continue;
        }
        std::string name = trackNameOfPath(path);
        std::string text = printTrackText(name.c_str(), track.keys, track.keyCount, bars);
        std::free(track.keys);
        std::fprintf(o.out, "%s%s", first ? "" : "\n", text.c_str());
        first = false;

        std::string bytes;
        Diagnostics diagnostics;
        if (readOrReport(o, path, &bytes) == 0 && checkTrackFile(path, bytes, &diagnostics))
            std::fprintf(o.err, "trackc: %s: has problems, see 'trackc check %s'\n", path, path);
    }
    return status;
}

static int checkCommand(const Output& o, int argc, const char* const* argv) {
    std::vector<const char*> files;
    for (int i = 0; i < argc; ++i) {
        if (isHelp(argv[i])) {
            std::fputs(checkHelp, o.out);
            return 0;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return misuse(o, "check: unknown option", checkHelp);
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty()) return misuse(o, "check: needs at least one file", checkHelp);
    int status = 0;
    for (const char* path : files) {
        std::string bytes;
        if (readOrReport(o, path, &bytes)) {
            status = 1;
            continue;
        }
        Diagnostics diagnostics;
        if (endsWith(path, ".track")) {
            checkTrackFile(path, bytes, &diagnostics);
        } else {
            TrackSource parsed;
            parseTrackSource(path, bytes.data(), bytes.size(), &parsed, &diagnostics);
        }
        if (diagnostics.count) {
            printDiagnostics(o, diagnostics);
            status = 1;
        } else {
            std::fprintf(o.out, "%s: ok\n", path);
        }
    }
    return status;
}

// The shortest text that reads back as the same double.
static std::string formatRow(double row) {
    char text[64];
    if (row == std::floor(row) && std::fabs(row) < 1e15) {
        std::snprintf(text, sizeof text, "%.0f", row);
        return text;
    }
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, row);
        if (std::strtod(text, nullptr) == row) break;
    }
    return text;
}

static int evalCommand(const Output& o, int argc, const char* const* argv) {
    for (int i = 0; i < argc; ++i) {
        if (isHelp(argv[i])) {
            std::fputs(evalHelp, o.out);
            return 0;
        }
    }
    if (argc < 2) return misuse(o, "eval: needs a track file and at least one row", evalHelp);
    std::vector<double> rows;
    for (int i = 1; i < argc; ++i) {
        int32_t whole;
        char* end = nullptr;
        double row = std::strtod(argv[i], &end);
        if (std::strchr(argv[i], ':') && parseRow(argv[i], &whole) == 0) {
            row = whole;
        } else if (argv[i][0] == '\0' || *end != '\0') {
            std::fprintf(o.err, "trackc: eval: row '%s' is not a number or BAR:BEAT:ROW\n",
                         argv[i]);
            return 2;
        }
        rows.push_back(row);
    }
    Track track;
    if (loadForInspection(o, argv[0], &track)) return 1;
    for (double row : rows) {
        double value = evaluateTrack(&track, row);
        std::fprintf(o.out, "%s %s\n", formatRow(row).c_str(), formatValue(float(value)).c_str());
    }
    std::free(track.keys);
    return 0;
}

int runTrackc(int argc, const char* const* argv, FILE* out, FILE* err) {
    Output o{out, err};
    if (argc < 2) return misuse(o, "no command", usage);
    const char* command = argv[1];
    int rest = argc - 2;
    const char* const* restArgs = argv + 2;
    if (isHelp(command) || std::strcmp(command, "help") == 0) {
        std::fputs(usage, out);
        return 0;
    }
    if (std::strcmp(command, "build") == 0) return buildCommand(o, rest, restArgs);
    if (std::strcmp(command, "dump") == 0) return dumpCommand(o, rest, restArgs);
    if (std::strcmp(command, "check") == 0) return checkCommand(o, rest, restArgs);
    if (std::strcmp(command, "eval") == 0) return evalCommand(o, rest, restArgs);
    std::fprintf(err, "trackc: unknown command '%s'\n%s", command, usage);
    return 2;
}

std::string trackNameOfPath(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    static const std::string extension = ".track";
    if (name.size() > extension.size() &&
        name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
        name.resize(name.size() - extension.size());
    size_t underscore = name.find('_');
    if (underscore != std::string::npos && underscore + 1 < name.size())
        name = name.substr(underscore + 1);
    return name;
}
