#include "audio/audio_output.h"
#include "audio/play_clock.h"
#include "base/log.h"
#include "base/show.h"
#include "platform/audio_device.h"
#include "platform/mp3_decoder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

// One device and at most one stream: the demo plays a single piece of music.
//
// Threads: the main thread creates the stream before playback and afterwards asks for the
// position, and in the studio seeks and pauses; the device's thread decodes in the pull function.
// The stream's decoder and flags are changed by the main thread only under the device lock, and
// the play clock is shared under `clockLock`, so reading the position never waits for a decode.
//
// The device runs at the stream's rate, so the play clock counts frames of one rate: a decoder
// that converts rates decodes at the device's; one that keeps the music's own rate gets the
// device reopened at it.

static const int frameBytes = 2 * int(sizeof(int16_t)); // signed 16-bit stereo

struct Stream {
    Mp3Decoder* decoder = nullptr; // null for music held in memory
    std::vector<int16_t> samples;  // the music in memory, interleaved stereo
    int64_t sampleFrame = 0;       // the next frame of `samples` to play
    int32_t rate = 0;
    bool playing = false; // set and read under the device lock
    bool paused = false;
    bool decodeEnded = false;
};

static bool deviceOpen = false;
static bool outputStarted = false;
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

// Fills `out` with music while there is some; returns the frames of music, the rest is silent.
static uint32_t decodeInto(Stream& s, int16_t* out, int32_t frames) {
    if (!s.decoder) {
        const int64_t left = int64_t(s.samples.size() / 2) - s.sampleFrame;
        const int32_t n = int32_t(std::clamp<int64_t>(left, 0, frames));
        std::memcpy(out, s.samples.data() + 2 * s.sampleFrame, size_t(n) * frameBytes);
        s.sampleFrame += n;
        s.decodeEnded = n < frames;
        return uint32_t(n);
    }
    int32_t filled = 0;
    while (filled < frames && !s.decodeEnded) {
        int32_t got = mp3Read(s.decoder, out + 2 * filled, frames - filled);
        if (got <= 0) s.decodeEnded = true; // end, or a broken frame
        filled += std::max(got, 0);
    }
    return uint32_t(filled);
}

static void pullFrames(void*, int16_t* out, int32_t frames) {
    std::memset(out, 0, size_t(frames) * frameBytes); // signed 16-bit silence
    if (!stream || !stream->playing || stream->paused) return;
    uint32_t music = decodeInto(*stream, out, frames);
    std::lock_guard<std::mutex> guard(clockLock);
    playClockHanded(playClock, monotonicNs(), uint32_t(frames), music);
}

static bool isStream(AudioStream handle) {
    return handle && handle == streamHandle;
}

// Under the device lock: the music goes on from `frame`, and the clock counts from there.
static int moveTo(Stream& s, int64_t frame) {
    if (s.decoder && !mp3Seek(s.decoder, frame)) return 0;
    if (!s.decoder) s.sampleFrame = std::min(frame, int64_t(s.samples.size() / 2));
    s.decodeEnded = false;
    std::lock_guard<std::mutex> guard(clockLock);
    playClockStart(playClock, s.rate, audioDeviceLatencyFrames(), frame);
    return 1;
}

int audioInitDevice(int, int frequency, uint32_t) {
    if (deviceOpen) return 1;
    deviceOpen = audioDeviceOpen(stream ? stream->rate : frequency, pullFrames, nullptr) != 0;
    return deviceOpen ? 1 : 0;
}

// With no stream installed: runs the open device at `rate`, output going on if it had started.
// When the device cannot take that rate it goes back to the one it had, and the answer is 0.
static int reopenDeviceAt(int32_t rate) {
    int32_t before = audioDeviceRate();
    if (!deviceOpen || before == rate) return 1;
    audioDeviceClose();
    int ok = audioDeviceOpen(rate, pullFrames, nullptr);
    deviceOpen = ok || audioDeviceOpen(before, pullFrames, nullptr);
    if (deviceOpen && outputStarted) audioDeviceStart();
    return ok;
}

static void closeStream() {
    if (!stream) return;
    audioDeviceLock();
    Stream* old = stream;
    stream = nullptr;
    streamHandle = 0;
    audioDeviceUnlock();
    mp3Close(old->decoder);
    delete old;
}

// Makes `created` the one stream, at its start, in place of the one there was.
static AudioStream installStream(Stream* created) {
    closeStream();
    audioDeviceLock();
    stream = created;
    streamHandle = nextHandle++;
    {
        std::lock_guard<std::mutex> guard(clockLock);
        playClock = PlayClock{};
        playClockStart(playClock, created->rate, audioDeviceLatencyFrames(), 0);
    }
    audioDeviceUnlock();
    lastReportedBytes = 0;
    return streamHandle;
}

AudioStream audioCreateFileStream(const char* path, uint64_t offset, uint64_t length, uint32_t) {
    if (offset != 0 || length != 0) {
        logMessage("audio", "%s: only whole files can be played", path);
        return 0;
    }
    // Stereo at the device's rate, or at the file's own where the decoder keeps it.
    int32_t rate = deviceOpen ? audioDeviceRate() : showAudioRate;
    const char* problem = "";
    Mp3Decoder* decoder = mp3Open(path, rate, &problem);
    if (!decoder) {
        logMessage("audio", "%s: %s", path, problem);
        return 0;
    }
    if (mp3Rate(decoder) != rate) {
        closeStream();
        if (!reopenDeviceAt(mp3Rate(decoder))) {
            logMessage("audio", "%s: the output device does not play music at %d Hz", path,
                       int(mp3Rate(decoder)));
            mp3Close(decoder);
            return 0;
        }
    }
    Stream* created = new Stream;
    created->decoder = decoder;
    created->rate = mp3Rate(decoder);
    return installStream(created);
}

AudioStream audioCreateMemoryStream(const int16_t* frames, int64_t frameCount, int32_t rate) {
    if (!frames || frameCount < 0 || rate <= 0 || (deviceOpen && rate != audioDeviceRate())) {
        logMessage("audio", "music in memory at %d Hz cannot be played here", rate);
        return 0;
    }
    Stream* created = new Stream;
    created->samples.assign(frames, frames + 2 * frameCount);
    created->rate = rate;
    return installStream(created);
}

int audioStartOutput() {
    if (!deviceOpen || !audioDeviceStart()) return 0;
    outputStarted = true;
    return 1;
}

// Under the device lock: leaves the pause, going on from the held frame.
static int goOn(Stream& s) {
    int64_t held = 0;
    {
        std::lock_guard<std::mutex> guard(clockLock);
        held = playClockPause(playClock, monotonicNs(), false);
    }
    s.paused = false;
    return moveTo(s, held);
}

int audioPlay(AudioStream handle, int restart) {
    if (!isStream(handle)) return 0;
    audioDeviceLock();
    int ok = 1;
    if (restart) {
        ok = moveTo(*stream, 0);
    } else if (!stream->playing) {
        // Nothing was handed yet: count from where the stream is, with the device's latency now
        // (the device may have been opened after the stream).
        std::lock_guard<std::mutex> guard(clockLock);
        playClockStart(playClock, stream->rate, audioDeviceLatencyFrames(), playClock.startFrame);
    }
    if (ok && stream->paused) ok = goOn(*stream);
    if (ok) stream->playing = true;
    audioDeviceUnlock();
    return ok;
}

int audioSeek(AudioStream handle, uint64_t bytes) {
    if (!isStream(handle)) return 0;
    int64_t frame = int64_t(std::min<uint64_t>(bytes / frameBytes, INT64_MAX));
    audioDeviceLock();
    int64_t length =
        stream->decoder ? mp3LengthFrames(stream->decoder) : int64_t(stream->samples.size() / 2);
    if (length >= 0) frame = std::min(frame, length);
    int ok = moveTo(*stream, frame);
    audioDeviceUnlock();
    return ok;
}

int audioPause(AudioStream handle, int paused) {
    if (!isStream(handle)) return 0;
    audioDeviceLock();
    int ok = 1;
    if (paused && !stream->paused) {
        std::lock_guard<std::mutex> guard(clockLock);
        playClockPause(playClock, monotonicNs(), true);
        stream->paused = true;
    } else if (!paused && stream->paused) {
        ok = goOn(*stream);
    }
    audioDeviceUnlock();
    return ok;
}

uint64_t audioBytePosition(AudioStream handle) {
    if (!isStream(handle)) return lastReportedBytes;
    int64_t frame = 0;
    {
        std::lock_guard<std::mutex> guard(clockLock);
        frame = playClockPosition(playClock, monotonicNs());
    }
    lastReportedBytes = uint64_t(frame) * frameBytes;
    return lastReportedBytes;
}

double audioBytesToSeconds(AudioStream handle, uint64_t bytes) {
    if (!isStream(handle) || stream->rate <= 0) return -1.0;
    return double(bytes) / double(frameBytes) / double(stream->rate);
}

uint64_t audioSecondsToBytes(AudioStream handle, double seconds) {
    if (!isStream(handle) || !(seconds > 0.0)) return 0;
    double frames = std::min(seconds * double(stream->rate), 1e15); // far past any music
    return uint64_t(std::llround(frames)) * frameBytes;
}

void audioShutdown() {
    audioDeviceClose();
    deviceOpen = outputStarted = false;
    closeStream();
    lastReportedBytes = 0;
    std::lock_guard<std::mutex> guard(clockLock);
    playClock = PlayClock{};
}
