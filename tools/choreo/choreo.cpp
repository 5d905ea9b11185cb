#include "choreo.h"

#include "formats/text_lines.h"
#include "formats/whole_file.h"
#include "trackc.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

static int32_t fail(std::string* error, const char* file, int32_t line, const std::string& what) {
    *error = textProblem(file, line, "%s", what.c_str());
    return 1;
}

namespace {

struct Strength {
    std::string track;
    std::string section;
    float from, to;
    int32_t line;
};

struct Pulse {
    std::string track;
    std::string event;
    int32_t decay;
    int32_t line;
};

struct HandTrack {
    std::string name;
    std::vector<std::string> keys; // "ROW VALUE KIND" with the row resolved
    int32_t lastRow;
    bool hasKeys;
};

} // namespace

static bool parseFiniteFloat(const std::string& s, float* value) {
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const float v = std::strtof(s.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

// The code of an interpolation written as a name or a digit; -1 for anything else.
static int32_t interpolationCode(const std::string& s) {
    for (int32_t code = 0; code <= 3; ++code)
        if (s == interpolationName(code) || s == std::to_string(code)) return code;
    return -1;
}

static float strengthAt(const std::vector<Strength>& strengths, const Timeline& t,
                        const std::string& track, int32_t row) {
    const ShowSection* in = sectionAt(t, row);
    if (!in) return 0.0f;
    for (const Strength& s : strengths) {
        if (s.track != track || s.section != in->name) continue;
        const double span = double(in->end) - double(in->row);
        const double f = span > 0 ? (double(row) - in->row) / span : 0.0;
        return float(s.from + (double(s.to) - s.from) * f);
    }
    return 0.0f;
}

// The keys of one pulse track: a jump to the section's strength on every hit, a fast fall to 40 %
// within the first quarter of the decay, then a slower one to 0, cut short by the next hit.
static std::vector<TrackKey> pulseKeys(const Pulse& p, const std::vector<Strength>& strengths,
                                       const Timeline& t, const std::vector<MusicEvent>& events) {
    std::vector<std::pair<int32_t, float>> hits;
    for (const MusicEvent& e : events) {
        if (e.name != p.event) continue;
        if (!hits.empty() && hits.back().first == e.row) continue;
        const float s = strengthAt(strengths, t, p.track, e.row);
        if (s > 0.0f) hits.push_back({e.row, s});
    }
    std::vector<TrackKey> keys;
    if (hits.empty() || hits[0].first > 0) keys.push_back({0, 0.0f, Constant});
    for (size_t i = 0; i < hits.size(); ++i) {
        const int32_t r = hits[i].first;
        const float s = hits[i].second;
        const int64_t next = i + 1 < hits.size() ? hits[i + 1].first : int64_t(INT32_MAX) + 1;
        const int64_t end = std::min<int64_t>(int64_t(r) + p.decay, next - 1);
        if (end <= r) {
            keys.push_back({r, s, Constant});
            continue;
        }
        keys.push_back({r, s, Linear});
        const int64_t knee = int64_t(r) + std::max<int32_t>(1, p.decay / 4);
        if (knee < end) keys.push_back({int32_t(knee), s * 0.4f, Linear});
        keys.push_back({int32_t(end), 0.0f, Constant});
    }
    return keys;
}

int32_t generateShow(const char* showName, const std::string& showText,
                     const std::vector<MusicEvent>& events, std::string* out, std::string* error) {
    const Timeline t = timelineOfEvents(events);
    std::vector<HandTrack> hand;
    std::vector<Pulse> pulses;
    std::vector<Strength> strengths;
    auto taken = [&](const std::string& name) {
        for (const HandTrack& h : hand)
            if (h.name == name) return true;
        for (const Pulse& p : pulses)
            if (p.track == name) return true;
        return false;
    };
    if (showText.find('\0') != std::string::npos)
        return fail(error, showName, 1, "the file holds a NUL byte; it is not a show");

    TextLineReader reader{showText.data(), showText.size()};
    TextLine textLine;
    HandTrack* current = nullptr;
    while (readTextLine(reader, textLine)) {
        const int32_t line = textLine.number;
        if (textLine.controlByte) return fail(error, showName, line, controlByteProblem);
        const std::vector<std::string>& w = textLine.words;
        if (w.empty()) continue;
        if (w[0] == "track") {
            if (w.size() != 2 || w[1].find('/') != std::string::npos)
                return fail(error, showName, line, "expected 'track NAME'");
            if (taken(w[1]))
                return fail(error, showName, line, "track '" + w[1] + "' is made twice");
            hand.push_back({w[1], {}, 0, false});
            current = &hand.back();
        } else if (w[0] == "pulse") {
            current = nullptr;
            float decay;
            if (w.size() != 4 || w[1].find('/') != std::string::npos ||
                !parseFiniteFloat(w[3], &decay) || decay < 1 || decay > 100000 ||
                decay != std::floor(decay))
                return fail(error, showName, line,
                            "expected 'pulse TRACK EVENT DECAY', DECAY a whole number of rows "
                            "from 1 to 100000");
            if (taken(w[1]))
                return fail(error, showName, line, "track '" + w[1] + "' is made twice");
            pulses.push_back({w[1], w[2], int32_t(decay), line});
        } else if (w[0] == "strength") {
            current = nullptr;
            Strength s;
            if (w.size() < 4 || w.size() > 5 || !parseFiniteFloat(w[3], &s.from) ||
                (w.size() == 5 && !parseFiniteFloat(w[4], &s.to)))
                return fail(error, showName, line,
                            "expected 'strength TRACK SECTION VALUE [VALUE_AT_END]'");
            if (w.size() == 4) s.to = s.from;
            if (s.from < 0 || s.to < 0)
                return fail(error, showName, line, "a pulse strength cannot be negative");
            if (!findSection(t, w[2]))
                return fail(error, showName, line, "the music has no section '" + w[2] + "'");
            for (const Strength& o : strengths)
                if (o.track == w[1] && o.section == w[2])
                    return fail(error, showName, line,
                                "the strength of " + w[1] + " in " + w[2] + " is given twice");
            s.track = w[1];
            s.section = w[2];
            s.line = line;
            strengths.push_back(s);
        } else {
            if (!current)
                return fail(error, showName, line,
                            "a key outside a track (or unknown word '" + w[0] + "')");
            if (w.size() != 3) return fail(error, showName, line, "expected 'ROW VALUE KIND'");
            int32_t row;
            std::string why;
            if (parseKeyRow(t, w[0], &row, &why)) return fail(error, showName, line, why);
            float value;
            if (!parseFiniteFloat(w[1], &value))
                return fail(error, showName, line, "'" + w[1] + "' is not a finite value");
            if (interpolationCode(w[2]) < 0)
                return fail(error, showName, line,
                            "'" + w[2] + "' is not constant, linear, smooth or quadratic");
            if (current->hasKeys && row <= current->lastRow)
                return fail(error, showName, line,
                            w[0] + " is row " + std::to_string(row) +
                                ", not after the track's previous key at row " +
                                std::to_string(current->lastRow));
            // Written back in trackc's own spelling, so that whatever passed here passes there.
            const int32_t kind = interpolationCode(w[2]);
            current->keys.push_back(std::to_string(row) + " " + formatValue(value) + " " +
                                    interpolationName(kind));
            current->lastRow = row;
            current->hasKeys = true;
        }
    }
    for (const Strength& s : strengths) {
        bool found = false;
        for (const Pulse& p : pulses)
            found = found || p.track == s.track;
        if (!found) return fail(error, showName, s.line, "'" + s.track + "' is not a pulse track");
    }

    std::string text = "# Made by choreo from the show and the music's events. Edit the show, not "
                       "this file.\n";
    for (const HandTrack& h : hand) {
        text += "\ntrack " + h.name + "\n";
        for (const std::string& k : h.keys)
            text += k + "\n";
    }
    for (const Pulse& p : pulses) {
        const std::vector<TrackKey> keys = pulseKeys(p, strengths, t, events);
        text += "\n" + printTrackText(p.track.c_str(), keys.data(), int32_t(keys.size()), false);
    }
    *out = text;
    return 0;
}

int runChoreo(int argc, const char* const* argv, FILE* err) {
    if (argc != 4) {
        std::fprintf(err, "usage: choreo SHOW EVENTS OUT\n");
        return 2;
    }
    std::string show, eventsText, error, out;
    for (int i : {1, 2}) {
        if (readWholeFile(argv[i], i == 1 ? &show : &eventsText, &error)) {
            std::fprintf(err, "choreo: %s\n", error.c_str());
            return 1;
        }
    }
    std::vector<MusicEvent> events;
    if (parseMusicEvents(argv[2], eventsText, &events, &error) ||
        generateShow(argv[1], show, events, &out, &error)) {
        std::fprintf(err, "choreo: %s\n", error.c_str());
        return 1;
    }
    std::string reason;
    const FileWriteResult written = writeWholeFile(argv[3], out, reason);
    if (written != fileWritten) {
        std::fprintf(err, "choreo: %s: cannot be written\n", argv[3]);
        // A file cut short would pass for a show.
        if (written == fileNotWritten) std::remove(argv[3]);
        return 1;
    }
    return 0;
}
