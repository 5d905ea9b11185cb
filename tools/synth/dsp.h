// Building blocks of the synthesizer: oscillators, envelopes, a state-variable filter, and the
// effects of the mix bus (delay, reverb, DC blocker, limiter). Everything runs at 44100 Hz on
// float samples and keeps all of its state in plain structs that start zeroed, so the same input
// always gives the same output.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int sampleRate = 44100;

enum class Wave { Sine, Saw, Square, Noise };
enum class FilterMode { Low, Band, High };

// Attack and decay in seconds, sustain as a level 0..1, release in seconds.
struct Adsr {
    float attack = 0.002f, decay = 0.1f, sustain = 1.0f, release = 0.05f;
};

struct Oscillator {
    double phase = 0.0; // 0..1
    uint32_t noise = 0x9e3779b9u;
};

struct Svf {
    float ic1 = 0.0f, ic2 = 0.0f, g = 0.0f, k = 2.0f;
};

// Deterministic white noise in -1..1 from a xorshift state (never zero).
float noiseStep(uint32_t& state);

// One sample of the waveform at `frequency` Hz, then advances the phase. Saw and square are
// band-limited with polynomial corrections at their steps; `width` is the square's duty cycle.
float oscillatorStep(Oscillator& osc, Wave wave, double frequency, float width = 0.5f);

// Level of an envelope `t` seconds after its note started, with the key held for `gate` seconds.
// Starts at 0, ends at exactly 0 when t >= gate + release, and is continuous in between.
float adsrLevel(const Adsr& env, double t, double gate);

// Seconds after the note start at which the envelope has reached 0 again.
double adsrLength(const Adsr& env, double gate);

// Sets the filter's cutoff (Hz, clamped to the audible band) and resonance (0..1; near 1 rings).
void svfTune(Svf& f, float cutoff, float resonance);

// Filters one sample; the state carries over between calls.
float svfStep(Svf& f, FilterMode mode, float x);

// Stereo feedback delay whose repeats alternate between the sides; `feedback` 0..0.95. Returns the
// wet signal for the interleaved stereo send buffer `io`, in place.
void pingPongDelay(std::vector<float>& io, size_t delaySamples, float feedback);

// A stereo room: parallel damped combs into series all-passes, per side with slightly different
// lengths. `size` 0..1 sets the decay time, `damping` 0..1 the loss of highs. In place, wet only.
void reverb(std::vector<float>& io, float size, float damping);

// Removes DC from interleaved stereo audio, in place, with a high-pass a few Hz low.
void dcBlock(std::vector<float>& io);

// Brings every sample of interleaved stereo audio to at most `ceiling` (linear) in magnitude.
// The gain looks ahead, so it is already down when a peak arrives, and it never delays the audio.
void limit(std::vector<float>& io, float ceiling);
