#include "platform/audio_output.h"

#include <SDL2/SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

// One device and at most one stream: the demo plays a single piece of music.
//
// Threads: the main thread creates the stream before playback and afterwards only asks for the
// position; the audio thread decodes in the device callback. The decoder is touched by the main
// thread only while the device is locked (SDL_LockAudioDevice), and the play-position
// bookkeeping is shared under `clockLock`.

static const int bytesPerSample = 2; // signed 16-bit output

static const int deviceBufferFrames = 2048; // 46 ms; SDL rounds other sizes to powers of two

struct PlayClock {
    uint64_t musicBytesHanded = 0;  // decoded music handed to the device since play
    uint64_t deviceBytesHanded = 0; // everything handed since play, silence after the end included
    uint32_t lastChunkBytes = 0;    // size of the latest callback's buffer
    int64_t lastCallbackNs = 0;     // when the latest callback ran (monotonic)
};

struct Stream {
    mpg123_handle* decoder = nullptr;
    long rate = 0;
    int channels = 0;
    bool playing = false; // set and read under the device lock
    bool decodeEnded = false;
};

static SDL_AudioDeviceID device = 0;
static SDL_AudioSpec deviceSpec;
static uint32_t deviceLatencyBytes = 0; // what the device holds beyond the buffer being played
static Stream* stream = nullptr;
static AudioStream streamHandle = 0;
static AudioStream nextHandle = 1;
static std::mutex clockLock;
static PlayClock playClock;
static uint64_t lastReportedBytes = 0; // main thread only

static int64_t monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Fills `out` with music while there is some; the rest stays silent.
static uint32_t decodeInto(Stream& s, unsigned char* out, size_t length) {
    size_t filled = 0;
    while (filled < length && !s.decodeEnded) {
        size_t done = 0;
        int result = mpg123_read(s.decoder, out + filled, length - filled, &done);
        filled += done;
        if (result == MPG123_NEW_FORMAT || (result == MPG123_OK && done > 0)) continue;
        if (result != MPG123_OK || done == 0) s.decodeEnded = true; // end, or a broken frame
    }
    return uint32_t(filled);
}

static void deviceCallback(void*, Uint8* out, int length) {
    std::memset(out, 0, size_t(length)); // signed 16-bit silence
    bool counting = stream && stream->playing;
    uint32_t music = counting ? decodeInto(*stream, out, size_t(length)) : 0;
    if (!counting) return;
    std::lock_guard<std::mutex> guard(clockLock);
    playClock.musicBytesHanded += music;
    playClock.deviceBytesHanded += uint32_t(length);
    playClock.lastChunkBytes = uint32_t(length);
    playClock.lastCallbackNs = monotonicNs();
}

int audioInitDevice(int, int frequency, uint32_t, void*) {
    if (device) return 1;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "brumelt: audio: cannot start the audio subsystem: %s\n", SDL_GetError());
        return 0;
    }
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = frequency;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = deviceBufferFrames;
    want.callback = deviceCallback;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &deviceSpec, 0);
    if (!device) {
        std::fprintf(stderr, "brumelt: audio: cannot open the default output device (driver %s): %s\n",
                     SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "none",
                     SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    // The dummy and disk drivers consume each buffer as it is handed over; sound cards and sound
    // servers play the buffer handed before while the next one is being filled.
    const char* driver = SDL_GetCurrentAudioDriver();
    bool immediate = driver && (!std::strcmp(driver, "dummy") || !std::strcmp(driver, "disk"));
    deviceLatencyBytes = immediate ? 0 : deviceSpec.size;
    return 1;
}

static void closeStream() {
    if (!stream) return;
    if (device) SDL_LockAudioDevice(device);
    Stream* old = stream;
    stream = nullptr;
    streamHandle = 0;
    if (device) SDL_UnlockAudioDevice(device);
    mpg123_close(old->decoder);
    mpg123_delete(old->decoder);
    delete old;
}

AudioStream audioCreateFileStream(const char* path, uint64_t offset, uint64_t length, uint32_t) {
    if (offset != 0 || length != 0) {
        std::fprintf(stderr, "brumelt: audio: %s: only whole files can be played\n", path);
        return 0;
    }
    if (FILE* probe = std::fopen(path, "rb")) {
        std::fclose(probe);
    } else {
        std::fprintf(stderr, "brumelt: audio: %s: cannot open: %s\n", path, std::strerror(errno));
        return 0;
    }
    mpg123_init(); // a no-op on current libmpg123, required by older ones
    int error = MPG123_OK;
    mpg123_handle* decoder = mpg123_new(nullptr, &error);
    if (!decoder) {
        std::fprintf(stderr, "brumelt: audio: %s: cannot create a decoder: %s\n", path,
                     mpg123_plain_strerror(error));
        return 0;
    }
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    // Decode to the device's format whatever the file's rate and channel count.
    long rate = device ? deviceSpec.freq : 44100;
    mpg123_format_none(decoder);
    mpg123_format(decoder, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    long gotRate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_open(decoder, path) != MPG123_OK ||
        mpg123_getformat(decoder, &gotRate, &channels, &encoding) != MPG123_OK) {
        std::fprintf(stderr, "brumelt: audio: %s: not a playable MP3 file: %s\n", path,
                     mpg123_strerror(decoder));
        mpg123_delete(decoder);
        return 0;
    }
    closeStream();
    Stream* created = new Stream;
    created->decoder = decoder;
    created->rate = gotRate;
    created->channels = channels;
    if (device) SDL_LockAudioDevice(device);
    stream = created;
    streamHandle = nextHandle++;
    if (device) SDL_UnlockAudioDevice(device);
    return streamHandle;
}

int audioStartOutput() {
    if (!device) return 0;
    SDL_PauseAudioDevice(device, 0);
    return 1;
}

int audioPlay(AudioStream handle, int restart) {
    if (!handle || handle != streamHandle) return 0;
    if (device) SDL_LockAudioDevice(device);
    if (restart || !stream->playing) {
        if (stream->playing || stream->decodeEnded) mpg123_seek(stream->decoder, 0, SEEK_SET);
        stream->decodeEnded = false;
        std::lock_guard<std::mutex> guard(clockLock);
        playClock = PlayClock{};
        lastReportedBytes = 0;
    }
    stream->playing = true;
    if (device) SDL_UnlockAudioDevice(device);
    return 1;
}

uint64_t audioBytePosition(AudioStream handle) {
    if (!handle || handle != streamHandle) return lastReportedBytes;
    PlayClock clock;
    {
        std::lock_guard<std::mutex> guard(clockLock);
        clock = playClock;
    }
    if (clock.deviceBytesHanded == 0) return lastReportedBytes;
    uint64_t frameBytes = uint64_t(bytesPerSample) * uint64_t(stream->channels);
    double elapsedNs = double(monotonicNs() - clock.lastCallbackNs);
    uint64_t intoChunk =
        uint64_t(std::max(0.0, elapsedNs) * 1e-9 * double(stream->rate)) * frameBytes;
    intoChunk = std::min<uint64_t>(intoChunk, clock.lastChunkBytes);
    uint64_t heard = clock.deviceBytesHanded - clock.lastChunkBytes + intoChunk;
    heard = heard > deviceLatencyBytes ? heard - deviceLatencyBytes : 0;
    uint64_t position = std::min(heard, clock.musicBytesHanded);
    lastReportedBytes = std::max(lastReportedBytes, position);
    return lastReportedBytes;
}

double audioBytesToSeconds(AudioStream handle, uint64_t bytes) {
    if (!handle || handle != streamHandle || stream->rate <= 0) return -1.0;
    double frameBytes = double(bytesPerSample * stream->channels);
    return double(bytes) / frameBytes / double(stream->rate);
}

void audioShutdown() {
    if (device) SDL_PauseAudioDevice(device, 1);
    closeStream();
    if (device) {
        SDL_CloseAudioDevice(device);
        device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    lastReportedBytes = 0;
    playClock = PlayClock{};
}
