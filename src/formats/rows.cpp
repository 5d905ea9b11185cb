#include "formats/rows.h"

#include "base/show.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

// Digits only over [begin, end), no sign, at most maxDigits of them.
static bool wholeNumber(const char* begin, const char* end, int32_t maxDigits, int64_t* number) {
    if (begin >= end || end - begin > maxDigits) return false;
    int64_t n = 0;
    for (const char* c = begin; c < end; ++c) {
        if (*c < '0' || *c > '9') return false;
        n = n * 10 + (*c - '0');
    }
    *number = n;
    return true;
}

// BAR:BEAT:ROW over [begin, end), which holds a ':', each number at most maxDigits long.
static bool barBeatRow(const char* begin, const char* end, int32_t maxDigits, int64_t* row) {
    const char* first = std::find(begin, end, ':');
    const char* second = first == end ? end : std::find(first + 1, end, ':');
    if (second == end) return false;
    int64_t bar, beat, inBeat;
    if (!wholeNumber(begin, first, maxDigits, &bar) ||
        !wholeNumber(first + 1, second, maxDigits, &beat) ||
        !wholeNumber(second + 1, end, maxDigits, &inBeat))
        return false;
    if (beat >= showBeatsPerBar || inBeat >= showRowsPerBeat) return false;
    *row = bar * showRowsPerBar + beat * showRowsPerBeat + inBeat;
    return true;
}

int32_t parseRow(const char* text, int32_t* row) {
    const char* end = text + std::strlen(text);
    int64_t n;
    if (!std::strchr(text, ':')) {
        const bool negative = *text == '-';
        const char* digits = (*text == '-' || *text == '+') ? text + 1 : text;
        if (!wholeNumber(digits, end, 12, &n)) return 1;
        n = negative ? -n : n;
    } else if (!barBeatRow(text, end, 12, &n)) {
        return 1;
    }
    if (n < INT32_MIN || n > INT32_MAX) return 1;
    *row = int32_t(n);
    return 0;
}

bool parseFractionalRow(const std::string& text, double* row) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (std::find(begin, end, ':') == end) {
        if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
            return false;
        char* stop = nullptr;
        const double v = std::strtod(text.c_str(), &stop);
        if (*stop != '\0' || !std::isfinite(v)) return false;
        *row = v;
        return true;
    }
    int64_t whole;
    if (!barBeatRow(begin, end, 9, &whole)) return false;
    *row = double(whole);
    return true;
}

std::string formatPosition(double row) {
    const long long r = static_cast<long long>(std::floor(row));
    const long long a = r < 0 ? -r : r;
    const long long bar = a / showRowsPerBar;
    const long long beat = a % showRowsPerBar / static_cast<long long>(showRowsPerBeat);
    const long long inBeat = a % static_cast<long long>(showRowsPerBeat);
    return (r < 0 ? "-" : "") + std::to_string(bar) + ":" + std::to_string(beat) + ":" +
           std::to_string(inBeat);
}

static bool isNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
static bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool isSectionName(const std::string& text) {
    if (text.empty() || !isNameStart(text[0])) return false;
    for (char c : text)
        if (!isNameChar(c)) return false;
    return true;
}

const ShowSection* findSection(const Timeline& timeline, const std::string& name) {
    for (const ShowSection& s : timeline.sections)
        if (s.name == name) return &s;
    return nullptr;
}

const ShowSection* sectionAt(const Timeline& timeline, double row) {
    const ShowSection* found = nullptr;
    for (const ShowSection& s : timeline.sections)
        if (s.row <= row) found = &s;
    return found;
}

// The row a name stands for: a section's start or, for "end", the end of the music (before a
// section of that name when endFirst); false when the timeline has neither.
static bool namedRow(const Timeline& timeline, const std::string& name, bool endFirst,
                     int64_t* row) {
    const bool isEnd = name == "end" && timeline.hasEnd;
    if (isEnd && endFirst) {
        *row = timeline.endRow;
        return true;
    }
    if (const ShowSection* s = findSection(timeline, name)) {
        *row = s->row;
        return true;
    }
    if (isEnd) *row = timeline.endRow;
    return isEnd;
}

int32_t parseKeyRow(const Timeline& timeline, const std::string& token, int32_t* row,
                    std::string* why) {
    if (token.empty() || !isNameStart(token[0])) {
        if (parseRow(token.c_str(), row)) {
            *why = "'" + token + "' is not a row";
            return 1;
        }
        return 0;
    }
    size_t n = 0;
    while (n < token.size() && isNameChar(token[n]))
        ++n;
    const std::string name = token.substr(0, n);
    int64_t base;
    if (!namedRow(timeline, name, true, &base)) {
        *why = "the music has no section '" + name + "'";
        return 1;
    }
    int64_t offset = 0;
    if (n < token.size()) {
        const char sign = token[n];
        const std::string rest = token.substr(n + 1);
        int32_t value;
        if ((sign != '+' && sign != '-') || rest.empty() || rest[0] == '+' || rest[0] == '-' ||
            parseRow(rest.c_str(), &value)) {
            *why = "'" + token + "' is not SECTION, SECTION+OFFSET or SECTION-OFFSET";
            return 1;
        }
        offset = sign == '-' ? -int64_t(value) : int64_t(value);
    }
    const int64_t r = base + offset;
    if (r < INT32_MIN || r > INT32_MAX) {
        *why = "'" + token + "' lies outside the 32-bit row range";
        return 1;
    }
    *row = int32_t(r);
    return 0;
}

int parsePosition(const std::string& text, const Timeline& timeline, double* row,
                  std::string* error) {
    if (parseFractionalRow(text, row)) return 0;
    const size_t sign = text.find_first_of("+-");
    int64_t base;
    if (!namedRow(timeline, text.substr(0, sign), false, &base) || base < 0) {
        *error = "'" + text + "' is neither a row, BAR:BEAT:ROW nor a section of the score";
        return 1;
    }
    double offset = 0.0;
    if (sign != std::string::npos && !parseFractionalRow(text.substr(sign + 1), &offset)) {
        *error = "the offset in '" + text + "' is neither rows nor BAR:BEAT:ROW";
        return 1;
    }
    const double from = double(base);
    *row = sign != std::string::npos && text[sign] == '-' ? from - offset : from + offset;
    if (*row < 0.0) *row = 0.0;
    return 0;
}
