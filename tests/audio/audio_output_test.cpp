// The audio output layer played through SDL's real driver stack: the dummy driver for the clock's
// behaviour against the wall clock, the disk driver for the exact bytes handed to the device.
#include "audio/audio_output.h"
#include "base/show.h"
#include "support/demo_folder.h"
#include "support/test_mp3.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <thread>

using Clock = std::chrono::steady_clock;

static const double bytesPerSecond = 44100.0 * 4.0;
// Long enough for a device thread that a busy machine runs late: the deadline of every wait.
static const double waitSeconds = 30.0;

class AudioOutput : public ::testing::Test {
  protected:
    static inline TempFolder* folder = nullptr;
    static inline std::string toneMp3;
    static inline size_t toneFrames = 0;

    static void SetUpTestSuite() {
        folder = new TempFolder;
        toneFrames = writeToneWav(folder->file("tone.wav"), 2.5, 440.0);
        toneMp3 = folder->file("tone.mp3");
        ASSERT_TRUE(encodeMp3(folder->file("tone.wav"), toneMp3));
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    void TearDown() override {
        audioShutdown();
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
    }
    static void useDriver(const char* driver) { setenv("SDL_AUDIODRIVER", driver, 1); }

    // Whether the device received silence, then `size` bytes of `music` intact, then silence only.
    static bool receivedMusicBetweenSilences(const std::string& written, const uint8_t* music,
                                             size_t size) {
        size_t lead = 0;
        while (lead < written.size() && written[lead] == 0)
            ++lead;
        lead -= lead % 4;
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(written.data());
        // The music can start with silent samples of its own.
        for (size_t offset = lead + 4; offset-- > 0;) {
            if (offset + size > written.size() || !std::equal(music, music + size, bytes + offset))
                continue;
            return std::all_of(bytes + offset + size, bytes + written.size(),
                               [](uint8_t b) { return b == 0; });
        }
        return false;
    }

    // Polls the position until it reaches `target` bytes or `seconds` pass.
    static uint64_t waitForPosition(AudioStream stream, uint64_t target, double seconds) {
        auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        uint64_t position = 0;
        while (Clock::now() < deadline && (position = audioBytePosition(stream)) < target)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return position;
    }
};

TEST_F(AudioOutput, ClockNeverGoesBackAndMovesBetweenCallbacksOnTheDummyDriver) {
    useDriver("dummy");
    ASSERT_NE(audioInitDevice(-1, 44100, 0), 0);
    AudioStream stream = audioCreateFileStream(toneMp3.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(audioBytePosition(stream), 0u) << "nothing is heard before play";

    audioStartOutput();
    audioPlay(stream, 0);
    ASSERT_GT(waitForPosition(stream, 1, waitSeconds), 0u) << "the music is never heard";
    // Sampled from the first move for 1.5 s of music (of the tone's 2.5 s), however long the
    // machine takes to play that.
    auto start = Clock::now();
    auto deadline = start + std::chrono::duration<double>(waitSeconds);
    std::vector<double> wall, music; // seconds
    uint64_t previous = 0;
    int backwardSteps = 0;
    while (Clock::now() < deadline && previous < uint64_t(1.5 * bytesPerSecond)) {
        uint64_t position = audioBytePosition(stream);
        if (position < previous) ++backwardSteps;
        previous = position;
        wall.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        music.push_back(double(position) / bytesPerSecond);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(backwardSteps, 0);
    ASSERT_GE(previous, uint64_t(1.5 * bytesPerSecond)) << "the music stalled";

    // How closely the clock follows real time is measured by bench_clock (on a quiet machine:
    // within about a millisecond of a straight line); here the test checks only what holds on
    // a loaded machine too: the clock runs at about real speed, and it moves between device
    // callbacks instead of jumping a whole buffer at a time. Positions read only at callbacks
    // would all fall on buffer boundaries (the dummy driver holds no latency), so it is enough
    // that many fall inside a buffer, whichever moments the sampling thread got to run.
    double rate = (music.back() - music.front()) / (wall.back() - wall.front());
    EXPECT_GT(rate, 0.5);
    EXPECT_LT(rate, 1.5);
    const uint64_t bufferFrames = 2048; // the SDL backend's buffer
    std::vector<double> inside;
    for (double seconds : music) {
        const uint64_t frame = uint64_t(std::llround(seconds * 44100.0));
        if (frame % bufferFrames != 0) inside.push_back(seconds);
    }
    size_t distinctInside = size_t(std::unique(inside.begin(), inside.end()) - inside.begin());
    EXPECT_GT(distinctInside, 20u) << distinctInside << " distinct positions inside a buffer";
}

TEST_F(AudioOutput, DiskDriverReceivesExactlyTheGaplessDecodeAndTheClockEndsAtItsLength) {
    std::string raw = folder->file("out.raw");
    useDriver("disk");
    setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    ASSERT_NE(audioInitDevice(-1, 44100, 0), 0);
    AudioStream stream = audioCreateFileStream(toneMp3.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    std::vector<uint8_t> decoded = decodeMp3(toneMp3);
    ASSERT_EQ(decoded.size(), toneFrames * 4) << "lame's delay and padding are not music";

    audioStartOutput();
    audioPlay(stream, 0);
    uint64_t end = waitForPosition(stream, decoded.size(), waitSeconds);
    EXPECT_EQ(end, decoded.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(audioBytePosition(stream), decoded.size()) << "the clock stays at the end";
    EXPECT_DOUBLE_EQ(audioBytesToSeconds(stream, end), double(toneFrames) / 44100.0);
    audioShutdown();

    EXPECT_TRUE(receivedMusicBetweenSilences(readFileBytes(raw), decoded.data(), decoded.size()))
        << "the device never received the decoded music intact";
}

// Music written at another rate or in mono (what most encoders write by default is 48 kHz)
// plays at the device's 44.1 kHz: the device receives libmpg123's resampled decode intact and the
// clock ends at its length.
TEST_F(AudioOutput, MusicAtOtherRatesAndInMonoPlaysResampledToTheDevice) {
    struct Case {
        const char* name;
        const char* lameOptions;
    };
    for (const Case& c : {Case{"48k", "--resample 48"}, Case{"32k-mono", "--resample 32 -m m"}}) {
        SCOPED_TRACE(c.name);
        const std::string mp3 = folder->file(std::string(c.name) + ".mp3");
        ASSERT_TRUE(encodeMp3(folder->file("tone.wav"), mp3, c.lameOptions));
        const std::string raw = folder->file(std::string(c.name) + ".raw");
        useDriver("disk");
        setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
        ASSERT_NE(audioInitDevice(-1, 44100, 0), 0);
        AudioStream stream = audioCreateFileStream(mp3.c_str(), 0, 0, 0);
        ASSERT_NE(stream, 0u);
        const std::vector<uint8_t> decoded = decodeMp3(mp3);
        ASSERT_GT(decoded.size(), 44100u * 4u);

        audioStartOutput();
        audioPlay(stream, 0);
        EXPECT_EQ(waitForPosition(stream, decoded.size(), waitSeconds), decoded.size());
        EXPECT_NEAR(audioBytesToSeconds(stream, decoded.size()), 2.5, 0.05);
        audioShutdown();
        EXPECT_TRUE(
            receivedMusicBetweenSilences(readFileBytes(raw), decoded.data(), decoded.size()))
            << "the device never received the resampled music intact";
    }
}

TEST_F(AudioOutput, SeekBeforePlayStartsTheMusicAtTheSeekedFrameOnTheDiskDriver) {
    std::string raw = folder->file("seeked.raw");
    useDriver("disk");
    setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    ASSERT_NE(audioInitDevice(-1, showAudioRate, 0), 0);
    AudioStream stream = audioCreateFileStream(toneMp3.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    std::vector<uint8_t> decoded = decodeMp3(toneMp3);
    const uint64_t seekBytes = 4 * uint64_t(toneFrames - 30011); // an odd frame within an MP3 frame
    ASSERT_NE(audioSeek(stream, seekBytes + 3), 0) << "a part of a frame rounds down";
    EXPECT_EQ(audioBytePosition(stream), seekBytes);

    audioStartOutput();
    audioPlay(stream, 0);
    EXPECT_EQ(waitForPosition(stream, decoded.size(), waitSeconds), decoded.size());
    audioShutdown();
    EXPECT_TRUE(receivedMusicBetweenSilences(readFileBytes(raw), decoded.data() + seekBytes,
                                             decoded.size() - seekBytes))
        << "the device did not receive the music from the seeked frame on, sample for sample";
}

TEST_F(AudioOutput, MusicInMemoryReplacesTheFileAndPlaysFromItsSeekOnTheDiskDriver) {
    std::string raw = folder->file("memory.raw");
    useDriver("disk");
    setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    ASSERT_NE(audioInitDevice(-1, showAudioRate, 0), 0);
    AudioStream file = audioCreateFileStream(toneMp3.c_str(), 0, 0, 0);
    std::vector<int16_t> samples(2 * 20000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(i % 2 ? -int(i % 3001) : int(i % 2999) + 1);
    EXPECT_EQ(audioCreateMemoryStream(samples.data(), 20000, showAudioRate / 2), 0u);
    AudioStream memory = audioCreateMemoryStream(samples.data(), 20000, showAudioRate);
    ASSERT_NE(memory, 0u);
    EXPECT_EQ(audioSeek(file, 0), 0) << "the file's stream was closed";
    ASSERT_NE(audioSeek(memory, 4 * 5001), 0);
    EXPECT_EQ(audioBytePosition(memory), 4u * 5001);
    audioStartOutput();
    audioPlay(memory, 0);
    EXPECT_EQ(waitForPosition(memory, 4 * 20000, waitSeconds), 4u * 20000);
    audioShutdown();
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(samples.data());
    EXPECT_TRUE(receivedMusicBetweenSilences(readFileBytes(raw), bytes + 4 * 5001, 4 * 14999));
}

// The studio's new music after a score is rendered again: it replaces the playing stream while
// the device runs, and goes on from the position it is given.
TEST_F(AudioOutput, MusicInMemoryReplacesAPlayingStreamAndGoesOnFromItsSeek) {
    useDriver("dummy");
    ASSERT_NE(audioInitDevice(-1, showAudioRate, 0), 0);
    AudioStream file = audioCreateFileStream(toneMp3.c_str(), 0, 0, 0);
    ASSERT_NE(file, 0u);
    audioStartOutput();
    audioPlay(file, 0);
    ASSERT_GT(waitForPosition(file, 1, waitSeconds), 0u);

    std::vector<int16_t> samples(2 * 66150, 1000); // 1.5 s
    AudioStream memory = audioCreateMemoryStream(samples.data(), 66150, showAudioRate);
    ASSERT_NE(memory, 0u);
    ASSERT_NE(audioPause(memory, 1), 0);
    ASSERT_NE(audioPlay(memory, 0), 0);
    ASSERT_NE(audioSeek(memory, 4 * 44100), 0);
    EXPECT_EQ(audioBytePosition(memory), 4u * 44100);
    ASSERT_NE(audioPause(memory, 0), 0);
    EXPECT_EQ(waitForPosition(memory, 4 * 66150, waitSeconds), 4u * 66150)
        << "the new music plays on from the seek to its end";
    EXPECT_EQ(audioSeek(file, 0), 0) << "the file's stream was closed";
}

TEST_F(AudioOutput, PauseHoldsThePositionAndSeekMovesItWhilePlaying) {
    useDriver("dummy");
    ASSERT_NE(audioInitDevice(-1, showAudioRate, 0), 0);
    AudioStream stream = audioCreateFileStream(toneMp3.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    audioStartOutput();
    audioPlay(stream, 0);
    ASSERT_GE(waitForPosition(stream, uint64_t(0.2 * bytesPerSecond), waitSeconds),
              uint64_t(0.2 * bytesPerSecond));

    ASSERT_NE(audioPause(stream, 1), 0);
    uint64_t held = audioBytePosition(stream);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(audioBytePosition(stream), held);
    ASSERT_NE(audioPause(stream, 0), 0);
    EXPECT_GT(waitForPosition(stream, held + 1, waitSeconds), held) << "it goes on after the pause";

    // Backwards while playing: the position reads the seeked frame, then counts on to the end.
    uint64_t before = audioBytePosition(stream);
    ASSERT_NE(audioSeek(stream, 4000), 0);
    uint64_t after = audioBytePosition(stream);
    EXPECT_GE(after, 4000u);
    EXPECT_LT(after, before);
    uint64_t size = toneFrames * 4;
    ASSERT_NE(audioSeek(stream, size - uint64_t(0.2 * bytesPerSecond)), 0);
    EXPECT_EQ(waitForPosition(stream, size, waitSeconds), size);
    EXPECT_NE(audioSeek(stream, size * 10), 0) << "past the end means the end";
    EXPECT_EQ(audioBytePosition(stream), size);
}

TEST_F(AudioOutput, BytesConvertToSecondsFromTheStreamFormat) {
    useDriver("dummy");
    ASSERT_NE(audioInitDevice(-1, 44100, 0), 0);
    AudioStream stream = audioCreateFileStream(toneMp3.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    EXPECT_DOUBLE_EQ(audioBytesToSeconds(stream, 176400), 1.0);
    EXPECT_DOUBLE_EQ(audioBytesToSeconds(stream, 0), 0.0);
    EXPECT_DOUBLE_EQ(audioBytesToSeconds(stream, 4), 1.0 / 44100.0);
    EXPECT_LT(audioBytesToSeconds(0, 176400), 0.0) << "no stream, no conversion";
}

TEST_F(AudioOutput, FilesThatAreNotMusicFailStreamCreation) {
    useDriver("dummy");
    ASSERT_NE(audioInitDevice(-1, 44100, 0), 0);
    EXPECT_EQ(audioCreateFileStream(folder->file("missing.mp3").c_str(), 0, 0, 0), 0u);

    writeFileBytes(folder->file("empty.mp3"), "");
    EXPECT_EQ(audioCreateFileStream(folder->file("empty.mp3").c_str(), 0, 0, 0), 0u);

    std::mt19937 random(1234);
    std::string noise(65536, '\0');
    for (char& c : noise)
        c = char(random());
    writeFileBytes(folder->file("noise.mp3"), noise);
    EXPECT_EQ(audioCreateFileStream(folder->file("noise.mp3").c_str(), 0, 0, 0), 0u);

    writeFileBytes(folder->file("text.mp3"), "this is not music\n");
    EXPECT_EQ(audioCreateFileStream(folder->file("text.mp3").c_str(), 0, 0, 0), 0u);

    EXPECT_EQ(audioCreateFileStream(folder->path.c_str(), 0, 0, 0), 0u) << "a folder";
    EXPECT_EQ(audioPlay(0, 0), 0);
}

TEST_F(AudioOutput, TruncatedFilePlaysWhatItHolds) {
    std::string whole = readFileBytes(toneMp3);
    std::string cut = folder->file("cut.mp3");
    writeFileBytes(cut, whole.substr(0, whole.size() / 2));
    std::vector<uint8_t> decoded = decodeMp3(cut);
    ASSERT_GT(decoded.size(), 0u);
    ASSERT_LT(decoded.size(), toneFrames * 4);

    useDriver("dummy");
    ASSERT_NE(audioInitDevice(-1, 44100, 0), 0);
    AudioStream stream = audioCreateFileStream(cut.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    audioStartOutput();
    audioPlay(stream, 0);
    EXPECT_EQ(waitForPosition(stream, decoded.size(), waitSeconds), decoded.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(audioBytePosition(stream), decoded.size());
}

TEST_F(AudioOutput, MissingDriverFailsInitialisation) {
    useDriver("no-such-driver");
    EXPECT_EQ(audioInitDevice(-1, 44100, 0), 0);
}
