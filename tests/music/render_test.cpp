#include "render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

// Every kind of voice once, with sends, sidechain, a ramp and a fade.
const char* const shortScore = R"(
bus master 0 -1
bus delay 6 0.5
tail 0.5
instrument kick kick
  event kick
instrument snare snare
  send reverb 0.5
instrument clap clap
instrument hat hat
instrument crash crash
instrument tom tom
instrument bass synth
  osc saw
  osc2 square 0.5 -12
  sub 0.5
  filter lowpass 300 0.5
  fenv 0 0.1 0 0.1 3
  drive 2
  duck 0.8
instrument pad synth
  osc saw
  unison 5 12 0.8
  vibrato 5 0.2
  amp 0.2 0.5 0.7 0.4
  send delay 0.4
instrument air synth
  osc noise
  filter bandpass 2000 0.5
pattern p 1
  kick  x . . . x . . . x . . . x . . .
  snare . . . . x . . . . . . . x . . .
  clap  . . . . x . . . . . . . x:5 . . .
  hat   . . x . . . x . . . x . . . x .
  crash x . . . . . . . . . . . . . . .
  tom   . . . . . . . . . . . . g3 e3 c3 a2
  bass  . a1 a2 a1 . a1 a2 a1 . a1 a2 a1 . a1 a2 a1
  pad   a3+c4+e4 - - - - - - - - - - - - - . .
  air   . . . . . . . . c6 - - - . . . .
section one 1
  play p
section two 1
  play p
  ramp bass cutoff 200 2000
  fade
)";

Score parsed() {
    Score score;
    std::string error;
    EXPECT_EQ(parseScore(shortScore, std::strlen(shortScore), "short", score, error), 0) << error;
    return score;
}

uint64_t hashSamples(const std::vector<float>& audio) {
    uint64_t h = 1469598103934665603ull;
    for (float v : audio) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        for (int i = 0; i < 4; ++i)
            h = (h ^ ((bits >> (8 * i)) & 0xff)) * 1099511628211ull;
    }
    return h;
}

} // namespace

TEST(Render, SameScoreGivesTheSameSamples) {
    const Score score = parsed();
    const std::vector<float> a = renderScore(score);
    const std::vector<float> b = renderScore(score);
    ASSERT_EQ(a.size(), 2 * (rowSample(score, 64) + sampleRate / 2));
    EXPECT_EQ(hashSamples(a), hashSamples(b));
    // Pinned: a change here means the synthesizer sounds different, so the demo's music does.
    EXPECT_EQ(hashSamples(a), 9062258683454981790ull)
        << "update the pinned hash if the change was meant";
}

TEST(Render, MasterOutputIsLimitedCenteredAndFadedOut) {
    const Score score = parsed();
    RenderStats stats;
    const std::vector<float> audio = renderScore(score, &stats);
    const float ceiling = std::pow(10.0f, -1.0f / 20.0f);
    float peak = 0.0f;
    for (float v : audio)
        peak = std::max(peak, std::fabs(v));
    EXPECT_LE(peak, ceiling * 1.001f);
    EXPECT_GT(peak, 0.3f);
    EXPECT_LT(std::fabs(stats.mean[0]), 1e-3);
    EXPECT_LT(std::fabs(stats.mean[1]), 1e-3);
    // After the fading section everything is silent, though the delay and reverb ring on.
    const size_t end = rowSample(score, 64);
    for (size_t i = 2 * end; i < audio.size(); ++i)
        ASSERT_LT(std::fabs(audio[i]), 1e-4f) << i;
}

TEST(Render, NotesStartAndEndWithoutClicks) {
    // A lone note of a bright, unfiltered square: the output must rise from and fall back to
    // silence without a jump larger than the waveform's own steps allow at that level.
    const char* text = "bus master 0 0\ntail 1\ninstrument s synth\n  osc square\n"
                       "  amp 0 0 1 0\npattern p 1 step 8\n  s a4 - . .\nsection x 1\n  play p\n";
    Score score;
    std::string error;
    ASSERT_EQ(parseScore(text, std::strlen(text), "t", score, error), 0) << error;
    const std::vector<float> audio = renderScore(score);
    const size_t start = 0, stop = rowSample(score, 16);
    EXPECT_LT(std::fabs(audio[2 * start]), 0.01f);
    float edge = 0.0f;
    for (size_t i = 0; i < 20; ++i)
        edge = std::max(edge, std::fabs(audio[2 * (start + i)]));
    EXPECT_LT(edge, 0.5f) << "attack too sharp";
    // 3 ms after the release starts the note is gone.
    for (size_t i = stop + 133; i < stop + 2000; ++i)
        EXPECT_LT(std::fabs(audio[2 * i]), 1e-3f) << i;
}
