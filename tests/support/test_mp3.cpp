#include "support/test_mp3.h"

#include "support/demo_folder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mpg123.h>

static void put16(std::string& out, uint16_t v) {
    out.push_back(char(v & 0xff));
    out.push_back(char(v >> 8));
}
static void put32(std::string& out, uint32_t v) {
    put16(out, uint16_t(v));
    put16(out, uint16_t(v >> 16));
}

size_t writeToneWav(const std::string& path, double seconds, double frequency) {
    const uint32_t rate = 44100;
    const size_t frames = size_t(seconds * rate);
    std::string data;
    for (size_t i = 0; i < frames; ++i) {
        double fade = std::min(1.0, std::min(double(i), double(frames - i)) / 441.0);
        int16_t s = int16_t(std::lround(0.5 * fade * 32767.0 *
                                        std::sin(2.0 * M_PI * frequency * double(i) / rate)));
        put16(data, uint16_t(s));
        put16(data, uint16_t(s));
    }
    std::string wav = "RIFF";
    put32(wav, uint32_t(36 + data.size()));
    wav += "WAVEfmt ";
    put32(wav, 16);
    put16(wav, 1);
    put16(wav, 2);
    put32(wav, rate);
    put32(wav, rate * 4);
    put16(wav, 4);
    put16(wav, 16);
    wav += "data";
    put32(wav, uint32_t(data.size()));
    writeFileBytes(path, wav + data);
    return frames;
}

bool encodeMp3(const std::string& wavPath, const std::string& mp3Path, const char* options) {
    std::string command =
        std::string("lame --quiet -b 160 ") + options + " '" + wavPath + "' '" + mp3Path + "'";
    return std::system(command.c_str()) == 0;
}

std::vector<uint8_t> decodeMp3(const std::string& path, long rate) {
    std::vector<uint8_t> pcm;
    mpg123_init();
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    mpg123_format_none(h);
    mpg123_format(h, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(h, path.c_str()) == MPG123_OK) {
        unsigned char buf[16384];
        for (;;) {
            size_t done = 0;
            int r = mpg123_read(h, buf, sizeof buf, &done);
            pcm.insert(pcm.end(), buf, buf + done);
            if (r == MPG123_NEW_FORMAT || (r == MPG123_OK && done > 0)) continue;
            break;
        }
        mpg123_close(h);
    }
    mpg123_delete(h);
    return pcm;
}
