// The output device on SDL2's audio subsystem: a callback device whose thread calls the pull
// function with the device's buffer.
//
// When the device goes away while it plays (a sound server stopped, a card unplugged), SDL goes on
// calling back at the device's pace with a buffer nobody hears: the pull function, and so the play
// clock, runs on silently, and the first such call says so in one line.
#include "base/log.h"
#include "platform/audio_device.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <cstring>

static const int bufferFrames = 2048; // 46 ms at 44.1 kHz; SDL rounds other sizes to powers of two
static const int frameBytes = 2 * int(sizeof(int16_t));

static SDL_AudioDeviceID device = 0;
static SDL_AudioSpec deviceSpec;
static uint32_t latencyFrames = 0;
static AudioPullFunction pullFunction = nullptr;
static void* pullContext = nullptr;
static std::atomic<bool> lossReported{false};

static void deviceCallback(void*, Uint8* out, int length) {
    // SDL calls back only while output runs, so a device that reads as stopped here was lost.
    if (SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_STOPPED && !lossReported.exchange(true)) {
        const char* driver = SDL_GetCurrentAudioDriver();
        logMessage("audio", "the output device was lost (driver %s); playing on without sound",
                   driver ? driver : "none");
    }
    pullFunction(pullContext, reinterpret_cast<int16_t*>(out), int32_t(length / frameBytes));
}

int audioDeviceOpen(int32_t rate, AudioPullFunction pull, void* context) {
    if (device) return 1;
    // SDL would otherwise turn SIGINT and SIGTERM into an event of its own that this program never
    // reads (the quit-signal seam handles them).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        logMessage("audio", "cannot start the audio subsystem: %s", SDL_GetError());
        return 0;
    }
    pullFunction = pull;
    pullContext = context;
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = bufferFrames;
    want.callback = deviceCallback;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &deviceSpec, 0);
    if (!device) {
        const char* driver = SDL_GetCurrentAudioDriver();
        logMessage("audio", "cannot open the default output device (driver %s): %s",
                   driver ? driver : "none", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    // The dummy and disk drivers consume each buffer as it is handed over; sound cards and sound
    // servers play the buffer handed before while the next one is being filled.
    const char* driver = SDL_GetCurrentAudioDriver();
    bool immediate = driver && (!std::strcmp(driver, "dummy") || !std::strcmp(driver, "disk"));
    latencyFrames = immediate ? 0 : deviceSpec.samples;
    lossReported = false;
    return 1;
}

int32_t audioDeviceRate() {
    return device ? deviceSpec.freq : 0;
}

uint32_t audioDeviceLatencyFrames() {
    return device ? latencyFrames : 0;
}

int audioDeviceStart() {
    if (!device) return 0;
    SDL_PauseAudioDevice(device, 0);
    return 1;
}

void audioDeviceLock() {
    if (device) SDL_LockAudioDevice(device);
}

void audioDeviceUnlock() {
    if (device) SDL_UnlockAudioDevice(device);
}

void audioDeviceClose() {
    if (!device) return;
    SDL_PauseAudioDevice(device, 1);
    SDL_CloseAudioDevice(device);
    device = 0;
    latencyFrames = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
