#include "dsp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Frequency from the number of upward zero crossings over one second.
double measuredFrequency(Wave wave, double hz, float width = 0.5f) {
    Oscillator osc;
    float previous = oscillatorStep(osc, wave, hz, width);
    int crossings = 0;
    double first = -1.0, last = -1.0;
    for (int i = 1; i < sampleRate; ++i) {
        const float v = oscillatorStep(osc, wave, hz, width);
        if (previous < 0.0f && v >= 0.0f) {
            // Place the crossing between the two samples.
            const double at = i - 1 + previous / (previous - v);
            if (first < 0.0) first = at;
            last = at;
            ++crossings;
        }
        previous = v;
    }
    return crossings > 1 ? (crossings - 1) * double(sampleRate) / (last - first) : 0.0;
}

// Gain of the filter for a sine at `hz`, from the RMS after the filter has settled.
double filterGainDb(FilterMode mode, float cutoff, float resonance, double hz) {
    Svf f;
    svfTune(f, cutoff, resonance);
    double in = 0.0, out = 0.0;
    for (int i = 0; i < sampleRate / 2; ++i) {
        const float x = float(std::sin(2.0 * M_PI * hz * i / sampleRate));
        const float y = svfStep(f, mode, x);
        if (i >= sampleRate / 4) in += double(x) * x, out += double(y) * y;
    }
    return 10.0 * std::log10(out / in);
}

} // namespace

TEST(Oscillator, EveryWaveRunsAtItsFrequency) {
    for (Wave wave : {Wave::Sine, Wave::Saw, Wave::Square}) {
        for (double hz : {55.0, 440.0, 1234.5, 5000.0}) {
            EXPECT_NEAR(measuredFrequency(wave, hz), hz, hz * 1e-3)
                << "wave " << int(wave) << " at " << hz << " Hz";
        }
    }
    EXPECT_NEAR(measuredFrequency(Wave::Square, 300.0, 0.2f), 300.0, 0.3);
}

TEST(Oscillator, StaysInRangeWithoutDc) {
    for (Wave wave : {Wave::Sine, Wave::Saw, Wave::Square, Wave::Noise}) {
        for (float width : {0.5f, 0.1f}) {
            Oscillator osc;
            double sum = 0.0;
            float peak = 0.0f;
            for (int i = 0; i < sampleRate; ++i) {
                const float v = oscillatorStep(osc, wave, 441.0, width);
                sum += v;
                peak = std::max(peak, std::fabs(v));
            }
            EXPECT_LT(std::fabs(sum / sampleRate), 0.01)
                << "wave " << int(wave) << " width " << width;
            EXPECT_LE(peak, 2.0f);
        }
    }
}

TEST(Oscillator, SawStepsAreBandLimited) {
    // A naive saw jumps by the full 2.0 in one sample; the corrected one spreads the step, so no
    // two neighbouring samples are that far apart at a high pitch.
    Oscillator osc;
    float previous = oscillatorStep(osc, Wave::Saw, 3517.0);
    float largest = 0.0f;
    for (int i = 0; i < 4410; ++i) {
        const float v = oscillatorStep(osc, Wave::Saw, 3517.0);
        largest = std::max(largest, std::fabs(v - previous));
        previous = v;
    }
    EXPECT_LT(largest, 1.5f);
}

TEST(Envelope, FollowsItsStagesAndEndsAtZero) {
    const Adsr env{0.01f, 0.1f, 0.5f, 0.2f};
    const double gate = 0.5;
    EXPECT_EQ(adsrLevel(env, 0.0, gate), 0.0f);
    EXPECT_NEAR(adsrLevel(env, 0.005, gate), 0.5f, 1e-4);
    EXPECT_NEAR(adsrLevel(env, 0.01, gate), 1.0f, 1e-4);
    // Within 1 % of the way to sustain once the decay time has passed.
    EXPECT_NEAR(adsrLevel(env, 0.11, gate), 0.5f, 0.006);
    EXPECT_NEAR(adsrLevel(env, 0.4, gate), 0.5f, 1e-4);
    EXPECT_NEAR(adsrLevel(env, gate + 0.1, gate), 0.125f, 1e-3);
    EXPECT_EQ(adsrLevel(env, gate + 0.2001, gate), 0.0f);
    EXPECT_NEAR(adsrLength(env, gate), gate + 0.2, 1e-6);
}

TEST(Envelope, NeverJumps) {
    // Zero attack and release still ramp, and a gate shorter than the attack releases from
    // wherever the attack got to.
    for (const Adsr env : {Adsr{0.0f, 0.0f, 1.0f, 0.0f}, Adsr{0.05f, 0.1f, 0.3f, 0.1f}}) {
        for (double gate : {0.0005, 0.02, 0.3}) {
            float previous = 0.0f;
            const int end = int(adsrLength(env, gate) * sampleRate) + 2;
            for (int i = 0; i <= end; ++i) {
                const float v = adsrLevel(env, double(i) / sampleRate, gate);
                EXPECT_LT(std::fabs(v - previous), 0.03f) << "sample " << i << " gate " << gate;
                previous = v;
            }
            EXPECT_EQ(previous, 0.0f);
        }
    }
}

TEST(Filter, LowpassAndHighpassCutAtTheirCutoff) {
    // Two poles: flat well below the cutoff, -6 dB at it without resonance (Q 0.5), and 12 dB
    // less per octave above it.
    EXPECT_NEAR(filterGainDb(FilterMode::Low, 1000.0f, 0.0f, 100.0), 0.0, 0.2);
    EXPECT_NEAR(filterGainDb(FilterMode::Low, 1000.0f, 0.0f, 1000.0), -6.0, 0.3);
    EXPECT_NEAR(filterGainDb(FilterMode::Low, 1000.0f, 0.0f, 8000.0), -36.0, 3.0);
    EXPECT_NEAR(filterGainDb(FilterMode::High, 1000.0f, 0.0f, 10000.0), 0.0, 0.3);
    EXPECT_NEAR(filterGainDb(FilterMode::High, 1000.0f, 0.0f, 1000.0), -6.0, 0.3);
    EXPECT_NEAR(filterGainDb(FilterMode::High, 1000.0f, 0.0f, 125.0), -36.0, 1.5);
}

TEST(Filter, ResonancePeaksAtTheCutoff) {
    const double peak = filterGainDb(FilterMode::Low, 2000.0f, 0.9f, 2000.0);
    EXPECT_GT(peak, 10.0);
    EXPECT_GT(peak, filterGainDb(FilterMode::Low, 2000.0f, 0.9f, 1000.0) + 6.0);
    EXPECT_NEAR(filterGainDb(FilterMode::Band, 2000.0f, 0.5f, 2000.0),
                20.0 * std::log10(1.0 / 1.02), 0.3);
}

TEST(MasterStage, LimiterKeepsEveryPeakUnderTheCeilingAndRecovers) {
    std::vector<float> audio(2 * sampleRate);
    for (size_t i = 0; i < audio.size() / 2; ++i) {
        const float level = i >= 10000 && i < 10300 ? 4.0f : 0.3f;
        audio[2 * i] = audio[2 * i + 1] =
            level * float(std::sin(2.0 * M_PI * 440.0 * i / sampleRate));
    }
    limit(audio, 0.8f);
    float peak = 0.0f, late = 0.0f, early = 0.0f;
    for (size_t i = 0; i < audio.size(); ++i) {
        peak = std::max(peak, std::fabs(audio[i]));
        if (i >= 2 * 40000) late = std::max(late, std::fabs(audio[i]));
        if (i < 2 * 9000) early = std::max(early, std::fabs(audio[i]));
    }
    EXPECT_LE(peak, 0.8f);
    // Below the ceiling nothing changes, before or well after the loud burst.
    EXPECT_NEAR(early, 0.3f, 1e-4);
    EXPECT_NEAR(late, 0.3f, 3e-3);
}

TEST(MasterStage, DcBlockerRemovesOffset) {
    std::vector<float> audio(4 * sampleRate, 0.25f);
    dcBlock(audio);
    double sum = 0.0;
    for (size_t i = audio.size() / 2; i < audio.size(); ++i)
        sum += audio[i];
    EXPECT_LT(std::fabs(sum / double(audio.size() / 2)), 1e-3);
}
