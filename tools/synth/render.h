// Turns a parsed score into audio and into the list of events the pictures follow.
#pragma once
#include "score.h"

#include <string>
#include <vector>

struct RenderStats {
    float peakBeforeLimiter = 0.0f; // largest sample magnitude of the mix, linear
    double mean[2] = {0.0, 0.0};    // average of each channel of the result
};

// The whole piece, sections plus the score's tail, as interleaved stereo at sampleRate, through
// the master stage (gain, fades, DC removal, limiter). Bit-identical for identical scores.
std::vector<float> renderScore(const Score& score, RenderStats* stats = nullptr);

// First sample of `row`, rounded to the nearest sample.
size_t rowSample(const Score& score, int row);

// The event file's text: one "ROW NAME" line per section start ("ROW section NAME"), per hit of
// an instrument with an event name, and "ROW end" where the last section ends; in row order.
std::string eventText(const Score& score);

// Writes 16-bit stereo PCM WAV. 0 on success; on failure `error` names the file and the cause.
int writeWav(const char* path, const std::vector<float>& stereo, std::string& error);

// Writes `text` to `path`. 0 on success; on failure `error` names the file and the cause.
int writeText(const char* path, const std::string& text, std::string& error);
