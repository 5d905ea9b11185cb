// The audio output device: signed 16-bit stereo PCM, pulled by a callback on the device's thread.
//
// audioDeviceOpen opens the default output at the asked rate with output paused; the pull
// function then runs on the device's own thread whenever the device wants frames, and must fill
// every frame it is asked for (silence when it has nothing). audioDeviceLock keeps the pull
// function from running, for state the main thread shares with it.
#pragma once
#include <cstdint>

using AudioPullFunction = void (*)(void* context, int16_t* frames, int32_t frameCount);

// Opens the default output device; non-zero on success, 0 after one stderr line naming the cause.
int audioDeviceOpen(int32_t rate, AudioPullFunction pull, void* context);

// The rate the device really runs at, in frames a second (0 when not open).
int32_t audioDeviceRate();

// Frames the device still holds beyond the buffer it is playing now: the latency between a
// buffer handed over and its first sample being heard (0 for devices that consume on hand-over).
uint32_t audioDeviceLatencyFrames();

// Starts output; non-zero on success.
int audioDeviceStart();

// Keeps the pull function from running until audioDeviceUnlock.
void audioDeviceLock();
void audioDeviceUnlock();

// Stops and closes the device; the pull function is not called again.
void audioDeviceClose();
