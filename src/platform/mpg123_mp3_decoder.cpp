// MP3 decoding with libmpg123, which is gapless and seeks sample-exactly when the LAME tag is
// there, and resamples to the asked rate when the file has another.
#include "platform/mp3_decoder.h"

#include <mpg123.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

struct Mp3Decoder {
    mpg123_handle* handle = nullptr;
    int32_t rate = 0;
    bool ended = false; // the end, or a frame that cannot be decoded: nothing more is read
};

static const int frameBytes = 2 * int(sizeof(int16_t));

static char problemText[256];

static const char* problem(const char* what, const char* detail) {
    std::snprintf(problemText, sizeof problemText, "%s: %s", what, detail);
    return problemText;
}

Mp3Decoder* mp3Open(const char* path, int32_t rate, const char** problemOut) {
    const char* ignored = nullptr;
    const char** why = problemOut ? problemOut : &ignored;
    // mpg123_open takes a missing file as well as any other failure; the system's reason is
    // clearer.
    if (FILE* probe = std::fopen(path, "rb")) {
        std::fclose(probe);
    } else {
        *why = problem("cannot open", std::strerror(errno));
        return nullptr;
    }
    mpg123_init(); // a no-op on current libmpg123, required by older ones
    int error = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &error);
    if (!handle) {
        *why = problem("cannot create a decoder", mpg123_plain_strerror(error));
        return nullptr;
    }
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    mpg123_format_none(handle);
    mpg123_format(handle, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    // mpg123_open accepts garbage and empty files; only the format query finds no MPEG frame.
    long gotRate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_open(handle, path) != MPG123_OK ||
        mpg123_getformat(handle, &gotRate, &channels, &encoding) != MPG123_OK) {
        *why = problem("not a playable MP3 file", mpg123_strerror(handle));
        mpg123_delete(handle);
        return nullptr;
    }
    Mp3Decoder* decoder = new Mp3Decoder;
    decoder->handle = handle;
    decoder->rate = int32_t(gotRate);
    return decoder;
}

int32_t mp3Rate(const Mp3Decoder* decoder) {
    return decoder->rate;
}

int32_t mp3Channels(const Mp3Decoder*) {
    return 2;
}

int64_t mp3LengthFrames(const Mp3Decoder* decoder) {
    off_t length = mpg123_length(decoder->handle);
    return length < 0 ? -1 : int64_t(length);
}

int32_t mp3Read(Mp3Decoder* decoder, int16_t* out, int32_t frameCount) {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(out);
    size_t wanted = size_t(frameCount > 0 ? frameCount : 0) * frameBytes;
    size_t filled = 0;
    while (filled < wanted && !decoder->ended) {
        size_t done = 0;
        int result = mpg123_read(decoder->handle, bytes + filled, wanted - filled, &done);
        filled += done;
        if (result == MPG123_NEW_FORMAT || (result == MPG123_OK && done > 0)) continue;
        if (result != MPG123_OK || done == 0) decoder->ended = true;
    }
    return int32_t(filled / frameBytes);
}

int mp3Seek(Mp3Decoder* decoder, int64_t frame) {
    if (frame < 0) return 0;
    int64_t length = mp3LengthFrames(decoder);
    if (length >= 0 && frame > length) frame = length;
    if (mpg123_seek(decoder->handle, off_t(frame), SEEK_SET) < 0) return 0;
    decoder->ended = false;
    return 1;
}

void mp3Close(Mp3Decoder* decoder) {
    if (!decoder) return;
    mpg123_close(decoder->handle);
    mpg123_delete(decoder->handle);
    delete decoder;
}
