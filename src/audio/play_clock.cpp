#include "audio/play_clock.h"

#include <algorithm>

void playClockStart(PlayClock& clock, int32_t rate, uint32_t latencyFrames, int64_t frame) {
    bool paused = clock.paused;
    clock = PlayClock{};
    clock.rate = rate;
    clock.latencyFrames = latencyFrames;
    clock.startFrame = frame;
    clock.reportedFrame = frame;
    clock.paused = paused;
}

void playClockHanded(PlayClock& clock, int64_t nowNs, uint32_t frames, uint32_t musicFrames) {
    if (clock.paused) return;
    clock.deviceFramesHanded += frames;
    clock.musicFramesHanded += std::min(musicFrames, frames);
    clock.lastBufferFrames = frames;
    clock.lastCallbackNs = nowNs;
}

int64_t playClockPosition(PlayClock& clock, int64_t nowNs) {
    if (clock.paused || clock.deviceFramesHanded == 0) return clock.reportedFrame;
    // A caller's clock read just before the callback's own can be a little behind it.
    double elapsedNs = std::max(0.0, double(nowNs - clock.lastCallbackNs));
    uint64_t intoBuffer = uint64_t(elapsedNs * 1e-9 * double(clock.rate));
    intoBuffer = std::min<uint64_t>(intoBuffer, clock.lastBufferFrames);
    uint64_t started = clock.deviceFramesHanded - clock.lastBufferFrames + intoBuffer;
    uint64_t heard = started > clock.latencyFrames ? started - clock.latencyFrames : 0;
    int64_t position = clock.startFrame + int64_t(std::min(heard, clock.musicFramesHanded));
    clock.reportedFrame = std::max(clock.reportedFrame, position);
    return clock.reportedFrame;
}

int64_t playClockPause(PlayClock& clock, int64_t nowNs, bool paused) {
    if (paused == clock.paused)
        return paused ? clock.reportedFrame : playClockPosition(clock, nowNs);
    if (paused) {
        int64_t held = playClockPosition(clock, nowNs);
        clock.paused = true;
        return held;
    }
    // What the device still held at the pause was never heard: counting starts again from the
    // held frame, which is where the caller makes the music go on.
    clock.paused = false;
    playClockStart(clock, clock.rate, clock.latencyFrames, clock.reportedFrame);
    return clock.reportedFrame;
}
