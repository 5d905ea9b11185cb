// The output device on waveOut, which every Windows has: a feeder thread of ours fills buffers
// through the pull function and queues them.
//
// The feeder paces itself by the device's play position, not by buffers coming back: it hands
// over the next buffer when no more than bufferCount - 1 buffers remain ahead of what the device
// is playing, so every buffer starts playing (bufferCount - 1) buffers after its hand-over, the
// latency the play clock counts on. Drivers give buffers back at their own pace (Wine's as soon
// as they are copied into its mixer, long before they are heard), so there are spare headers.
// A position that stops moving while every buffer is back (a driver that does not count) does
// not stall the music: the feeder then goes on as buffers come back.
//
// A device can also go away while it plays (a sound server stopped, a card unplugged): waveOut
// then refuses buffers, or (Wine, its sound server gone) keeps them and holds the position for
// good. Either way the feeder says so in one line and goes on pulling at the device's rate by the
// system clock, the buffers unheard, so the music's clock keeps time without sound.
#include "base/log.h"
#include "platform/audio_device.h"

#include <windows.h>
// Multimedia declarations need windows.h first.
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

static const int bufferCount = 4; // buffers kept ahead of the play position
// Buffers last the same time at every rate (2048 frames at 44.1 kHz, 46 ms), so the latency and
// the feeder's pace do not depend on the music's rate; rates past 48 kHz get shorter ones.
static const int bufferFramesAt44100 = 2048;
static const int maxBufferFrames = 2240; // 46.4 ms at 48 kHz
static const int headerCount = 2 * bufferCount;
static const int channels = 2;
static const DWORD pollMilliseconds = 2; // besides the device's wake-ups
static const ULONGLONG stuckMilliseconds = 250;
// A position held this long with buffers queued means the device is gone; longer than any start-up
// lag seen (0.7 s under Wine on a loaded machine).
static const ULONGLONG lostMilliseconds = 3000;

static HWAVEOUT device = nullptr;
static HANDLE bufferDone = nullptr; // set by the device when a buffer comes back, auto-reset
static WAVEHDR headers[headerCount];
static int16_t buffers[headerCount][maxBufferFrames * channels];
static bool queued[headerCount];
static bool timerRaised = false; // timeBeginPeriod(1) in effect
static int32_t deviceRate = 0;
static int bufferFrames = 0; // at deviceRate
static AudioPullFunction pullFunction = nullptr;
static void* pullContext = nullptr;
static std::mutex pullLock; // held around each pull, and by audioDeviceLock
static std::thread feeder;
static std::atomic<bool> stopping{false};

static bool headerDone(int i) {
    // The device sets WHDR_DONE from its own thread.
    DWORD flags = *static_cast<volatile DWORD*>(&headers[i].dwFlags);
    return !queued[i] || (flags & WHDR_DONE) != 0;
}

// Frames the device has played, modulo 2^32 (as waveOutGetPosition counts).
static uint32_t playedFrames() {
    MMTIME time{};
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(device, &time, sizeof time) != MMSYSERR_NOERROR) return 0;
    if (time.wType == TIME_SAMPLES) return time.u.sample;
    if (time.wType == TIME_BYTES) return time.u.cb / (channels * sizeof(int16_t));
    if (time.wType == TIME_MS) return uint32_t(uint64_t(time.u.ms) * uint32_t(deviceRate) / 1000);
    return 0;
}

static bool allHeadersDone() {
    for (int i = 0; i < headerCount; ++i)
        if (!headerDone(i)) return false;
    return true;
}

// After the device is lost: the pull function goes on at the device's rate by the steady clock,
// into a buffer of its own (the device may still hold the queued ones).
static void pullUnheard() {
    using Clock = std::chrono::steady_clock;
    std::vector<int16_t> unheardFrames(size_t(bufferFrames) * channels);
    int16_t* unheard = unheardFrames.data();
    const auto start = Clock::now();
    const double secondsPerBuffer = double(bufferFrames) / deviceRate;
    uint64_t pulled = 0;
    while (!stopping.load()) {
        const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(secondsPerBuffer * pulled));
        if (Clock::now() < due) {
            WaitForSingleObject(bufferDone, pollMilliseconds);
            continue;
        }
        std::lock_guard<std::mutex> guard(pullLock);
        pullFunction(pullContext, unheard, bufferFrames);
        ++pulled;
    }
}

static void feed() {
    const uint32_t keepAhead = (bufferCount - 1) * bufferFrames;
    uint32_t written = 0; // frames handed over, modulo 2^32 like the position
    uint32_t lastPlayed = 0;
    ULONGLONG lastMove = GetTickCount64();
    int next = 0;
    while (!stopping.load()) {
        for (;;) {
            uint32_t played = playedFrames();
            ULONGLONG now = GetTickCount64();
            if (played != lastPlayed) lastPlayed = played, lastMove = now;
            if (now - lastMove > lostMilliseconds && written != played && !allHeadersDone()) {
                logMessage("audio",
                           "the output device stopped playing (its position held for "
                           "%llu s); playing on without sound",
                           (unsigned long long)(lostMilliseconds / 1000));
                pullUnheard();
                return;
            }
            bool due = uint32_t(written - played) <= keepAhead ||
                       (now - lastMove > stuckMilliseconds && allHeadersDone());
            if (stopping.load() || !headerDone(next) || !due) break;
            {
                std::lock_guard<std::mutex> guard(pullLock);
                pullFunction(pullContext, buffers[next], bufferFrames);
            }
            MMRESULT result = waveOutWrite(device, &headers[next], sizeof headers[next]);
            if (result != MMSYSERR_NOERROR) {
                logMessage("audio",
                           "the output device stopped taking sound (waveOut error %u); playing "
                           "on without sound",
                           unsigned(result));
                pullUnheard();
                return;
            }
            queued[next] = true;
            written += bufferFrames;
            next = (next + 1) % headerCount;
        }
        WaitForSingleObject(bufferDone, pollMilliseconds);
    }
}

static void describeError(MMRESULT result, char* text, UINT size) {
    if (waveOutGetErrorTextA(result, text, size) != MMSYSERR_NOERROR)
        snprintf(text, size, "waveOut error %u", unsigned(result));
}

int audioDeviceOpen(int32_t rate, AudioPullFunction pull, void* context) {
    if (device) return 1;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = DWORD(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = channels * sizeof(int16_t);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    bufferDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!bufferDone) {
        logMessage("audio", "cannot create an event for the output device (error %lu)",
                   GetLastError());
        return 0;
    }
    MMRESULT result =
        waveOutOpen(&device, WAVE_MAPPER, &format, DWORD_PTR(bufferDone), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        char text[MAXERRORLENGTH + 32];
        describeError(result, text, sizeof text);
        logMessage("audio", "cannot open the default output device (%u output devices): %s",
                   waveOutGetNumDevs(), text);
        device = nullptr;
        CloseHandle(bufferDone);
        bufferDone = nullptr;
        return 0;
    }
    bufferFrames = int(std::clamp<int64_t>((int64_t(rate) * bufferFramesAt44100 + 22050) / 44100,
                                           64, maxBufferFrames));
    for (int i = 0; i < headerCount; ++i) {
        headers[i] = WAVEHDR{};
        headers[i].lpData = reinterpret_cast<LPSTR>(buffers[i]);
        headers[i].dwBufferLength = DWORD(bufferFrames * channels * sizeof(int16_t));
        waveOutPrepareHeader(device, &headers[i], sizeof headers[i]);
        queued[i] = false;
    }
    deviceRate = rate;
    pullFunction = pull;
    pullContext = context;
    // A program may end without closing the device (the demo leaves it to process exit): the
    // feeder must stop before static objects go, its own thread object and the pull function's
    // state among them. Handlers registered now run before those objects are destroyed.
    static bool closeAtExit = false;
    if (!closeAtExit) closeAtExit = std::atexit(audioDeviceClose) == 0;
    return 1;
}

int32_t audioDeviceRate() {
    return device ? deviceRate : 0;
}

uint32_t audioDeviceLatencyFrames() {
    return device ? (bufferCount - 1) * bufferFrames : 0;
}

int audioDeviceStart() {
    if (!device) return 0;
    if (feeder.joinable()) return 1;
    // The feeder's short waits need the system timer at its finest.
    timerRaised = timeBeginPeriod(1) == TIMERR_NOERROR;
    stopping = false;
    feeder = std::thread(feed);
    return 1;
}

void audioDeviceLock() {
    pullLock.lock();
}

void audioDeviceUnlock() {
    pullLock.unlock();
}

void audioDeviceClose() {
    if (!device) return;
    if (feeder.joinable()) {
        stopping = true;
        SetEvent(bufferDone);
        feeder.join();
    }
    if (timerRaised) timeEndPeriod(1);
    timerRaised = false;
    waveOutReset(device); // gives every queued buffer back
    for (int i = 0; i < headerCount; ++i)
        waveOutUnprepareHeader(device, &headers[i], sizeof headers[i]);
    waveOutClose(device);
    CloseHandle(bufferDone);
    device = nullptr;
    bufferDone = nullptr;
    deviceRate = 0;
}
