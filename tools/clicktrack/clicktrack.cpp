// clicktrack: writes a 16-bit stereo 44.1 kHz WAV file of clicks at a fixed tempo, with an
// accented click on the first beat of each bar. Serves as a tempo reference and as stand-in
// music.
//
//   clicktrack OUT.wav [SECONDS [BPM]]     (defaults: 160 s at 165 BPM, 4 beats a bar)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

static void put16(std::FILE* f, uint16_t v) { std::fputc(v & 0xff, f), std::fputc(v >> 8, f); }
static void put32(std::FILE* f, uint32_t v) { put16(f, uint16_t(v)), put16(f, uint16_t(v >> 16)); }

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: clicktrack OUT.wav [SECONDS [BPM]]\n");
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 160.0;
    const double tempo = argc > 3 ? std::atof(argv[3]) : 165.0;
    const int rate = 44100;
    const size_t frames = size_t(seconds * rate);
    std::vector<int16_t> samples(frames * 2, 0);
    const double beatSeconds = 60.0 / tempo;
    for (long beat = 0; beat * beatSeconds < seconds; ++beat) {
        const bool accent = beat % 4 == 0;
        const double pitch = accent ? 1760.0 : 880.0;
        const double level = accent ? 0.6 : 0.35;
        const size_t start = size_t(std::llround(beat * beatSeconds * rate));
        const size_t length = size_t(0.04 * rate);
        for (size_t i = 0; i < length && start + i < frames; ++i) {
            const double t = double(i) / rate;
            const double envelope = std::exp(-t * 90.0) * std::min(1.0, double(i) / 16.0);
            const double v = level * envelope * std::sin(2.0 * M_PI * pitch * t);
            const int16_t s = int16_t(std::lround(v * 32767.0));
            samples[2 * (start + i)] = s;
            samples[2 * (start + i) + 1] = s;
        }
    }
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f), put32(f, 36 + dataBytes), std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16), put16(f, 1), put16(f, 2), put32(f, rate), put32(f, rate * 4), put16(f, 4), put16(f, 16);
    std::fwrite("data", 1, 4, f), put32(f, dataBytes);
    for (int16_t s : samples) put16(f, uint16_t(s));
    return std::fclose(f) == 0 ? 0 : 1;
}
