// The studio's running state, shared by its main loop, its overlay, its reloads and its script,
// and the cursor that moves over the music.
//
// studioTrackNames lists the uniform table's track names once each; setProblem puts a source's
// problem on screen or takes it off; studioRow reads the cursor, studioFrameRow gives the row a
// frame shows (the loop applied), studioSeek and studioSetPlaying move and run it.
#pragma once
#include "audio/music.h"
#include "choreo.h"
#include "render/content.h"
#include "transport.h"

#include <string>
#include <vector>

struct AppWindow;
struct FileWatcher;
struct ScoreRender;

// Where the studio reads what it watches.
struct StudioPaths {
    std::string show;      // the choreography text
    std::string score;     // the music score
    std::string events;    // the score's events file, as the build writes it
    std::string shaderDir; // the .glsl files
};

// One problem on screen: what it came from and its text (FILE:LINE: what ...).
struct StudioProblem {
    std::string source; // "show", "events", "score", "music" or a shader file name
    std::string text;
};

// GPU time of each pass from timer queries, read a few frames late so the GPU never waits.
inline constexpr int gpuQueryFrames = 3;

struct Studio {
    StudioPaths paths;
    AppWindow* window = nullptr;
    Content* content = nullptr;
    MusicStream music = 0;
    std::vector<MusicEvent> events; // the events the tracks were resolved against
    Timeline timeline;

    bool playing = false;
    double cursor = 0.0; // the row shown while paused, and the last row shown while playing
    LoopRange loop;
    int32_t scale = 1; // the picture is drawn at the window size divided by this
    bool overlay = true;
    bool quit = false;

    std::vector<StudioProblem> problems;
    int64_t reloadsDone = 0;            // saves handled so far, applied or refused
    ScoreRender* scoreRender = nullptr; // the score being rendered again, or null
    bool scoreSavedAgain = false;       // saved while it was rendering: render once more
    double lastReloadMs = 0.0;          // from the last save to the first frame after it

    // Timing, in milliseconds.
    double frameMs = 0.0;               // wall time between the last two presents
    double passMs[3] = {0.0, 0.0, 0.0}; // GPU time of scene, glow and final
    bool timerQueries = false;          // whether the driver has GL_TIME_ELAPSED queries
    GLuint passQueries[gpuQueryFrames][3] = {};
    int64_t frameNumber = 0;

    // By index into studioTrackNames() (never more names than track slots): drawn on the timeline.
    bool pickedTracks[uniformTrackSlotCount] = {};
    char typedPosition[64] = {};
    double timelineSpan = 512.0; // rows the timeline shows around the cursor (16 bars)
    std::string lastStill;       // path of the last still written, for the overlay
};

// Seconds from a monotonic clock, for the studio's own timings (reloads, seeks, waits).
double studioClock();

// The distinct track names of the uniform table, in table order (24 of them).
const std::vector<const char*>& studioTrackNames();

// The cursor's row now: the music's position while playing, else the held cursor.
double studioRow(const Studio& studio);

// The row a frame drawn now shows: the cursor's row, except that while playing with the loop on a
// clock that reached the loop's end, however far past it, is moved back to the loop's start first.
double studioFrameRow(Studio& studio);

// Moves the cursor to row (clamped at 0); while playing the music goes on from there.
void studioSeek(Studio& studio, double row);

// Starts or stops playing at the cursor; pausing holds the row a frame would show now.
void studioSetPlaying(Studio& studio, bool playing);

// Sets or clears the problem of one source.
void setProblem(Studio& studio, const char* source, const std::string& text);
