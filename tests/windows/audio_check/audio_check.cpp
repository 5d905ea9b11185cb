// brumelt-audio-check: runs the Windows audio backends for the Linux suite, which starts it under
// Wine and judges what it prints and writes (tests/windows/wine_audio_test.cpp).
//
//   decode MP3 OUT.raw      decodes (at the file's rate); writes the PCM; prints
//                           "frames N length L rate R"
//   decode-many MP3...      decodes each file; prints "PATH frames N" or "PATH failed: problem"
//   seek MP3                checks that reads after seeks (back and forth) equal a straight decode
//   play SECONDS            plays a tone; prints the play position against the wall clock over
//                           SECONDS from its first move
//   play-file MP3           plays the file to its end through the stream layer, as the demo
//                           does; prints its position in seconds against the wall clock
//   open                    opens and closes the output device
//   leave                   opens the device, plays a moment and ends without closing it
//
// Exit status: 0 done, 1 no output device, 2 the music could not be opened, 3 a check failed,
// 4 wrong arguments.
#include "audio/audio_output.h"
#include "audio/play_clock.h"
#include "base/log.h"
#include "platform/audio_device.h"
#include "platform/mp3_decoder.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

static const int32_t rate = 44100;

static std::vector<int16_t> decodeAll(Mp3Decoder* decoder) {
    std::vector<int16_t> pcm;
    int16_t block[4096 * 2];
    while (int32_t frames = mp3Read(decoder, block, 4096))
        pcm.insert(pcm.end(), block, block + 2 * frames);
    return pcm;
}

static Mp3Decoder* openOrReport(const char* path) {
    const char* problem = nullptr;
    Mp3Decoder* decoder = mp3Open(path, rate, &problem);
    if (!decoder) logMessage("audio", "%s: %s", path, problem);
    return decoder;
}

static int decode(const char* path, const char* outPath) {
    Mp3Decoder* decoder = openOrReport(path);
    if (!decoder) return 2;
    int64_t length = mp3LengthFrames(decoder);
    int32_t fileRate = mp3Rate(decoder);
    std::vector<int16_t> pcm = decodeAll(decoder);
    mp3Close(decoder);
    FILE* out = std::fopen(outPath, "wb");
    if (!out || std::fwrite(pcm.data(), sizeof(int16_t), pcm.size(), out) != pcm.size()) {
        logMessage("check", "%s: cannot write", outPath);
        return 3;
    }
    std::fclose(out);
    std::printf("frames %zu length %lld rate %d\n", pcm.size() / 2, (long long)length,
                int(fileRate));
    return 0;
}

static int decodeMany(int count, char** paths) {
    for (int i = 0; i < count; ++i) {
        const char* problem = nullptr;
        Mp3Decoder* decoder = mp3Open(paths[i], rate, &problem);
        if (!decoder) {
            std::printf("%s failed: %s\n", paths[i], problem);
            continue;
        }
        std::printf("%s frames %zu\n", paths[i], decodeAll(decoder).size() / 2);
        mp3Close(decoder);
    }
    return 0;
}

// Reads `frames` frames at `from` after a seek and compares them with the straight decode.
static bool seekMatches(Mp3Decoder* decoder, const std::vector<int16_t>& straight, int64_t from,
                        int32_t frames) {
    int64_t total = int64_t(straight.size() / 2);
    if (!mp3Seek(decoder, from)) return false;
    std::vector<int16_t> got(size_t(frames) * 2);
    int32_t read = mp3Read(decoder, got.data(), frames);
    int64_t expected = std::clamp<int64_t>(total - from, 0, frames);
    if (read != expected) {
        std::printf("seek to %lld: read %d frames, expected %lld\n", (long long)from, read,
                    (long long)expected);
        return false;
    }
    if (!std::equal(got.begin(), got.begin() + 2 * read, straight.begin() + 2 * from)) {
        std::printf("seek to %lld: the samples differ from a straight decode\n", (long long)from);
        return false;
    }
    return true;
}

static int seekCheck(const char* path) {
    Mp3Decoder* decoder = openOrReport(path);
    if (!decoder) return 2;
    std::vector<int16_t> straight = decodeAll(decoder);
    int64_t total = int64_t(straight.size() / 2);
    // Backwards from the end, forwards across frame edges, the very start and past the end.
    const int64_t targets[] = {total / 2, 1, total - 1000, 1152 * 3 + 7, 0, total + 5000, 40000};
    bool ok = total > 50000;
    for (int64_t target : targets)
        ok = seekMatches(decoder, straight, std::min(target, total), 3000) && ok;
    mp3Close(decoder);
    std::printf("seek %s over %lld frames\n", ok ? "ok" : "FAILED", (long long)total);
    return ok ? 0 : 3;
}

// The pull side of `play`: a quiet tone, and the play clock that the stream layer keeps the same
// way (audio/audio_output.cpp), fed with QueryPerformanceCounter times.
struct Player {
    std::mutex lock; // the clock is shared by the device thread and the main thread
    PlayClock clock;
    double phase = 0.0;
};

static int64_t nowNs() {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return int64_t(double(now.QuadPart) * 1e9 / double(frequency.QuadPart));
}

static void pullTone(void* context, int16_t* frames, int32_t count) {
    Player* player = static_cast<Player*>(context);
    for (int32_t i = 0; i < count; ++i) {
        int16_t s = int16_t(3000.0 * std::sin(player->phase));
        player->phase = std::fmod(player->phase + 2.0 * 3.14159265358979 * 440.0 / rate,
                                  2.0 * 3.14159265358979);
        frames[2 * i] = frames[2 * i + 1] = s;
    }
    std::lock_guard<std::mutex> guard(player->lock);
    playClockHanded(player->clock, nowNs(), uint32_t(count), uint32_t(count));
}

static int64_t playPosition(Player& player) {
    std::lock_guard<std::mutex> guard(player.lock);
    return playClockPosition(player.clock, nowNs());
}

// Samples the position every 10 ms: until it first moves (within 30 s: a sound server on a busy
// machine can be slow to take the first buffers), then for `seconds` more. Prints when it first
// moved, its rate against the wall clock from a second after that (once any start-up lag is
// over), how far it is from the time since output started at the end, and how often it went
// back (never, if it is right).
static int play(double seconds) {
    Player player;
    if (!audioDeviceOpen(rate, pullTone, &player)) return 1;
    playClockStart(player.clock, audioDeviceRate(), audioDeviceLatencyFrames(), 0);
    int64_t start = nowNs();
    audioDeviceStart();
    int64_t previous = 0, firstMoveNs = -1, backwards = 0, samples = 0;
    int64_t steadyNs = -1, steadyPosition = 0;
    int64_t end = start + int64_t(30e9);
    int64_t now = start, position = 0;
    while ((now = nowNs()) < end) {
        position = playPosition(player);
        if (position < previous) ++backwards;
        if (position > 0 && firstMoveNs < 0) {
            firstMoveNs = now;
            end = now + int64_t(seconds * 1e9);
        }
        if (firstMoveNs >= 0 && steadyNs < 0 && now - firstMoveNs >= 1000000000)
            steadyNs = now, steadyPosition = position;
        previous = std::max(previous, position);
        ++samples;
        Sleep(10);
    }
    uint32_t latency = audioDeviceLatencyFrames();
    audioDeviceClose();
    double steadySeconds = steadyNs < 0 ? 0.0 : double(now - steadyNs) * 1e-9;
    std::printf("clock samples %lld backwards %lld first-move %.3f s rate %.4f offset %.3f s "
                "latency %u\n",
                (long long)samples, (long long)backwards,
                firstMoveNs < 0 ? -1.0 : double(firstMoveNs - start) * 1e-9,
                steadySeconds > 0 ? double(position - steadyPosition) / rate / steadySeconds : 0.0,
                double(position) / rate - double(now - start) * 1e-9, unsigned(latency));
    return 0;
}

// Plays the file as the demo does (the device opened at 44.1 kHz first) and samples its position
// in seconds every 10 ms until it stands at the music's end; prints the device's rate, when the
// position first moved, its rate against the wall clock from a second after that to the end (so
// a start-up lag on a busy machine does not count), where it ended against the music's length,
// and how often it went back.
static int playFile(const char* path) {
    Mp3Decoder* probe = openOrReport(path);
    if (!probe) return 2;
    double lengthSeconds = double(mp3LengthFrames(probe)) / double(mp3Rate(probe));
    mp3Close(probe);
    if (!audioInitDevice(-1, rate, 0)) return 1;
    AudioStream stream = audioCreateFileStream(path, 0, 0, 0);
    if (!stream) return 2;
    audioStartOutput();
    audioPlay(stream, 0);
    int64_t start = nowNs();
    int64_t deadline = start + int64_t((3.0 * lengthSeconds + 30.0) * 1e9);
    double seconds = 0, previous = 0, firstMove = -1, oneSecond = -1, oneSecondAt = 0;
    double lastWall = 0, lastSeconds = 0;
    long long backwards = 0;
    for (int64_t now = start; seconds < lengthSeconds && now < deadline; now = nowNs()) {
        seconds = audioBytesToSeconds(stream, audioBytePosition(stream));
        double wall = double(now - start) * 1e-9;
        if (seconds < previous) ++backwards;
        if (seconds > 0 && firstMove < 0) firstMove = wall;
        if (firstMove >= 0 && oneSecond < 0 && wall >= firstMove + 1.0)
            oneSecond = seconds, oneSecondAt = wall;
        if (oneSecond >= 0 && seconds < lengthSeconds) lastWall = wall, lastSeconds = seconds;
        previous = std::max(previous, seconds);
        Sleep(10);
    }
    int32_t deviceRate = audioDeviceRate();
    audioShutdown();
    double steady = lastWall - oneSecondAt;
    std::printf("device-rate %d first-move %.3f s rate %.4f end %.9f length %.9f backwards %lld\n",
                int(deviceRate), firstMove, steady > 0 ? (lastSeconds - oneSecond) / steady : 0.0,
                seconds, lengthSeconds, backwards);
    return 0;
}

static int openDevice() {
    Player player;
    if (!audioDeviceOpen(rate, pullTone, &player)) return 1;
    std::printf("opened at %d Hz, latency %u frames\n", int(audioDeviceRate()),
                unsigned(audioDeviceLatencyFrames()));
    audioDeviceClose();
    return 0;
}

// What the demo does at its end: return from main with the device still playing.
static int leave() {
    static Player player;
    if (!audioDeviceOpen(rate, pullTone, &player)) return 1;
    playClockStart(player.clock, audioDeviceRate(), audioDeviceLatencyFrames(), 0);
    audioDeviceStart();
    Sleep(300);
    return 0;
}

int main(int argc, char** argv) {
    setLogProgramName("brumelt-audio-check");
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const char* command = argc > 1 ? argv[1] : "";
    if (!std::strcmp(command, "decode") && argc == 4) return decode(argv[2], argv[3]);
    if (!std::strcmp(command, "decode-many")) return decodeMany(argc - 2, argv + 2);
    if (!std::strcmp(command, "seek") && argc == 3) return seekCheck(argv[2]);
    if (!std::strcmp(command, "play") && argc == 3) return play(std::atof(argv[2]));
    if (!std::strcmp(command, "play-file") && argc == 3) return playFile(argv[2]);
    if (!std::strcmp(command, "open") && argc == 2) return openDevice();
    if (!std::strcmp(command, "leave") && argc == 2) return leave();
    std::fprintf(stderr,
                 "usage: brumelt-audio-check decode|decode-many|seek|play|play-file|open|leave "
                 "...\n");
    return 4;
}
