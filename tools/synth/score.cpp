#include "score.h"

#include "formats/text_lines.h"
#include "formats/whole_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Bounds that keep a score's rendering finite in time and memory.
constexpr size_t maxNameLength = 48;
constexpr size_t maxInstruments = 64, maxPatterns = 1024, maxSections = 512, maxChord = 8;
constexpr int maxPatternBars = 64, maxSectionBars = 1024;
constexpr double maxSeconds = 900.0;
constexpr size_t maxScoreBytes = 16u << 20;

const char* const keywords[] = {"tempo", "bus", "tail", "instrument", "pattern", "section"};

bool isKeyword(const std::string& word) {
    for (const char* k : keywords)
        if (word == k) return true;
    return false;
}

struct Lane {
    int instrument = 0;
    int steps = 0;
    int line = 0;
    std::vector<size_t> open; // notes that a '-' extends
};

struct Parser {
    const char* fileName;
    Score& score;
    std::string& error;
    int line = 0;
    enum class Block { None, Instrument, Pattern, Section } block = Block::None;
    int patternStep = 2;
    std::vector<Lane> lanes;

    Parser(const char* file, Score& s, std::string& e) : fileName(file), score(s), error(e) {}

    bool fail(const std::string& message) {
        error = textProblem(fileName, line, "%s", message.c_str());
        return false;
    }

    bool number(const std::string& word, double lo, double hi, double& out) {
        if (word.empty() || word.size() > 32) return fail("'" + word + "' is not a number");
        char* end = nullptr;
        const double v = std::strtod(word.c_str(), &end);
        if (*end != '\0' || !std::isfinite(v)) return fail("'" + word + "' is not a number");
        if (v < lo || v > hi) {
            char range[96];
            std::snprintf(range, sizeof range, "%s is out of range %g..%g", word.c_str(), lo, hi);
            return fail(range);
        }
        out = v;
        return true;
    }
    bool number(const std::string& word, double lo, double hi, float& out) {
        double v = 0.0;
        if (!number(word, lo, hi, v)) return false;
        out = float(v);
        return true;
    }
    bool integer(const std::string& word, int lo, int hi, int& out) {
        double v = 0.0;
        if (!number(word, lo, hi, v)) return false;
        if (v != std::floor(v)) return fail("'" + word + "' is not a whole number");
        out = int(v);
        return true;
    }

    bool name(const std::string& word, const char* what) {
        if (word.empty() || word.size() > maxNameLength)
            return fail(std::string(what) + " name must have 1 to 48 characters");
        for (char c : word)
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
                return fail(std::string(what) + " name '" + word + "' has a character other than " +
                            "letters, digits, '_', '-' and '.'");
        if (isKeyword(word)) return fail("'" + word + "' is a keyword, not a " + what + " name");
        return true;
    }

    bool args(const std::vector<std::string>& w, size_t count, const char* usage) {
        if (w.size() != count + 1) return fail("usage: " + std::string(usage));
        return true;
    }

    int findInstrument(const std::string& n) const {
        for (size_t i = 0; i < score.instruments.size(); ++i)
            if (score.instruments[i].name == n) return int(i);
        return -1;
    }
    int findPattern(const std::string& n) const {
        for (size_t i = 0; i < score.patterns.size(); ++i)
            if (score.patterns[i].name == n) return int(i);
        return -1;
    }

    bool wave(const std::string& word, Wave& out) {
        if (word == "sine")
            out = Wave::Sine;
        else if (word == "saw")
            out = Wave::Saw;
        else if (word == "square")
            out = Wave::Square;
        else if (word == "noise")
            out = Wave::Noise;
        else
            return fail("unknown wave '" + word + "' (sine, saw, square, noise)");
        return true;
    }

    bool adsr(const std::vector<std::string>& w, Adsr& env) {
        return number(w[1], 0, 30, env.attack) && number(w[2], 0, 30, env.decay) &&
               number(w[3], 0, 1, env.sustain) && number(w[4], 0, 30, env.release);
    }

    bool instrumentLine(const std::vector<std::string>& w) {
        Instrument& in = score.instruments.back();
        const std::string& k = w[0];
        if (k == "osc") return args(w, 1, "osc WAVE") && wave(w[1], in.wave);
        if (k == "osc2")
            return args(w, 3, "osc2 WAVE LEVEL SEMITONES") && wave(w[1], in.wave2) &&
                   number(w[2], 0, 2, in.level2) && number(w[3], -48, 48, in.semitones2);
        if (k == "width")
            return args(w, 1, "width 0.05..0.95") && number(w[1], 0.05, 0.95, in.width);
        if (k == "sub") return args(w, 1, "sub LEVEL") && number(w[1], 0, 2, in.sub);
        if (k == "unison")
            return args(w, 3, "unison VOICES CENTS STEREO") && integer(w[1], 1, 16, in.unison) &&
                   number(w[2], 0, 100, in.spreadCents) && number(w[3], 0, 1, in.stereo);
        if (k == "vibrato")
            return args(w, 2, "vibrato RATE SEMITONES") && number(w[1], 0, 20, in.vibratoRate) &&
                   number(w[2], 0, 2, in.vibratoDepth);
        if (k == "amp") return args(w, 4, "amp ATTACK DECAY SUSTAIN RELEASE") && adsr(w, in.amp);
        if (k == "filter") {
            if (!args(w, 3, "filter lowpass|bandpass|highpass CUTOFF RESONANCE")) return false;
            if (w[1] == "lowpass")
                in.filter = FilterMode::Low;
            else if (w[1] == "bandpass")
                in.filter = FilterMode::Band;
            else if (w[1] == "highpass")
                in.filter = FilterMode::High;
            else
                return fail("unknown filter '" + w[1] + "' (lowpass, bandpass, highpass)");
            return number(w[2], 20, 20000, in.cutoff) && number(w[3], 0, 1, in.resonance);
        }
        if (k == "fenv")
            return args(w, 5, "fenv ATTACK DECAY SUSTAIN RELEASE OCTAVES") &&
                   adsr(w, in.filterEnv) && number(w[5], -10, 10, in.filterOctaves);
        if (k == "drive") return args(w, 1, "drive AMOUNT") && number(w[1], 0, 10, in.drive);
        if (k == "tune") return args(w, 1, "tune HZ") && number(w[1], 0, 12000, in.tune);
        if (k == "decay") return args(w, 1, "decay SECONDS") && number(w[1], 0, 10, in.decay);
        if (k == "tone") return args(w, 1, "tone 0..1") && number(w[1], 0, 1, in.tone);
        if (k == "gain") return args(w, 1, "gain DB") && number(w[1], -60, 24, in.gainDb);
        if (k == "pan") return args(w, 1, "pan -1..1") && number(w[1], -1, 1, in.pan);
        if (k == "duck") return args(w, 1, "duck 0..1") && number(w[1], 0, 1, in.duck);
        if (k == "send") {
            if (!args(w, 2, "send delay|reverb LEVEL")) return false;
            if (w[1] == "delay") return number(w[2], 0, 1, in.delaySend);
            if (w[1] == "reverb") return number(w[2], 0, 1, in.reverbSend);
            return fail("unknown send '" + w[1] + "' (delay, reverb)");
        }
        if (k == "event") {
            if (!args(w, 1, "event NAME") || !name(w[1], "event")) return false;
            in.event = w[1];
            return true;
        }
        return fail("unknown instrument setting '" + k + "'");
    }

    // A note name such as c4, f#2 or eb3, as a MIDI note number (c4 = 60).
    bool pitch(const std::string& word, float& out) {
        static const int semitone[] = {9, 11, 0, 2, 4, 5, 7}; // a b c d e f g
        if (word.size() < 2 || word[0] < 'a' || word[0] > 'g')
            return fail("'" + word + "' is not a note (like c4, f#2, eb3), x, o, '.' or '-'");
        int s = semitone[word[0] - 'a'];
        size_t i = 1;
        if (word[i] == '#')
            ++s, ++i;
        else if (word[i] == 'b' && word.size() > 2)
            --s, ++i;
        if (i + 1 != word.size() || word[i] < '0' || word[i] > '9')
            return fail("'" + word + "' is not a note (like c4, f#2, eb3), x, o, '.' or '-'");
        out = float(12 * (word[i] - '0' + 1) + s);
        return true;
    }

    bool laneLine(const std::vector<std::string>& w) {
        const int instrument = findInstrument(w[0]);
        if (instrument < 0) return fail("unknown instrument '" + w[0] + "'");
        Pattern& p = score.patterns.back();
        const bool drum = score.instruments[size_t(instrument)].kind != VoiceKind::Synth;
        auto lane = std::find_if(lanes.begin(), lanes.end(),
                                 [&](const Lane& l) { return l.instrument == instrument; });
        if (lane == lanes.end()) {
            lanes.push_back({instrument, 0, line, {}});
            lane = lanes.end() - 1;
        }
        lane->line = line;
        const int steps = p.rows / patternStep;
        for (size_t t = 1; t < w.size(); ++t) {
            const std::string& token = w[t];
            if (token == "|") continue;
            if (lane->steps >= steps)
                return fail("lane '" + w[0] + "' has more than " + std::to_string(steps) +
                            " steps");
            const int row = lane->steps * patternStep;
            ++lane->steps;
            if (token == ".") {
                lane->open.clear();
                continue;
            }
            if (token == "-") {
                if (lane->open.empty()) return fail("'-' holds no note");
                for (size_t n : lane->open)
                    p.notes[n].length += patternStep;
                continue;
            }
            std::string body = token;
            float velocity = 1.0f;
            const size_t colon = token.find(':');
            if (colon != std::string::npos) {
                if (colon + 2 != token.size() || token[colon + 1] < '1' || token[colon + 1] > '9')
                    return fail("velocity in '" + token + "' must be :1 to :9");
                velocity = float(token[colon + 1] - '0') / 9.0f;
                body = token.substr(0, colon);
            }
            lane->open.clear();
            size_t start = 0;
            for (;;) {
                const size_t plus = body.find('+', start);
                const std::string part =
                    body.substr(start, plus == std::string::npos ? plus : plus - start);
                PatternNote note{instrument, row, patternStep, 0.0f, velocity};
                if (part == "x" || part == "o") {
                    if (!drum)
                        return fail("'" + part + "' is a drum hit; '" + w[0] + "' needs notes");
                    if (part == "o") note.velocity *= 0.5f;
                } else if (!pitch(part, note.pitch)) {
                    return false;
                }
                if (lane->open.size() == maxChord) return fail("more than 8 notes in a chord");
                lane->open.push_back(p.notes.size());
                p.notes.push_back(note);
                if (plus == std::string::npos) break;
                start = plus + 1;
            }
        }
        return true;
    }

    bool sectionLine(const std::vector<std::string>& w) {
        Section& s = score.sections.back();
        if (w[0] == "play") {
            if (w.size() < 2) return fail("usage: play PATTERN[@BAR]...");
            for (size_t i = 1; i < w.size(); ++i) {
                const size_t at = w[i].find('@');
                Play play;
                play.pattern = findPattern(w[i].substr(0, at));
                if (play.pattern < 0) return fail("unknown pattern '" + w[i].substr(0, at) + "'");
                if (at != std::string::npos) {
                    if (!integer(w[i].substr(at + 1), 1, s.bars, play.atBar)) return false;
                    --play.atBar;
                }
                if (s.plays.size() == 64) return fail("more than 64 patterns in one section");
                s.plays.push_back(play);
            }
            return true;
        }
        if (w[0] == "transpose") {
            return args(w, 1, "transpose SEMITONES") && integer(w[1], -24, 24, s.transpose);
        }
        if (w[0] == "fade") {
            if (!args(w, 0, "fade")) return false;
            s.fade = true;
            return true;
        }
        if (w[0] == "ramp") {
            if (!args(w, 4, "ramp INSTRUMENT cutoff|gain FROM TO")) return false;
            Ramp r;
            r.instrument = findInstrument(w[1]);
            if (r.instrument < 0) return fail("unknown instrument '" + w[1] + "'");
            if (w[2] == "cutoff") {
                r.cutoff = true;
                if (!number(w[3], 20, 20000, r.from) || !number(w[4], 20, 20000, r.to))
                    return false;
            } else if (w[2] == "gain") {
                if (!number(w[3], -60, 24, r.from) || !number(w[4], -60, 24, r.to)) return false;
            } else {
                return fail("a ramp changes cutoff or gain, not '" + w[2] + "'");
            }
            if (s.ramps.size() == 64) return fail("more than 64 ramps in one section");
            s.ramps.push_back(r);
            return true;
        }
        return fail("unknown section setting '" + w[0] + "' (play, ramp, transpose, fade)");
    }

    // Checks the pattern being closed: every lane must fill the pattern exactly.
    bool closeBlock() {
        if (block == Block::Pattern) {
            const int steps = score.patterns.back().rows / patternStep;
            for (const Lane& l : lanes) {
                if (l.steps != steps) {
                    line = l.line;
                    return fail("lane '" + score.instruments[size_t(l.instrument)].name + "' has " +
                                std::to_string(l.steps) + " steps, the pattern needs " +
                                std::to_string(steps));
                }
            }
            lanes.clear();
        }
        block = Block::None;
        return true;
    }

    bool topLine(const std::vector<std::string>& w) {
        const std::string& k = w[0];
        if (k == "tempo") return args(w, 1, "tempo BPM") && number(w[1], 40, 300, score.bpm);
        if (k == "tail")
            return args(w, 1, "tail SECONDS") && number(w[1], 0, 30, score.tailSeconds);
        if (k == "bus") {
            if (w.size() < 2) return fail("usage: bus master|delay|reverb ...");
            if (w[1] == "master")
                return args(w, 3, "bus master GAIN_DB CEILING_DB") &&
                       number(w[2], -60, 24, score.masterDb) &&
                       number(w[3], -20, 0, score.ceilingDb);
            if (w[1] == "delay")
                return args(w, 3, "bus delay ROWS FEEDBACK") &&
                       integer(w[2], 1, 256, score.delayRows) &&
                       number(w[3], 0, 0.95, score.delayFeedback);
            if (w[1] == "reverb")
                return args(w, 3, "bus reverb SIZE DAMPING") &&
                       number(w[2], 0, 1, score.reverbSize) &&
                       number(w[3], 0, 1, score.reverbDamping);
            return fail("unknown bus '" + w[1] + "' (master, delay, reverb)");
        }
        if (k == "instrument") {
            if (!args(w, 2, "instrument NAME synth|kick|snare|clap|hat|crash|tom")) return false;
            if (!name(w[1], "instrument")) return false;
            if (findInstrument(w[1]) >= 0)
                return fail("instrument '" + w[1] + "' is defined twice");
            if (score.instruments.size() == maxInstruments) return fail("more than 64 instruments");
            static const char* const kinds[] = {"synth", "kick",  "snare", "clap",
                                                "hat",   "crash", "tom"};
            Instrument in;
            in.name = w[1];
            size_t kind = 0;
            while (kind < 7 && w[2] != kinds[kind])
                ++kind;
            if (kind == 7) return fail("unknown instrument kind '" + w[2] + "'");
            in.kind = VoiceKind(kind);
            score.instruments.push_back(in);
            block = Block::Instrument;
            return true;
        }
        if (k == "pattern") {
            if (w.size() != 3 && !(w.size() == 5 && w[3] == "step"))
                return fail("usage: pattern NAME BARS [step ROWS]");
            if (!name(w[1], "pattern")) return false;
            if (findPattern(w[1]) >= 0) return fail("pattern '" + w[1] + "' is defined twice");
            if (score.patterns.size() == maxPatterns) return fail("more than 1024 patterns");
            int bars = 0;
            patternStep = 2;
            if (!integer(w[2], 1, maxPatternBars, bars)) return false;
            if (w.size() == 5 && !integer(w[4], 1, showRowsPerBar, patternStep)) return false;
            if (showRowsPerBar % patternStep != 0) return fail("step must divide a bar's 32 rows");
            score.patterns.push_back({w[1], bars * showRowsPerBar, {}});
            block = Block::Pattern;
            return true;
        }
        if (k == "section") {
            if (!args(w, 2, "section NAME BARS")) return false;
            if (!name(w[1], "section")) return false;
            if (score.sections.size() == maxSections) return fail("more than 512 sections");
            Section s;
            s.name = w[1];
            s.line = line;
            if (!integer(w[2], 1, maxSectionBars, s.bars)) return false;
            s.startRow = score.totalRows;
            score.totalRows += s.bars * showRowsPerBar;
            score.sections.push_back(s);
            block = Block::Section;
            return true;
        }
        return fail("unknown keyword '" + k + "'");
    }

    bool parseLine(const std::vector<std::string>& w) {
        if (isKeyword(w[0])) return closeBlock() && topLine(w);
        switch (block) {
        case Block::Instrument:
            return instrumentLine(w);
        case Block::Pattern:
            return laneLine(w);
        case Block::Section:
            return sectionLine(w);
        case Block::None:
            break;
        }
        return fail("unknown keyword '" + w[0] + "'");
    }

    bool run(const char* text, size_t size) {
        TextLineReader reader{text, size};
        TextLine textLine;
        while (readTextLine(reader, textLine)) {
            line = textLine.number;
            if (textLine.controlByte) return fail(controlByteProblem);
            if (!textLine.words.empty() && !parseLine(textLine.words)) return false;
        }
        if (!closeBlock()) return false;
        if (score.sections.empty()) return fail("the score has no sections");
        if (rowSeconds(score, score.totalRows) > maxSeconds) {
            line = score.sections.back().line;
            return fail("the piece is longer than 15 minutes");
        }
        return true;
    }
};

} // namespace

int parseScore(const char* text, size_t size, const char* fileName, Score& score,
               std::string& error) {
    score = Score{};
    Parser parser(fileName, score, error);
    return parser.run(text, size) ? 0 : 1;
}

int loadScore(const char* path, Score& score, std::string& error) {
    std::string text, problem;
    if (readTextFile(path, text, problem, maxScoreBytes) != 0) {
        error = textProblem(path, 0, "%s", problem.c_str());
        return 1;
    }
    return parseScore(text.data(), text.size(), path, score, error);
}

std::vector<Note> arrangeScore(const Score& score) {
    std::vector<Note> notes;
    for (const Section& s : score.sections) {
        const int sectionRows = s.bars * showRowsPerBar;
        for (const Play& play : s.plays) {
            const Pattern& pattern = score.patterns[size_t(play.pattern)];
            const int first = play.atBar < 0 ? 0 : play.atBar * showRowsPerBar;
            const int last = play.atBar < 0 ? sectionRows : first + 1;
            for (int base = first; base < last; base += pattern.rows) {
                for (const PatternNote& pn : pattern.notes) {
                    if (base + pn.row >= sectionRows) continue;
                    Note n{pn.instrument, s.startRow + base + pn.row, pn.length, pn.pitch,
                           pn.velocity};
                    if (score.instruments[size_t(pn.instrument)].kind == VoiceKind::Synth)
                        n.pitch += float(s.transpose);
                    const float f = float(base + pn.row) / float(sectionRows);
                    for (const Ramp& r : s.ramps) {
                        if (r.instrument != pn.instrument) continue;
                        // Cutoff moves evenly in pitch, gain evenly in dB.
                        if (r.cutoff)
                            n.cutoff = r.from * std::pow(r.to / r.from, f);
                        else
                            n.gainDb = r.from + (r.to - r.from) * f;
                    }
                    notes.push_back(n);
                }
            }
        }
    }
    std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) {
        return a.row != b.row ? a.row < b.row : a.instrument < b.instrument;
    });
    return notes;
}

double rowSeconds(const Score& score, double row) {
    return row * 60.0 / (score.bpm * showRowsPerBeat);
}
