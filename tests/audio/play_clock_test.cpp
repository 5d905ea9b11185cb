// The play clock as pure arithmetic: device callbacks are simulated with chosen times and sizes.
#include "audio/play_clock.h"

#include <gtest/gtest.h>
#include <random>

static const int32_t rate = 44100;
static const uint32_t buffer = 2048;
static const int64_t msNs = 1000000;

// Nanoseconds that `frames` take to play at the rate.
static int64_t framesNs(int64_t frames) {
    return frames * 1000000000 / rate;
}

TEST(PlayClock, InterpolatesWithinTheBufferBeingPlayedAndTakesOffTheLatency) {
    for (uint32_t latency : {0u, buffer}) {
        SCOPED_TRACE(latency);
        PlayClock clock;
        playClockStart(clock, rate, latency, 0);
        EXPECT_EQ(playClockPosition(clock, 5 * msNs), 0) << "nothing handed, nothing heard";

        int64_t t0 = 1000 * msNs;
        playClockHanded(clock, t0, buffer, buffer);
        playClockHanded(clock, t0 + framesNs(buffer), buffer, buffer);
        int64_t second = t0 + framesNs(buffer); // the second buffer starts playing
        EXPECT_EQ(playClockPosition(clock, second), int64_t(buffer - latency));
        EXPECT_EQ(playClockPosition(clock, second + framesNs(1000) + 1),
                  int64_t(buffer + 1000 - latency));
        EXPECT_EQ(playClockPosition(clock, second + 10 * framesNs(buffer)),
                  int64_t(2 * buffer - latency))
            << "a late callback leaves the position at the end of the buffer being played";
    }
}

TEST(PlayClock, NeverDecreasesNorPassesTheBufferBeingPlayedUnderJitteryCallbacks) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int64_t> jitter(-framesNs(buffer) / 2, framesNs(buffer) / 2);
    std::uniform_int_distribution<int64_t> trail(0, 2 * msNs);
    for (uint32_t latency : {0u, buffer}) {
        PlayClock clock;
        playClockStart(clock, rate, latency, 0);
        int64_t now = 0, previous = 0, handed = 0, distinct = 0;
        for (int callback = 1; callback <= 400; ++callback) {
            // Callbacks come on average once a buffer, each up to half a buffer early or late;
            // readers sample every millisecond with times read up to 2 ms before they ask.
            int64_t next = int64_t(callback) * framesNs(buffer) + jitter(random);
            playClockHanded(clock, next, buffer, buffer);
            handed += buffer;
            for (; now < next + framesNs(buffer); now += msNs) {
                int64_t position = playClockPosition(clock, now - trail(random));
                ASSERT_GE(position, previous) << "callback " << callback;
                ASSERT_LE(position, handed - int64_t(latency)) << "callback " << callback;
                distinct += position != previous;
                previous = position;
            }
            now = next + msNs / 2; // the next callback may come before the reader got that far
        }
        EXPECT_GT(distinct, 400 * 20) << "the position moves between callbacks";
        EXPECT_GT(previous, int64_t(399 * buffer - latency));
    }
}

TEST(PlayClock, StopsAtTheEndOfTheMusic) {
    PlayClock clock;
    playClockStart(clock, rate, buffer, 0);
    const uint32_t lastMusic = 300;
    int64_t t = 0;
    for (int i = 0; i < 3; ++i)
        playClockHanded(clock, t += framesNs(buffer), buffer, buffer);
    playClockHanded(clock, t += framesNs(buffer), buffer, lastMusic); // the rest is silence
    for (int i = 0; i < 4; ++i)
        playClockHanded(clock, t += framesNs(buffer), buffer, 0);
    const int64_t end = 3 * buffer + lastMusic;
    EXPECT_EQ(playClockPosition(clock, t), end);
    EXPECT_EQ(playClockPosition(clock, t + 1000 * msNs), end);
}

TEST(PlayClock, StartsAtASeekedFrameAndCountsOnFromThere) {
    PlayClock clock;
    playClockStart(clock, rate, 0, 0);
    int64_t t = 0;
    for (int i = 0; i < 10; ++i)
        playClockHanded(clock, t += framesNs(buffer), buffer, buffer);
    ASSERT_EQ(playClockPosition(clock, t), 9 * int64_t(buffer));

    // Backwards: the position reads the seeked frame at once, before any callback.
    const int64_t seekFrame = 5000;
    playClockStart(clock, rate, buffer, seekFrame);
    EXPECT_EQ(playClockPosition(clock, t), seekFrame);
    EXPECT_EQ(playClockPosition(clock, t + 100 * msNs), seekFrame);
    playClockHanded(clock, t += framesNs(buffer), buffer, buffer);
    EXPECT_EQ(playClockPosition(clock, t), seekFrame) << "the first buffer is still in the device";
    playClockHanded(clock, t += framesNs(buffer), buffer, buffer);
    EXPECT_EQ(playClockPosition(clock, t + framesNs(100) + 1), seekFrame + 100);

    // Near the end: music runs out 50 frames after the seek.
    playClockStart(clock, rate, 0, 90000);
    playClockHanded(clock, t += framesNs(buffer), buffer, 50);
    EXPECT_EQ(playClockPosition(clock, t + 1000 * msNs), 90050);
}

TEST(PlayClock, PauseHoldsThePositionAndGoingOnCountsFromIt) {
    PlayClock clock;
    playClockStart(clock, rate, buffer, 0);
    int64_t t = 0;
    for (int i = 0; i < 4; ++i)
        playClockHanded(clock, t += framesNs(buffer), buffer, buffer);
    int64_t pausedAt = t + framesNs(700) + 1;
    int64_t held = playClockPause(clock, pausedAt, true);
    EXPECT_EQ(held, 2 * int64_t(buffer) + 700);
    EXPECT_EQ(playClockPause(clock, pausedAt + msNs, true), held)
        << "pausing twice changes nothing";

    // Silence handed while paused is not music, and time passing moves nothing.
    for (int i = 0; i < 5; ++i)
        playClockHanded(clock, t += framesNs(buffer), buffer, 0);
    EXPECT_EQ(playClockPosition(clock, t + 1000 * msNs), held);

    // A seek while paused moves the held frame.
    playClockStart(clock, rate, buffer, 3000);
    EXPECT_EQ(playClockPosition(clock, t), 3000);
    EXPECT_EQ(playClockPause(clock, t, false), 3000) << "the music goes on from the held frame";
    EXPECT_EQ(playClockPosition(clock, t + 1000 * msNs), 3000) << "nothing handed since";
    for (int i = 0; i < 2; ++i)
        playClockHanded(clock, t += framesNs(buffer), buffer, buffer);
    EXPECT_EQ(playClockPosition(clock, t + framesNs(10) + 1), 3000 + 10);
}
