// The score: instruments, patterns on the show's row grid (base/show.h: 8 rows a beat, 4 beats a
// bar) and sections that loop patterns for a number of bars. The text format is described in the
// README under "The music score"; its lines are read as formats/text_lines.h reads them. parseScore
// reads it and arrangeScore lays the notes out on the timeline.
#pragma once
#include "base/show.h"
#include "dsp.h"

#include <cstdint>
#include <string>
#include <vector>

enum class VoiceKind { Synth, Kick, Snare, Clap, Hat, Crash, Tom };

struct Instrument {
    std::string name;
    VoiceKind kind = VoiceKind::Synth;
    // Tone generator of the synth voice.
    Wave wave = Wave::Saw;
    Wave wave2 = Wave::Saw;
    float level2 = 0.0f, semitones2 = 0.0f;
    float width = 0.5f;
    float sub = 0.0f;
    int unison = 1;
    float spreadCents = 0.0f, stereo = 0.0f;
    float vibratoRate = 0.0f, vibratoDepth = 0.0f;
    Adsr amp;
    FilterMode filter = FilterMode::Low;
    float cutoff = 18000.0f, resonance = 0.0f;
    Adsr filterEnv{0.001f, 0.2f, 0.0f, 0.1f};
    float filterOctaves = 0.0f;
    float drive = 0.0f;
    // Drum voices: base pitch, decay time and a brightness control, each 0 for the default.
    float tune = 0.0f, decay = 0.0f, tone = 0.0f;
    // Mix.
    float gainDb = 0.0f, pan = 0.0f, delaySend = 0.0f, reverbSend = 0.0f, duck = 0.0f;
    // Name written to the event file at each hit; empty for none.
    std::string event;
};

// One note or hit of a pattern, relative to the pattern's start.
struct PatternNote {
    int instrument = 0;
    int row = 0, length = 0;
    float pitch = 0.0f; // MIDI note number; 0 for a plain drum hit
    float velocity = 1.0f;
};

struct Pattern {
    std::string name;
    int rows = 0;
    std::vector<PatternNote> notes;
};

// A straight line from one value to another over a section, applied to each note by its start.
struct Ramp {
    int instrument = 0;
    bool cutoff = false; // else gain in dB
    float from = 0.0f, to = 0.0f;
};

// A pattern in a section: looped from the section's start, or played once from bar `atBar`.
struct Play {
    int pattern = 0;
    int atBar = -1; // 0-based; -1 loops
};

struct Section {
    std::string name;
    int bars = 0;
    int startRow = 0;
    int transpose = 0; // semitones added to every synth note
    std::vector<Play> plays;
    std::vector<Ramp> ramps;
    bool fade = false; // the master fades to silence over this section
    int line = 0;
};

struct Score {
    double bpm = showTempoBpm;
    float masterDb = 0.0f;
    float ceilingDb = -1.0f;
    int delayRows = 6;
    float delayFeedback = 0.4f;
    float reverbSize = 0.7f, reverbDamping = 0.5f;
    float tailSeconds = 2.0f;
    std::vector<Instrument> instruments;
    std::vector<Pattern> patterns;
    std::vector<Section> sections;
    int totalRows = 0;
};

// A note placed on the piece's timeline, with the section's ramps already applied.
struct Note {
    int instrument = 0;
    int row = 0, length = 0;
    float pitch = 0.0f, velocity = 1.0f;
    float cutoff = 0.0f; // 0: the instrument's own
    float gainDb = 0.0f;
};

// Parses score text. On failure returns non-zero and sets `error` to "NAME:LINE: message".
int parseScore(const char* text, size_t size, const char* fileName, Score& score,
               std::string& error);

// Reads and parses a score file; errors as for parseScore (a read failure names line 0).
int loadScore(const char* path, Score& score, std::string& error);

// Every note of the piece in order of row, then of instrument definition.
std::vector<Note> arrangeScore(const Score& score);

// Seconds from the start of the music to `row`.
double rowSeconds(const Score& score, double row);
