#include "trackc.h"

#include "formats/text_lines.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <cstring>

// A float from the whole token; 0 on success, 1 when it is not a number, 2 when it is beyond the
// float range.
static int32_t parseValue(const char* text, float* value) {
    if (*text == '\0') return 1;
    char* end = nullptr;
    errno = 0;
    float v = std::strtof(text, &end);
    if (*end != '\0') return 1;
    if (errno == ERANGE && std::isinf(v)) return 2;
    *value = v;
    return 0;
}

// A name or a numeric code (a signed byte: digits, '-' allowed); 0 on success, 1 for a word that
// names no kind.
static int32_t parseInterpolation(const char* text, int32_t* code) {
    for (int32_t i = 0; i < 4; ++i) {
        if (std::strcmp(text, interpolationName(i)) == 0) {
            *code = i;
            return 0;
        }
    }
    int32_t n;
    if (!std::strchr(text, ':') && *text != '+' && parseRow(text, &n) == 0 && n >= -128 &&
        n <= 127) {
        *code = n;
        return 0;
    }
    return 1;
}

static bool validTrackName(const std::string& name) {
    for (char c : name) {
        if (c == '/' || c == '#' || c == ' ' || c == '\t') return false;
    }
    return !name.empty();
}

enum : size_t { maxTokenShown = 40 };

// What to quote of a token in a message: the first characters only.
static std::string shown(const std::string& token) {
    if (token.size() <= maxTokenShown) return token;
    return token.substr(0, maxTokenShown) + "...";
}

static void checkSourceTrack(const char* fileName, const SourceTrack& track,
                             Diagnostics* diagnostics) {
    for (size_t i = 0; i < track.keys.size(); ++i) {
        const SourceKey& k = track.keys[i];
        if (!std::isfinite(k.key.value))
            reportAt(diagnostics, fileName, k.line, "value %s is not a finite number",
                     formatValue(k.key.value).c_str());
        if (!interpolationName(k.key.interpolation))
            reportAt(diagnostics, fileName, k.line,
                     "unknown interpolation code %d (0 constant, 1 linear, 2 smooth, "
                     "3 quadratic)",
                     k.key.interpolation);
        if (i == 0) continue;
        const SourceKey& previous = track.keys[i - 1];
        if (k.key.row < previous.key.row)
            reportAt(diagnostics, fileName, k.line,
                     "rows not ascending: row %d comes after row %d (line %d) in track '%s'",
                     k.key.row, previous.key.row, previous.line, shown(track.name).c_str());
        else if (k.key.row == previous.key.row)
            reportAt(diagnostics, fileName, k.line,
                     "repeated row %d (also on line %d) in track '%s'", k.key.row, previous.line,
                     shown(track.name).c_str());
    }
}

int32_t parseTrackSource(const char* fileName, const char* text, size_t size, TrackSource* source,
                         Diagnostics* diagnostics) {
    int32_t before = diagnostics->count;
    TextLineReader reader{text, size};
    TextLine textLine;
    while (readTextLine(reader, textLine)) {
        const int32_t line = textLine.number;
        const std::vector<std::string>& tokens = textLine.words;
        const size_t tokenCount = tokens.size();
        if (textLine.controlByte) {
            reportAt(diagnostics, fileName, line, "%s", controlByteProblem);
            continue;
        }
        if (tokenCount == 0) continue;

        if (tokens[0] == "track") {
            if (tokenCount != 2) {
                reportAt(diagnostics, fileName, line, "expected 'track NAME'");
                continue;
            }
            if (!validTrackName(tokens[1])) {
                reportAt(diagnostics, fileName, line, "track name '%s' may not contain '/'",
                         shown(tokens[1]).c_str());
                continue;
            }
            bool repeated = false;
            for (const SourceTrack& t : source->tracks) {
                if (t.name == tokens[1]) {
                    reportAt(diagnostics, fileName, line,
                             "track '%s' is already defined on line %d", shown(tokens[1]).c_str(),
                             t.line);
                    repeated = true;
                }
            }
            // Keys that follow a repeated name still go to a track, so that they are checked.
            source->tracks.push_back(SourceTrack{tokens[1], line, {}});
            if (repeated) source->tracks.back().name.clear();
            continue;
        }

        if (tokenCount != 3) {
            reportAt(diagnostics, fileName, line,
                     "expected 'ROW VALUE INTERPOLATION' or 'track NAME'");
            continue;
        }
        if (source->tracks.empty()) {
            reportAt(diagnostics, fileName, line, "key before the first 'track NAME' line");
            continue;
        }
        SourceKey key{{0, 0.0f, 0}, line};
        bool good = true;
        if (parseRow(tokens[0].c_str(), &key.key.row)) {
            reportAt(diagnostics, fileName, line,
                     "row '%s' is neither a 32-bit integer nor BAR:BEAT:ROW (beat 0-3, row "
                     "0-7)",
                     shown(tokens[0]).c_str());
            good = false;
        }
        int32_t valueResult = parseValue(tokens[1].c_str(), &key.key.value);
        if (valueResult == 1) {
            reportAt(diagnostics, fileName, line, "value '%s' is not a number",
                     shown(tokens[1]).c_str());
            good = false;
        } else if (valueResult == 2) {
            reportAt(diagnostics, fileName, line, "value '%s' is beyond the float range",
                     shown(tokens[1]).c_str());
            good = false;
        }
        if (parseInterpolation(tokens[2].c_str(), &key.key.interpolation)) {
            reportAt(diagnostics, fileName, line,
                     "unknown interpolation '%s' (expected constant, linear, smooth or "
                     "quadratic)",
                     shown(tokens[2]).c_str());
            good = false;
        }
        if (good) source->tracks.back().keys.push_back(key);
    }
    for (const SourceTrack& track : source->tracks)
        checkSourceTrack(fileName, track, diagnostics);
    return diagnostics->count - before;
}

std::string printTrackText(const char* name, const TrackKey* keys, int32_t keyCount, bool bars) {
    std::string text = std::string("track ") + name + "\n";
    for (int32_t i = 0; i < keyCount; ++i) {
        const TrackKey& k = keys[i];
        const std::string row = bars && k.row >= 0 ? formatPosition(k.row) : std::to_string(k.row);
        const char* kind = interpolationName(k.interpolation);
        std::string code = kind ? kind : std::to_string(k.interpolation);
        text += row + " " + formatValue(k.value) + " " + code + "\n";
    }
    return text;
}
