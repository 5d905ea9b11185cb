#include "formats/music_events.h"

#include "formats/text_lines.h"

#include <climits>

static int32_t fail(std::string* error, const char* file, int32_t line, const std::string& what) {
    *error = textProblem(file, line, "%s", what.c_str());
    return 1;
}

int32_t parseMusicEvents(const char* fileName, const std::string& text,
                         std::vector<MusicEvent>* events, std::string* error) {
    events->clear();
    if (text.find('\0') != std::string::npos)
        return fail(error, fileName, 1, "the file holds a NUL byte; it is not an events list");
    TextLineReader reader{text.data(), text.size()};
    TextLine textLine;
    while (readTextLine(reader, textLine)) {
        const int32_t line = textLine.number;
        if (textLine.controlByte) return fail(error, fileName, line, controlByteProblem);
        const std::vector<std::string>& w = textLine.words;
        if (w.empty()) continue;
        MusicEvent e;
        if (parseRow(w[0].c_str(), &e.row))
            return fail(error, fileName, line, "'" + w[0] + "' is not a row");
        if (w.size() < 2) return fail(error, fileName, line, "an event needs a name after its row");
        e.name = w[1];
        if (!isSectionName(e.name))
            return fail(error, fileName, line, "'" + e.name + "' is not an event name");
        if (e.name == "section") {
            if (w.size() != 3 || !isSectionName(w[2]))
                return fail(error, fileName, line, "expected 'ROW section NAME'");
            e.arg = w[2];
            for (const MusicEvent& o : *events)
                if (o.name == "section" && o.arg == e.arg)
                    return fail(error, fileName, line, "section '" + e.arg + "' appears twice");
        } else if (w.size() > 3) {
            return fail(error, fileName, line, "too many words for one event");
        } else if (w.size() == 3) {
            e.arg = w[2];
        }
        if (!events->empty() && e.row < events->back().row)
            return fail(error, fileName, line,
                        "row " + std::to_string(e.row) + " comes before the previous event's row " +
                            std::to_string(events->back().row));
        events->push_back(e);
    }
    return 0;
}

Timeline timelineOfEvents(const std::vector<MusicEvent>& events) {
    Timeline t;
    int32_t last = 0;
    for (const MusicEvent& e : events) {
        last = e.row;
        if (e.name == "section") t.sections.push_back({e.row, e.arg, e.row});
        if (e.name == "end" && !t.hasEnd) {
            t.hasEnd = true;
            t.endRow = e.row;
        }
    }
    const int32_t pieceEnd = t.hasEnd ? t.endRow : (last < INT32_MAX ? last + 1 : last);
    for (size_t i = 0; i < t.sections.size(); ++i)
        t.sections[i].end = i + 1 < t.sections.size() ? t.sections[i + 1].row : pieceEnd;
    return t;
}
