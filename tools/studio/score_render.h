// The score rendered again on a thread of its own, so that the studio plays on while the new
// music is made from a saved score.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ScoreRender;

// Starts reading, parsing and rendering the score file on a new thread; null when no thread can
// be had.
ScoreRender* startScoreRender(const char* scorePath);

// True once the render has finished, successfully or not; never blocks.
bool scoreRenderFinished(const ScoreRender* render);

// Lets a render that is still running finish on its own while the program ends (its memory is
// left to the process's end).
void abandonScoreRender(ScoreRender* render);

// Waits for the render, takes its results and frees it. 0 with the music (interleaved 16-bit
// stereo at 44100 Hz, as the build's WAV holds it) and the event file's text; else 1 with *error
// as "FILE:LINE: what".
int finishScoreRender(ScoreRender* render, std::vector<int16_t>* music, std::string* events,
                      std::string* error);
