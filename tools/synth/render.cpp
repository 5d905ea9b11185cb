#include "render.h"

#include "formats/whole_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr double twoPi = 2.0 * M_PI;

double midiHz(double pitch) {
    return 440.0 * std::pow(2.0, (pitch - 69.0) / 12.0);
}
float dbGain(float db) {
    return std::pow(10.0f, db / 20.0f);
}

// A percussive envelope: a 0.3 ms rise, a fall to -40 dB over `decay` seconds, and a 5 ms fade
// to exactly zero at `length`.
float hitLevel(double t, double decay, double length) {
    if (t <= 0.0 || t >= length) return 0.0f;
    double v = std::exp(-4.6 * t / decay) * std::min(1.0, t / 0.0003);
    if (length - t < 0.005) v *= (length - t) / 0.005;
    return float(v);
}

// Where one note's samples go: a mono or stereo stretch of the channel buffer.
struct Target {
    float* frames; // interleaved stereo
    size_t count;
};

void renderSynth(const Instrument& in, const Note& note, double gate, uint32_t seed, Target out) {
    const int voices = in.unison;
    std::vector<Oscillator> oscs(size_t(voices) * 2 + 1);
    for (size_t i = 0; i < oscs.size(); ++i) {
        // Unison voices start spread over the cycle so they do not sum into one spike.
        oscs[i].phase = voices > 1 ? std::fmod(0.618034 * double(i), 1.0) : 0.0;
        oscs[i].noise = seed * 2654435761u + uint32_t(i) * 40503u + 1u;
    }
    std::vector<float> panL(size_t(voices), 1.0f), panR(size_t(voices), 1.0f);
    std::vector<double> ratio(size_t(voices), 1.0);
    const double ratio2 = std::pow(2.0, in.semitones2 / 12.0);
    for (int v = 0; v < voices; ++v) {
        const float spread = voices > 1 ? 2.0f * float(v) / float(voices - 1) - 1.0f : 0.0f;
        ratio[size_t(v)] = std::pow(2.0, spread * in.spreadCents / 1200.0);
        panL[size_t(v)] = std::min(1.0f, 1.0f - spread * in.stereo);
        panR[size_t(v)] = std::min(1.0f, 1.0f + spread * in.stereo);
    }
    const float norm = 1.0f / std::sqrt(float(voices));
    const float baseCutoff = note.cutoff > 0.0f ? note.cutoff : in.cutoff;
    const float level = note.velocity * dbGain(note.gainDb);
    const float driveNorm = in.drive > 0.0f ? 1.0f / std::tanh(in.drive) : 1.0f;
    Svf filterL, filterR;
    double hz = midiHz(note.pitch);
    const size_t length = std::min(out.count, size_t(adsrLength(in.amp, gate) * sampleRate) + 1);
    for (size_t i = 0; i < length; ++i) {
        const double t = double(i) / sampleRate;
        if (i % 16 == 0) {
            const float env = adsrLevel(in.filterEnv, t, gate);
            const float cutoff = baseCutoff * std::pow(2.0f, in.filterOctaves * env);
            svfTune(filterL, cutoff, in.resonance);
            svfTune(filterR, cutoff, in.resonance);
            // Vibrato fades in over the first 0.3 s of the note.
            if (in.vibratoDepth > 0.0f)
                hz = midiHz(note.pitch + in.vibratoDepth * std::sin(twoPi * in.vibratoRate * t) *
                                             std::min(1.0, t / 0.3));
        }
        float l = 0.0f, r = 0.0f;
        for (int v = 0; v < voices; ++v) {
            const double f = hz * ratio[size_t(v)];
            float s = oscillatorStep(oscs[size_t(v) * 2], in.wave, f, in.width);
            if (in.level2 > 0.0f)
                s += in.level2 *
                     oscillatorStep(oscs[size_t(v) * 2 + 1], in.wave2, f * ratio2, in.width);
            l += s * panL[size_t(v)];
            r += s * panR[size_t(v)];
        }
        l *= norm;
        r *= norm;
        if (in.sub > 0.0f) {
            const float s = in.sub * oscillatorStep(oscs.back(), Wave::Sine, hz * 0.5);
            l += s;
            r += s;
        }
        l = svfStep(filterL, in.filter, l);
        r = voices > 1 ? svfStep(filterR, in.filter, r) : l;
        if (in.drive > 0.0f) {
            l = std::tanh(in.drive * l) * driveNorm;
            r = std::tanh(in.drive * r) * driveNorm;
        }
        const float a = level * adsrLevel(in.amp, t, gate);
        out.frames[2 * i] += a * l;
        out.frames[2 * i + 1] += a * r;
    }
}

// The six detuned square waves that give hats and cymbals their metal.
float metal(double t, double base) {
    static constexpr double ratios[] = {1.0, 1.4827, 1.8004, 2.5463, 2.6304, 3.8968};
    float sum = 0.0f;
    for (double ratio : ratios)
        sum += std::fmod(t * base * ratio, 1.0) < 0.5 ? 1.0f : -1.0f;
    return sum / 6.0f;
}

void renderDrum(const Instrument& in, const Note& note, uint32_t seed, Target out) {
    uint32_t noise = seed * 2654435761u + 12345u;
    const float level = note.velocity * dbGain(note.gainDb);
    const double pitched = note.pitch > 0.0f ? midiHz(note.pitch) : 0.0;
    Svf f1, f2;
    double phase = 0.0;
    double decay = in.decay;
    switch (in.kind) {
    case VoiceKind::Kick: {
        const double end = pitched > 0 ? pitched : (in.tune > 0 ? in.tune : 46.0);
        decay = decay > 0 ? decay : 0.5;
        const double drive = in.drive > 0 ? in.drive : 1.5;
        const double click = in.tone;
        const size_t n = std::min(out.count, size_t(decay * sampleRate));
        svfTune(f1, 3000.0f, 0.0f);
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / sampleRate;
            const double hz = end * (1.0 + 5.0 * std::exp(-t / 0.03) + 0.6 * std::exp(-t / 0.004));
            phase += hz / sampleRate;
            double v = std::tanh(drive * std::sin(twoPi * phase)) / std::tanh(drive);
            v += click * svfStep(f1, FilterMode::Low, noiseStep(noise)) * std::exp(-t / 0.003);
            const float s = level * hitLevel(t, decay, double(n) / sampleRate) * float(v);
            out.frames[2 * i] += s;
            out.frames[2 * i + 1] += s;
        }
        break;
    }
    case VoiceKind::Snare:
    case VoiceKind::Clap: {
        const bool clap = in.kind == VoiceKind::Clap;
        const double body = pitched > 0 ? pitched : (in.tune > 0 ? in.tune : 185.0);
        decay = decay > 0 ? decay : (clap ? 0.3 : 0.28);
        const double noiseShare = in.tone > 0 ? in.tone : 0.65;
        const size_t n = std::min(out.count, size_t((decay + 0.03) * sampleRate));
        svfTune(f1, clap ? 1150.0f : 1900.0f, clap ? 0.45f : 0.1f);
        svfTune(f2, clap ? 5000.0f : 9000.0f, 0.0f);
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / sampleRate;
            const double len = double(n) / sampleRate;
            double v = 0.0;
            const float x = noiseStep(noise);
            if (clap) {
                // Three quick claps that blur into one, then the room.
                double e = 0.0;
                for (int k = 0; k < 3; ++k) {
                    const double u = t - 0.011 * k;
                    if (u >= 0) e += std::exp(-u / 0.005) * std::min(1.0, u / 0.0003);
                }
                if (t > 0.03) e += 0.8 * std::exp(-4.6 * (t - 0.03) / decay);
                v = 2.2 * e * svfStep(f1, FilterMode::Band, x) *
                    (len - t < 0.005 ? (len - t) / 0.005 : 1.0);
            } else {
                phase += body * (1.0 + 0.5 * std::exp(-t / 0.01)) / sampleRate;
                const double tone =
                    (std::sin(twoPi * phase) + 0.4 * std::sin(twoPi * 1.6 * phase)) *
                    hitLevel(t, 0.12, len);
                const double hiss = svfStep(f2, FilterMode::Low, svfStep(f1, FilterMode::High, x));
                v = (1.0 - noiseShare) * tone + noiseShare * 1.6 * hiss * hitLevel(t, decay, len);
            }
            const float s = level * float(v);
            out.frames[2 * i] += s;
            out.frames[2 * i + 1] += s;
        }
        break;
    }
    case VoiceKind::Hat:
    case VoiceKind::Crash: {
        const bool crash = in.kind == VoiceKind::Crash;
        decay = decay > 0 ? decay : (crash ? 1.8 : 0.07);
        const double base = in.tune > 0 ? in.tune : 410.0;
        const double noiseShare = in.tone > 0 ? in.tone : (crash ? 0.6 : 0.4);
        const size_t n = std::min(out.count, size_t(decay * sampleRate));
        svfTune(f1, crash ? 4200.0f : 7000.0f, 0.2f);
        svfTune(f2, crash ? 4200.0f : 7000.0f, 0.2f);
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / sampleRate;
            const double x = (1.0 - noiseShare) * metal(t, base) + noiseShare * noiseStep(noise);
            const float v = svfStep(f2, FilterMode::High, svfStep(f1, FilterMode::High, float(x)));
            const float s = 1.5f * level * hitLevel(t, decay, double(n) / sampleRate) * v;
            out.frames[2 * i] += s;
            out.frames[2 * i + 1] += s;
        }
        break;
    }
    case VoiceKind::Tom: {
        const double hz = pitched > 0 ? pitched : (in.tune > 0 ? in.tune : 110.0);
        decay = decay > 0 ? decay : 0.45;
        const size_t n = std::min(out.count, size_t(decay * sampleRate));
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / sampleRate;
            phase += hz * (1.0 + 0.7 * std::exp(-t / 0.04)) / sampleRate;
            const double v =
                std::sin(twoPi * phase) + 0.08 * noiseStep(noise) * std::exp(-t / 0.01);
            const float s = level * hitLevel(t, decay, double(n) / sampleRate) * float(v);
            out.frames[2 * i] += s;
            out.frames[2 * i + 1] += s;
        }
        break;
    }
    case VoiceKind::Synth:
        break;
    }
}

// How far the sidechain pulls a ducked channel down, 0..1, `t` seconds after a kick: a 2 ms dip,
// then a recovery over most of a beat.
float duckShape(double t) {
    if (t < 0.0) return 0.0f;
    if (t < 0.002) return float(t / 0.002);
    const double u = (t - 0.002) / 0.25;
    return u >= 1.0 ? 0.0f : float((1.0 - u) * (1.0 - u));
}

} // namespace

size_t rowSample(const Score& score, int row) {
    return size_t(std::llround(rowSeconds(score, row) * sampleRate));
}

std::vector<float> renderScore(const Score& score, RenderStats* stats) {
    const std::vector<Note> notes = arrangeScore(score);
    const size_t musicFrames = rowSample(score, score.totalRows);
    const size_t frames = musicFrames + size_t(score.tailSeconds * sampleRate);
    std::vector<float> mix(frames * 2, 0.0f), delaySend(frames * 2, 0.0f),
        reverbSend(frames * 2, 0.0f);
    std::vector<float> channel(frames * 2);

    std::vector<float> duck(frames, 0.0f);
    for (const Note& n : notes) {
        if (score.instruments[size_t(n.instrument)].kind != VoiceKind::Kick) continue;
        const size_t start = rowSample(score, n.row);
        for (size_t i = start; i < frames && i < start + size_t(0.26 * sampleRate); ++i)
            duck[i] = std::max(duck[i], n.velocity * duckShape(double(i - start) / sampleRate));
    }

    for (size_t k = 0; k < score.instruments.size(); ++k) {
        const Instrument& in = score.instruments[k];
        std::fill(channel.begin(), channel.end(), 0.0f);
        bool used = false;
        for (size_t j = 0; j < notes.size(); ++j) {
            const Note& n = notes[j];
            if (size_t(n.instrument) != k) continue;
            used = true;
            const size_t start = rowSample(score, n.row);
            if (start >= frames) continue;
            const Target out{channel.data() + 2 * start, frames - start};
            const uint32_t seed = uint32_t(j) + 1u;
            if (in.kind == VoiceKind::Synth)
                renderSynth(in, n, rowSeconds(score, n.length), seed, out);
            else
                renderDrum(in, n, seed, out);
        }
        if (!used) continue;
        const float gain = dbGain(in.gainDb);
        const float left = gain * std::min(1.0f, 1.0f - in.pan),
                    right = gain * std::min(1.0f, 1.0f + in.pan);
        for (size_t i = 0; i < frames; ++i) {
            const float d = 1.0f - in.duck * duck[i];
            const float l = channel[2 * i] * left * d, r = channel[2 * i + 1] * right * d;
            mix[2 * i] += l;
            mix[2 * i + 1] += r;
            delaySend[2 * i] += in.delaySend * l;
            delaySend[2 * i + 1] += in.delaySend * r;
            reverbSend[2 * i] += in.reverbSend * l;
            reverbSend[2 * i + 1] += in.reverbSend * r;
        }
    }

    pingPongDelay(delaySend, rowSample(score, score.delayRows), score.delayFeedback);
    for (size_t i = 0; i < mix.size(); ++i) {
        mix[i] += delaySend[i];
        reverbSend[i] += 0.3f * delaySend[i];
    }
    reverb(reverbSend, score.reverbSize, score.reverbDamping);
    for (size_t i = 0; i < mix.size(); ++i)
        mix[i] += reverbSend[i];

    // Master gain and fades: a fade runs over its section, as a cubic curve so it sounds even,
    // and everything after it stays silent.
    const float master = dbGain(score.masterDb);
    for (size_t i = 0; i < frames; ++i) {
        double g = master;
        for (const Section& s : score.sections) {
            if (!s.fade) continue;
            const double a = double(rowSample(score, s.startRow));
            const double b = double(rowSample(score, s.startRow + s.bars * showRowsPerBar));
            const double u = std::clamp((double(i) - a) / (b - a), 0.0, 1.0);
            g *= (1.0 - u) * (1.0 - u) * (1.0 - u);
        }
        mix[2 * i] *= float(g);
        mix[2 * i + 1] *= float(g);
    }
    dcBlock(mix);
    float peak = 0.0f;
    for (float v : mix)
        peak = std::max(peak, std::fabs(v));
    limit(mix, dbGain(score.ceilingDb));
    // The limiter pulls lopsided peaks (a kick's first swing) down more than their other half,
    // which leaves a little DC behind. Removing it moves some peaks a little past the ceiling
    // again, and the second, much gentler limiter pass catches those.
    dcBlock(mix);
    limit(mix, dbGain(score.ceilingDb));
    if (stats) {
        stats->peakBeforeLimiter = peak;
        for (int side = 0; side < 2; ++side) {
            double sum = 0.0;
            for (size_t i = size_t(side); i < mix.size(); i += 2)
                sum += mix[i];
            stats->mean[side] = frames ? sum / double(frames) : 0.0;
        }
    }
    return mix;
}

std::string eventText(const Score& score) {
    std::string text;
    std::string last;
    auto add = [&](int row, const std::string& what) {
        const std::string entry = std::to_string(row) + " " + what + "\n";
        // Two instruments can share an event name (say a snare and a clap): keep one line.
        if (entry != last) text += entry;
        last = entry;
    };
    const std::vector<Note> notes = arrangeScore(score);
    size_t next = 0;
    for (const Section& s : score.sections) {
        const int end = s.startRow + s.bars * showRowsPerBar;
        add(s.startRow, "section " + s.name);
        std::vector<std::pair<int, const std::string*>> hits;
        for (; next < notes.size() && notes[next].row < end; ++next) {
            const std::string& e = score.instruments[size_t(notes[next].instrument)].event;
            if (!e.empty()) hits.push_back({notes[next].row, &e});
        }
        // Within one row, order by name so the file does not depend on instrument order.
        std::stable_sort(hits.begin(), hits.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first < b.first : *a.second < *b.second;
        });
        for (const auto& h : hits)
            add(h.first, *h.second);
    }
    add(score.totalRows, "end");
    return text;
}

static void put16(std::string& b, uint16_t v) {
    b += char(v & 0xff), b += char(v >> 8);
}
static void put32(std::string& b, uint32_t v) {
    put16(b, uint16_t(v)), put16(b, uint16_t(v >> 16));
}

int writeWav(const char* path, const std::vector<float>& stereo, std::string& error) {
    const uint32_t dataBytes = uint32_t(stereo.size() * 2);
    std::string b;
    b.reserve(44 + dataBytes);
    b += "RIFF";
    put32(b, 36 + dataBytes);
    b += "WAVEfmt ";
    put32(b, 16), put16(b, 1), put16(b, 2), put32(b, sampleRate), put32(b, sampleRate * 4);
    put16(b, 4), put16(b, 16);
    b += "data";
    put32(b, dataBytes);
    for (float v : stereo) {
        const long s = std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f);
        put16(b, uint16_t(int16_t(s)));
    }
    return writeText(path, b, error);
}

int writeText(const char* path, const std::string& text, std::string& error) {
    std::string reason;
    const FileWriteResult written = writeWholeFile(path, text, reason);
    if (written == fileWritten) return 0;
    error = std::string(path) + ": " + (written == fileNotCreated ? reason : "write failed");
    return 1;
}
