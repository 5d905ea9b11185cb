// The built music against its own event file: every kick the score places must be heard at its
// row on the 165 BPM grid, within 2 ms, in the decoded MP3 the demo plays.
#include "base/show.h"
#include "render.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double rate = 44100.0;

// Mono float samples of the whole file, gapless (the encoder's delay and padding removed).
std::vector<float> decode(const char* path) {
    std::vector<float> mono;
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    if (!h) return mono;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    mpg123_format_none(h);
    mpg123_format(h, 44100, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    long r = 0;
    int channels = 0, encoding = 0;
    if (mpg123_open(h, path) == MPG123_OK &&
        mpg123_getformat(h, &r, &channels, &encoding) == MPG123_OK && r == 44100 && channels == 2) {
        std::vector<float> block(8192);
        size_t got = 0;
        int status = MPG123_OK;
        while (status == MPG123_OK || status == MPG123_NEW_FORMAT) {
            status = mpg123_read(h, reinterpret_cast<unsigned char*>(block.data()),
                                 block.size() * sizeof(float), &got);
            for (size_t i = 0; i + 1 < got / sizeof(float); i += 2)
                mono.push_back(0.5f * (block[i] + block[i + 1]));
        }
    }
    mpg123_close(h);
    mpg123_delete(h);
    return mono;
}

std::vector<int> kickRows(const char* path) {
    std::vector<int> rows;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        int row = 0;
        std::string what;
        if (words >> row >> what && what == "kick") rows.push_back(row);
    }
    return rows;
}

// The first 30 ms of one kick from the score, rendered on its own: the shape to look for.
std::vector<float> kickTemplate() {
    Score full, alone;
    std::string error;
    if (loadScore(BRUMELT_SOURCE_DIR "/content/music.score", full, error) != 0) return {};
    for (const Instrument& in : full.instruments)
        if (in.event == "kick") alone.instruments.push_back(in);
    if (alone.instruments.empty()) return {};
    alone.instruments.resize(1);
    alone.patterns.push_back({"p", showRowsPerBar, {PatternNote{0, 0, 2, 0.0f, 1.0f}}});
    Section section;
    section.bars = 1;
    section.plays.push_back({0, -1});
    alone.sections.push_back(section);
    alone.totalRows = showRowsPerBar;
    alone.ceilingDb = 0.0f;
    const std::vector<float> stereo = renderScore(alone);
    std::vector<float> mono(size_t(0.03 * rate));
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = 0.5f * (stereo[2 * i] + stereo[2 * i + 1]);
    return mono;
}

// Normalised correlation of the template with the audio starting at `at`.
double match(const std::vector<float>& audio, const std::vector<float>& shape, long at) {
    if (at < 0 || at + long(shape.size()) > long(audio.size())) return 0.0;
    double dot = 0.0, a2 = 0.0, s2 = 0.0;
    for (size_t i = 0; i < shape.size(); ++i) {
        const double a = audio[size_t(at) + i];
        dot += a * shape[i], a2 += a * a, s2 += double(shape[i]) * shape[i];
    }
    return a2 > 0.0 ? dot / std::sqrt(a2 * s2) : 0.0;
}

} // namespace

TEST(MusicFile, KickOnsetsLieOnTheScoreGrid) {
    const std::vector<float> audio =
        decode((std::string(BRUMELT_DEMO_DIR) + "/" + showMusicPath).c_str());
    const std::vector<int> rows = kickRows(BRUMELT_BINARY_DIR "/content/music-events.txt");
    ASSERT_GT(audio.size(), size_t(150 * rate)) << showMusicPath << " missing or short";
    ASSERT_GT(rows.size(), 300u) << "event file missing or without kicks";

    const std::vector<float> shape = kickTemplate();
    ASSERT_FALSE(shape.empty()) << "no kick instrument in the score";

    // A kick is found where the audio looks most like a lone kick, searching 15 ms either side
    // of the score's time: the template's pitch sweep matches at one lag only, and the other
    // notes of that row (snare, bass, pads) only lower the match, they do not move it.
    const long span = long(0.015 * rate), tolerance = long(0.002 * rate);
    int checked = 0, late = 0, unclear = 0;
    double worst = 0.0;
    for (int row : rows) {
        const long expected = std::lround(row / showRowsPerSecond * rate);
        long best = expected;
        double strongest = -1.0;
        for (long n = expected - span; n <= expected + span; ++n) {
            const double m = match(audio, shape, n);
            if (m > strongest) strongest = m, best = n;
        }
        ++checked;
        // The last bars fade to silence, where the encoder keeps too little to match.
        if (strongest < 0.5) {
            ++unclear;
            continue;
        }
        const double offset = double(best - expected) / rate * 1000.0;
        worst = std::max(worst, std::fabs(offset));
        if (std::labs(best - expected) > tolerance) {
            ++late;
            ADD_FAILURE() << "kick at row " << row << " heard " << offset << " ms off";
        }
    }
    EXPECT_LT(unclear, checked / 20) << "kicks that do not sound like the kick";
    EXPECT_EQ(late, 0);
    std::printf("kicks %d, unclear %d, largest offset %.3f ms\n", checked, unclear, worst);
}
