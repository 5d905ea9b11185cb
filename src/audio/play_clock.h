// The play position of music handed to an output device, worked out from what the device asked
// for and when: no device, thread or system clock inside, so the caller passes every time in
// (monotonic nanoseconds) and keeps the record under whatever lock its threads need.
//
// The model: at each device callback the buffer handed over before it starts playing, after the
// device's latency (frames it still holds beyond that buffer). Within a buffer the position
// moves at the rate with the time passed since its callback, never past the buffer's end. Only
// music counts: frames of silence handed after the end of the music are not, so the position
// stops at the music's end. The position never decreases, and it starts at the frame that play
// started from (0, or where a seek put it).
//
//   playClockStart(clock, rate, latency, frame)  (re)starts at music frame `frame`, nothing
//                                                handed yet; also what a seek does
//   playClockHanded(clock, now, frames, music)   a callback at `now` handed `frames` frames, of
//                                                which the first `music` were music
//   playClockPosition(clock, now)                the music frame heard at `now`
//   playClockPause(clock, now, paused)           pausing holds the position where it is; going
//                                                on restarts from that frame; returns it
#pragma once
#include <cstdint>

struct PlayClock {
    int32_t rate = 0;                // frames a second
    uint32_t latencyFrames = 0;      // held by the device beyond the buffer being played
    int64_t startFrame = 0;          // music frame where this run of play began
    uint64_t deviceFramesHanded = 0; // since startFrame, silence after the end included
    uint64_t musicFramesHanded = 0;  // since startFrame, music only
    uint32_t lastBufferFrames = 0;   // size of the latest callback's buffer
    int64_t lastCallbackNs = 0;      // when the latest callback ran
    int64_t reportedFrame = 0;       // the latest answer: the floor of the next
    bool paused = false;
};

// Starts counting from music frame `frame` with nothing handed yet; the position reads `frame`
// until the first callback. Keeps the pause state.
void playClockStart(PlayClock& clock, int32_t rate, uint32_t latencyFrames, int64_t frame);

// Records a device callback at `nowNs` that handed `frames` frames, the first `musicFrames` of
// them music and the rest silence. Ignored while paused.
void playClockHanded(PlayClock& clock, int64_t nowNs, uint32_t frames, uint32_t musicFrames);

// The music frame heard at `nowNs`: never less than the previous answer, never past the buffer
// being played nor past the last music frame handed.
int64_t playClockPosition(PlayClock& clock, int64_t nowNs);

// Pauses (the position holds at its value at `nowNs`) or goes on (counting restarts from the held
// frame, nothing handed). Returns the held frame: where the music must go on from.
int64_t playClockPause(PlayClock& clock, int64_t nowNs, bool paused);
