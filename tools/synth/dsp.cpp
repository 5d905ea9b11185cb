#include "dsp.h"

#include <algorithm>
#include <cmath>
#include <deque>

float noiseStep(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return float(int32_t(state)) * (1.0f / 2147483648.0f);
}

// Correction for a unit step at phase 0 spread over one sample on each side of it.
static double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

float oscillatorStep(Oscillator& osc, Wave wave, double frequency, float width) {
    const double dt = std::clamp(frequency / sampleRate, 0.0, 0.45);
    const double t = osc.phase;
    double v = 0.0;
    switch (wave) {
    case Wave::Sine:
        v = std::sin(2.0 * M_PI * t);
        break;
    case Wave::Saw:
        v = 2.0 * t - 1.0 - polyBlep(t, dt);
        break;
    case Wave::Square: {
        const double w = std::clamp(double(width), 0.05, 0.95);
        v = (t < w ? 1.0 : -1.0) + polyBlep(t, dt) - polyBlep(std::fmod(t + 1.0 - w, 1.0), dt);
        // Centre the pulse so narrow widths carry no DC.
        v -= 2.0 * w - 1.0;
        break;
    }
    case Wave::Noise:
        v = noiseStep(osc.noise);
        break;
    }
    osc.phase += dt;
    if (osc.phase >= 1.0) osc.phase -= 1.0;
    return float(v);
}

// Attack and release below these lengths click audibly.
static constexpr double minAttack = 0.001, minRelease = 0.003;

static double heldLevel(const Adsr& env, double t) {
    const double a = std::max(double(env.attack), minAttack);
    if (t < a) return t / a;
    const double d = std::max(double(env.decay), 1e-4);
    // The decay reaches within 1% of the sustain level after `decay` seconds.
    return env.sustain + (1.0 - env.sustain) * std::exp(-4.6 * (t - a) / d);
}

float adsrLevel(const Adsr& env, double t, double gate) {
    if (t <= 0.0) return 0.0f;
    if (t < gate) return float(heldLevel(env, t));
    const double r = std::max(double(env.release), minRelease);
    const double u = (t - gate) / r;
    if (u >= 1.0) return 0.0f;
    return float(heldLevel(env, gate) * (1.0 - u) * (1.0 - u));
}

double adsrLength(const Adsr& env, double gate) {
    return std::max(gate, 0.0) + std::max(double(env.release), minRelease);
}

void svfTune(Svf& f, float cutoff, float resonance) {
    const double fc = std::clamp(double(cutoff), 20.0, 0.45 * sampleRate);
    f.g = float(std::tan(M_PI * fc / sampleRate));
    f.k = float(2.0 - 1.96 * std::clamp(double(resonance), 0.0, 1.0));
}

float svfStep(Svf& f, FilterMode mode, float x) {
    const float a1 = 1.0f / (1.0f + f.g * (f.g + f.k));
    const float a2 = f.g * a1, a3 = f.g * a2;
    const float v3 = x - f.ic2;
    const float v1 = a1 * f.ic1 + a2 * v3;
    const float v2 = f.ic2 + a2 * f.ic1 + a3 * v3;
    f.ic1 = 2.0f * v1 - f.ic1;
    f.ic2 = 2.0f * v2 - f.ic2;
    switch (mode) {
    case FilterMode::Low:
        return v2;
    case FilterMode::Band:
        return v1;
    case FilterMode::High:
        break;
    }
    return x - f.k * v1 - v2;
}

void pingPongDelay(std::vector<float>& io, size_t delaySamples, float feedback) {
    const size_t frames = io.size() / 2;
    if (delaySamples == 0 || frames == 0) return;
    feedback = std::clamp(feedback, 0.0f, 0.95f);
    std::vector<float> left(delaySamples, 0.0f), right(delaySamples, 0.0f);
    float toneL = 0.0f, toneR = 0.0f;
    size_t pos = 0;
    for (size_t i = 0; i < frames; ++i) {
        const float outL = left[pos], outR = right[pos];
        // Each repeat loses some highs, like tape, so long tails stay out of the way.
        toneL += 0.45f * (outL - toneL);
        toneR += 0.45f * (outR - toneR);
        // The input enters on the left only; the cross feedback makes the repeats bounce.
        left[pos] = 0.5f * (io[2 * i] + io[2 * i + 1]) + feedback * toneR;
        right[pos] = feedback * toneL;
        io[2 * i] = outL;
        io[2 * i + 1] = outR;
        if (++pos == delaySamples) pos = 0;
    }
}

namespace {
struct Comb {
    std::vector<float> line;
    size_t pos = 0;
    float store = 0.0f;
    float step(float x, float feedback, float damping) {
        const float out = line[pos];
        store = out + damping * (store - out);
        line[pos] = x + feedback * store;
        if (++pos == line.size()) pos = 0;
        return out;
    }
};
struct Allpass {
    std::vector<float> line;
    size_t pos = 0;
    float step(float x) {
        const float delayed = line[pos];
        const float out = delayed - 0.5f * x;
        line[pos] = x + 0.5f * delayed;
        if (++pos == line.size()) pos = 0;
        return out;
    }
};
} // namespace

void reverb(std::vector<float>& io, float size, float damping) {
    static constexpr size_t combLengths[] = {1327, 1451, 1559, 1613, 1733, 1867};
    static constexpr size_t allpassLengths[] = {563, 439, 227};
    static constexpr size_t stereoOffset = 29;
    const float feedback = 0.70f + 0.28f * std::clamp(size, 0.0f, 1.0f);
    damping = 0.1f + 0.6f * std::clamp(damping, 0.0f, 1.0f);
    const size_t frames = io.size() / 2;
    std::vector<float> mono(frames);
    for (size_t i = 0; i < frames; ++i)
        mono[i] = 0.1f * (io[2 * i] + io[2 * i + 1]);
    for (size_t side = 0; side < 2; ++side) {
        std::vector<Comb> combs;
        std::vector<Allpass> allpasses;
        for (size_t n : combLengths)
            combs.push_back({std::vector<float>(n + side * stereoOffset)});
        for (size_t n : allpassLengths)
            allpasses.push_back({std::vector<float>(n + side * stereoOffset)});
        for (size_t i = 0; i < frames; ++i) {
            float sum = 0.0f;
            for (Comb& c : combs)
                sum += c.step(mono[i], feedback, damping);
            for (Allpass& a : allpasses)
                sum = a.step(sum);
            io[2 * i + side] = sum;
        }
    }
}

void dcBlock(std::vector<float>& io) {
    const double r = 1.0 - 2.0 * M_PI * 4.0 / sampleRate;
    for (size_t side = 0; side < 2; ++side) {
        double x1 = 0.0, y1 = 0.0;
        for (size_t i = side; i < io.size(); i += 2) {
            const double y = io[i] - x1 + r * y1;
            x1 = io[i];
            y1 = y;
            io[i] = float(y);
        }
    }
}

void limit(std::vector<float>& io, float ceiling) {
    // The gain falls over `window` samples before a peak and recovers over about 80 ms.
    static constexpr size_t window = 96;
    const double release = 1.0 - std::exp(-1.0 / (0.08 * sampleRate));
    const size_t frames = io.size() / 2;
    std::vector<float> need(frames);
    for (size_t i = 0; i < frames; ++i) {
        const float peak = std::max(std::fabs(io[2 * i]), std::fabs(io[2 * i + 1]));
        need[i] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    // Smallest need over [i, i + window], by a monotonic queue of indices.
    std::vector<float> ahead(frames);
    std::deque<size_t> queue;
    size_t next = 0;
    for (size_t i = 0; i < frames; ++i) {
        for (; next < frames && next <= i + window; ++next) {
            while (!queue.empty() && need[queue.back()] >= need[next])
                queue.pop_back();
            queue.push_back(next);
        }
        while (queue.front() < i)
            queue.pop_front();
        ahead[i] = need[queue.front()];
    }
    // Drop at once, recover slowly, then average over the window: the average at a peak only
    // includes values at or below that peak's need, so the peak ends up under the ceiling.
    double held = 1.0, sum = 0.0;
    std::vector<double> ring(window, 1.0);
    sum = double(window);
    for (size_t i = 0; i < frames; ++i) {
        held = std::min(double(ahead[i]), held + (1.0 - held) * release);
        sum += held - ring[i % window];
        ring[i % window] = held;
        const float gain = float(std::min(sum / double(window), double(ahead[i])));
        io[2 * i] *= gain;
        io[2 * i + 1] *= gain;
    }
}
