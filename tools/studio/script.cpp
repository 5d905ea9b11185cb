#include "script.h"

#include <cmath>
#include <cstdlib>

// The words of one line; false (with *problem) for an unclosed quote or a bad escape.
static bool splitWords(const std::string& line, std::vector<std::string>* words,
                       std::string* problem) {
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') break;
        std::string word;
        if (c != '"') {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                word += line[i++];
            words->push_back(word);
            continue;
        }
        ++i;
        bool closed = false;
        while (i < line.size()) {
            const char q = line[i++];
            if (q == '"') {
                closed = true;
                break;
            }
            if (q != '\\') {
                word += q;
                continue;
            }
            const char e = i < line.size() ? line[i++] : '\0';
            if (e == 'n')
                word += '\n';
            else if (e == '"' || e == '\\')
                word += e;
            else {
                *problem = "unknown escape in a quoted argument (only \\\" \\\\ \\n)";
                return false;
            }
        }
        if (!closed) {
            *problem = "quoted argument without its closing quote";
            return false;
        }
        words->push_back(word);
    }
    return true;
}

static bool number(const std::string& text, double* value) {
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(*value);
}

struct CommandShape {
    const char* name;
    ScriptOp op;
    int32_t minArgs, maxArgs;
    int32_t numericArgs; // how many leading arguments must be numbers
};

static const CommandShape shapes[] = {
    {"seek", scriptSeek, 1, 1, 0},
    {"play", scriptPlay, 1, 1, 1},
    {"pause", scriptPause, 0, 0, 0},
    {"frames", scriptFrames, 1, 1, 1},
    {"wait", scriptWait, 1, 1, 1},
    {"stall", scriptStall, 1, 1, 1},
    {"still", scriptStill, 1, 1, 0},
    {"edit", scriptEdit, 3, 3, 0},
    {"wait-reload", scriptWaitReload, 0, 1, 1},
    {"expect-error", scriptExpectError, 1, 1, 0},
    {"expect-no-error", scriptExpectNoError, 0, 0, 0},
    {"expect-row", scriptExpectRow, 2, 2, 2},
    {"loop", scriptLoop, 1, 2, 0},
    {"scale", scriptScale, 1, 1, 1},
    {"overlay", scriptOverlay, 1, 1, 0},
    {"measure", scriptMeasure, 1, 1, 1},
    {"quit", scriptQuit, 0, 0, 0},
};

// Checks the arguments of a parsed command; the problem, or empty when it is fine.
static std::string checkCommand(ScriptCommand* c) {
    const std::vector<std::string>& a = c->args;
    switch (c->op) {
    case scriptPlay:
    case scriptFrames:
    case scriptMeasure:
        if (c->numbers[0] < 1 || c->numbers[0] != std::floor(c->numbers[0]))
            return "the frame count must be a whole number of at least 1";
        break;
    case scriptWaitReload:
        if (a.empty()) c->numbers[0] = 20.0;
        if (c->numbers[0] <= 0) return "the time limit must be positive";
        break;
    case scriptWait:
    case scriptStall:
        if (c->numbers[0] <= 0) return "the time must be positive";
        break;
    case scriptExpectRow:
        if (c->numbers[0] > c->numbers[1]) return "MIN is above MAX";
        break;
    case scriptLoop:
        if (a.size() == 1) {
            if (a[0] != "off") return "loop takes START END, or off";
            c->op = scriptLoopOff;
        }
        break;
    case scriptScale:
        if (c->numbers[0] != 1 && c->numbers[0] != 2 && c->numbers[0] != 4)
            return "the scale is 1, 2 or 4 (the window size divided by it)";
        break;
    case scriptOverlay:
        if (a[0] != "on" && a[0] != "off") return "overlay takes on or off";
        c->numbers[0] = a[0] == "on";
        break;
    case scriptEdit:
        if (a[1].empty()) return "the text to replace is empty";
        break;
    default:
        break;
    }
    return "";
}

int parseScript(const char* fileName, const std::string& text, std::vector<ScriptCommand>* commands,
                std::string* error) {
    commands->clear();
    int32_t lineNumber = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        const auto fail = [&](const std::string& what) {
            *error = std::string(fileName) + ":" + std::to_string(lineNumber) + ": " + what;
            return 1;
        };
        std::vector<std::string> words;
        std::string problem;
        if (!splitWords(line, &words, &problem)) return fail(problem);
        if (words.empty()) continue;
        const CommandShape* shape = nullptr;
        for (const CommandShape& s : shapes)
            if (words[0] == s.name) shape = &s;
        if (!shape) return fail("unknown command '" + words[0] + "'");
        ScriptCommand c{shape->op, lineNumber, {words.begin() + 1, words.end()}, {0.0, 0.0}};
        const int32_t n = int32_t(c.args.size());
        if (n < shape->minArgs || n > shape->maxArgs)
            return fail(words[0] + " takes " + std::to_string(shape->minArgs) +
                        (shape->maxArgs != shape->minArgs ? " to " + std::to_string(shape->maxArgs)
                                                          : std::string()) +
                        " argument(s), not " + std::to_string(n));
        for (int32_t i = 0; i < shape->numericArgs && i < n; ++i)
            if (!number(c.args[i], &c.numbers[i]))
                return fail("'" + c.args[i] + "' is not a number");
        const std::string bad = checkCommand(&c);
        if (!bad.empty()) return fail(bad);
        commands->push_back(c);
    }
    return 0;
}
