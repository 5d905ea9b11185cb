// The output device on waveOut, which every Windows has: a ring of buffers that a feeder thread
// of ours fills through the pull function and queues, woken by the device's event each time a
// buffer has been played.
//
// The ring holds bufferCount buffers of bufferFrames frames. Once output runs, every buffer is
// queued except while the feeder refills one: the device plays one and holds the others, so a
// buffer handed over starts playing (bufferCount - 1) buffers later.
#include "base/log.h"
#include "platform/audio_device.h"

#include <windows.h>
// Multimedia declarations need windows.h first.
#include <mmsystem.h>

#include <atomic>
#include <mutex>
#include <thread>

static const int bufferCount = 4;
static const int bufferFrames = 2048; // 46 ms at 44.1 kHz; the ring is 186 ms
static const int channels = 2;

static HWAVEOUT device = nullptr;
static HANDLE bufferDone = nullptr; // set by the device when a buffer comes back, auto-reset
static WAVEHDR headers[bufferCount];
static int16_t buffers[bufferCount][bufferFrames * channels];
static bool queued[bufferCount];
static int32_t deviceRate = 0;
static AudioPullFunction pullFunction = nullptr;
static void* pullContext = nullptr;
static std::mutex pullLock; // held around each pull, and by audioDeviceLock
static std::thread feeder;
static std::atomic<bool> stopping{false};

static bool bufferFree(int i) {
    // The device sets WHDR_DONE from its own thread.
    DWORD flags = *static_cast<volatile DWORD*>(&headers[i].dwFlags);
    return !queued[i] || (flags & WHDR_DONE) != 0;
}

// Refills each buffer the device has given back, in ring order, then waits for the next one.
static void feed() {
    int next = 0;
    while (!stopping.load()) {
        while (bufferFree(next) && !stopping.load()) {
            {
                std::lock_guard<std::mutex> guard(pullLock);
                pullFunction(pullContext, buffers[next], bufferFrames);
            }
            headers[next].dwBufferLength = sizeof buffers[next];
            MMRESULT result = waveOutWrite(device, &headers[next], sizeof headers[next]);
            if (result != MMSYSERR_NOERROR) {
                logMessage("audio", "the output device stopped taking sound (waveOut error %u)",
                           unsigned(result));
                return;
            }
            queued[next] = true;
            next = (next + 1) % bufferCount;
        }
        WaitForSingleObject(bufferDone, INFINITE);
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
    for (int i = 0; i < bufferCount; ++i) {
        headers[i] = WAVEHDR{};
        headers[i].lpData = reinterpret_cast<LPSTR>(buffers[i]);
        headers[i].dwBufferLength = sizeof buffers[i];
        waveOutPrepareHeader(device, &headers[i], sizeof headers[i]);
        queued[i] = false;
    }
    deviceRate = rate;
    pullFunction = pull;
    pullContext = context;
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
    waveOutReset(device); // gives every queued buffer back
    for (int i = 0; i < bufferCount; ++i)
        waveOutUnprepareHeader(device, &headers[i], sizeof headers[i]);
    waveOutClose(device);
    CloseHandle(bufferDone);
    device = nullptr;
    bufferDone = nullptr;
    deviceRate = 0;
}
