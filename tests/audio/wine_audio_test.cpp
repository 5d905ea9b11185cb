// The Windows audio backends (Audio Compression Manager decoding, waveOut output) run under Wine
// by brumelt-audio-check.exe, judged from Linux: its decode against libmpg123's gapless decode of
// the same files at their own rates, its handling of damaged files, and the play position on a
// PulseAudio null sink, in seconds for music at other rates than the device's first one.
//
// The environment names the program (BRUMELT_AUDIO_CHECK_EXE) and the Wine prefix (WINEPREFIX),
// which is made on first use, under the same lock as the Windows build's other Wine tests. Wine
// runs through its 64-bit loader, with audio through PulseAudio only, so a test sees exactly the
// sound server it starts.
#include "support/demo_folder.h"
#include "support/process.h"
#include "support/test_mp3.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/wait.h>

struct WineRun {
    int status = -1; // the program's exit status
    std::string out; // stdout
    std::string err; // stderr, CRs removed
};

static std::string shellQuoted(const std::string& text) {
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Wine maps the Unix root to drive Z.
static std::string windowsPath(const std::string& unixPath) {
    return "Z:" + unixPath;
}

static std::string removeCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

class WineAudio : public ::testing::Test {
  protected:
    static inline TempFolder* folder = nullptr;
    static inline std::string sweepMp3, monoMp3, vbrMp3;
    // Music at the rates other than 44.1 kHz that the Windows build plays at their own rate:
    // MPEG 1 at 48 and 32 kHz, and MPEG 2.5 mono at 8 kHz (the lowest rate, 576-sample frames).
    static inline std::string sweep48Mp3, sweep32Mp3, mono8Mp3;
    static inline std::string exe, prefix;

    static void SetUpTestSuite() {
        folder = new TempFolder;
        const char* exeVariable = std::getenv("BRUMELT_AUDIO_CHECK_EXE");
        const char* prefixVariable = std::getenv("WINEPREFIX");
        ASSERT_TRUE(exeVariable && prefixVariable)
            << "set BRUMELT_AUDIO_CHECK_EXE and WINEPREFIX (the Windows build's tests do)";
        exe = exeVariable;
        prefix = prefixVariable;
        std::string make = "P=" + shellQuoted(prefix) + "; [ -f \"$P/system.reg\" ] || (flock 9; " +
                           "[ -f \"$P/system.reg\" ] || " + wineEnvironment() + " " + wine +
                           " wineboot -u >/dev/null 2>&1) " +
                           "9>\"$(dirname \"$P\")/.wineprefix.lock\"";
        ASSERT_EQ(std::system(make.c_str()), 0) << make;
        // A sweep, unlike a steady tone, lines up with itself at one offset only.
        std::string wav = folder->file("sweep.wav");
        std::string sox = "sox -R -n -r 44100 -b 16 -c 2 " + shellQuoted(wav) +
                          " synth 2.5 sine 100-4000 sine 300-9000 gain -6 2>&1";
        ASSERT_EQ(std::system(sox.c_str()), 0) << sox;
        sweepMp3 = folder->file("sweep.mp3");
        monoMp3 = folder->file("mono.mp3");
        vbrMp3 = folder->file("vbr.mp3");
        ASSERT_TRUE(encodeMp3(wav, sweepMp3));
        ASSERT_TRUE(lame("-V 2", wav, vbrMp3));
        ASSERT_TRUE(lame("-m m -b 96", wav, monoMp3));
        sweep48Mp3 = folder->file("sweep48.mp3");
        sweep32Mp3 = folder->file("sweep32.mp3");
        mono8Mp3 = folder->file("mono8.mp3");
        ASSERT_TRUE(makeSweep(48000, 2, 4.0, "-b 160", sweep48Mp3));
        ASSERT_TRUE(makeSweep(32000, 2, 2.5, "-b 128", sweep32Mp3));
        // Over 50000 frames, which the seek check needs; at 16 kbit/s the frames would be too
        // small for the LAME tag, and nothing would be trimmed.
        ASSERT_TRUE(makeSweep(8000, 1, 7.0, "-m m -b 32", mono8Mp3));
    }

    // A sweep at `rate` Hz encoded at that rate (lame would pick another for some bit rates).
    static bool makeSweep(int rate, int channels, double seconds, const std::string& options,
                          const std::string& mp3) {
        std::string wav = mp3 + ".wav";
        int top = std::min(9000, rate * 2 / 5);
        std::string sox = "sox -R -n -r " + std::to_string(rate) + " -b 16 -c " +
                          std::to_string(channels) + " " + shellQuoted(wav) + " synth " +
                          std::to_string(seconds) + " sine 100-" + std::to_string(top / 2) +
                          " sine 300-" + std::to_string(top) + " gain -6 2>&1";
        return std::system(sox.c_str()) == 0 &&
               lame(options + " --resample " + std::to_string(rate / 1000.0), wav, mp3);
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }

    static bool lame(const std::string& options, const std::string& wav, const std::string& mp3) {
        std::string command =
            "lame --quiet " + options + " " + shellQuoted(wav) + " " + shellQuoted(mp3);
        return std::system(command.c_str()) == 0;
    }

    // Debian's launcher would pick the 32-bit loader whenever wine32 is installed.
    static inline const std::string wine = "/usr/lib/wine/wine64";

    static std::string wineEnvironment() {
        return "env WINEPREFIX=" + shellQuoted(prefix) + " WINELOADER=" + wine +
               " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winealsa.drv,wineoss.drv='";
    }

    // Runs brumelt-audio-check.exe with the arguments, and the environment entries added.
    static WineRun check(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {}) {
        std::string command = wineEnvironment();
        for (const std::string& entry : environment)
            command += " " + shellQuoted(entry);
        command += " " + wine + " " + shellQuoted(exe);
        for (const std::string& argument : arguments)
            command += " " + shellQuoted(argument);
        std::string errPath = folder->file("stderr.txt");
        command += " 2>" + shellQuoted(errPath);
        WineRun run;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return run;
        char block[4096];
        size_t got;
        while ((got = std::fread(block, 1, sizeof block, pipe)) > 0)
            run.out.append(block, got);
        int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = removeCarriageReturns(run.out);
        run.err = removeCarriageReturns(readFileBytes(errPath));
        return run;
    }

    // A private sound server with a null sink; returns the environment its clients need.
    static std::vector<std::string> startSoundServer(const std::string& server) {
        std::string environment = shellOutput(BRUMELT_PULSE_SCRIPT " start " + shellQuoted(server));
        std::vector<std::string> entries;
        std::istringstream lines(environment);
        for (std::string line; std::getline(lines, line);)
            entries.push_back(line);
        return entries;
    }
    static void stopSoundServer(const std::string& server) {
        shellOutput(BRUMELT_PULSE_SCRIPT " stop " + shellQuoted(server));
    }

    static std::vector<int16_t> readPcm(const std::string& path) {
        std::string bytes = readFileBytes(path);
        std::vector<int16_t> pcm(bytes.size() / 2);
        std::copy_n(bytes.data(), pcm.size() * 2, reinterpret_cast<char*>(pcm.data()));
        return pcm;
    }
};

// The largest sample difference between a and b with b shifted by `offset` frames, over the
// frames both have.
static int largestDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b,
                             long offset, size_t from = 0, size_t count = SIZE_MAX) {
    int largest = 0;
    size_t frames = a.size() / 2;
    for (size_t i = from; i < frames && i - from < count; ++i) {
        long j = long(i) + offset;
        if (j < 0 || size_t(j) >= b.size() / 2) continue;
        for (int c = 0; c < 2; ++c)
            largest = std::max(largest, std::abs(a[2 * i + c] - b[2 * size_t(j) + c]));
    }
    return largest;
}

TEST_F(WineAudio, DecodeMatchesLibmpg123GaplessInLengthAndWithin2Lsb) {
    struct Music {
        std::string mp3;
        long rate;
    } music[] = {{sweepMp3, 44100},   {vbrMp3, 44100},     {monoMp3, 44100},
                 {sweep48Mp3, 48000}, {sweep32Mp3, 32000}, {mono8Mp3, 8000}};
    for (const auto& [mp3, rate] : music) {
        SCOPED_TRACE(mp3);
        std::string raw = mp3 + ".raw";
        WineRun run = check({"decode", windowsPath(mp3), windowsPath(raw)});
        ASSERT_EQ(run.status, 0) << run.err;
        std::vector<int16_t> reference;
        {
            std::vector<uint8_t> bytes = decodeMp3(mp3, rate);
            reference.resize(bytes.size() / 2);
            std::copy(bytes.begin(), bytes.end(), reinterpret_cast<uint8_t*>(reference.data()));
        }
        std::vector<int16_t> decoded = readPcm(raw);
        ASSERT_EQ(decoded.size(), reference.size()) << "gapless: the same length as libmpg123's";
        long frames = long(reference.size() / 2);
        std::ostringstream expected;
        expected << "frames " << frames << " length " << frames << " rate " << rate;
        EXPECT_NE(run.out.find(expected.str()), std::string::npos) << run.out;

        // Windows' own decoder may start a few samples off Wine's: find the offset over a
        // stretch in the middle, then compare everything both have at it.
        long best = 0;
        int bestDifference = INT32_MAX;
        for (long offset = -1200; offset <= 1200; ++offset) {
            int difference =
                largestDifference(reference, decoded, offset, size_t(frames / 2), 2000);
            if (difference < bestDifference) bestDifference = difference, best = offset;
        }
        EXPECT_LE(largestDifference(reference, decoded, best), 2) << "aligned at " << best;
        std::printf("%s: %ld frames, aligned at offset %ld\n", mp3.c_str(), frames, best);
    }
}

TEST_F(WineAudio, SeeksLandOnTheSameSamplesAsAStraightDecode) {
    for (const std::string& mp3 : {sweepMp3, sweep48Mp3, mono8Mp3}) {
        WineRun run = check({"seek", windowsPath(mp3)});
        EXPECT_EQ(run.status, 0) << mp3 << "\n" << run.out << run.err;
        EXPECT_NE(run.out.find("seek ok"), std::string::npos) << mp3 << "\n" << run.out;
    }
}

TEST_F(WineAudio, DamagedFilesDecodeWhatTheyHoldOrFailWithOneLine) {
    std::string whole = readFileBytes(sweepMp3);
    std::string wholeRaw = folder->file("whole.raw"), cutRaw = folder->file("cut.raw");
    ASSERT_EQ(check({"decode", windowsPath(sweepMp3), windowsPath(wholeRaw)}).status, 0);

    std::string cut = folder->file("cut.mp3");
    writeFileBytes(cut, whole.substr(0, whole.size() * 2 / 5));
    WineRun run = check({"decode", windowsPath(cut), windowsPath(cutRaw)});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<int16_t> all = readPcm(wholeRaw), part = readPcm(cutRaw);
    EXPECT_GT(part.size(), all.size() / 4);
    EXPECT_LT(part.size(), all.size() / 2);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), all.begin())) << "a cut file's music is "
                                                                      "the start of the whole";

    std::mt19937 random(7);
    std::string noise(30000, '\0');
    for (char& c : noise)
        c = char(random());
    struct Bad {
        const char* name;
        std::string bytes;
        const char* problem;
    } bad[] = {{"empty.mp3", "", "not a playable MP3 file"},
               {"noise.mp3", noise, "not a playable MP3 file"},
               {"text.mp3", "This is not music.\n", "not a playable MP3 file"},
               {"missing.mp3", "", "cannot open"}};
    for (const Bad& b : bad) {
        std::string path = folder->file(b.name);
        if (std::string(b.problem) != "cannot open") writeFileBytes(path, b.bytes);
        run = check({"decode", windowsPath(path), windowsPath(folder->file("bad.raw"))});
        EXPECT_EQ(run.status, 2) << b.name;
        EXPECT_NE(
            run.err.find("brumelt-audio-check: audio: " + windowsPath(path) + ": " + b.problem),
            std::string::npos)
            << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }

    // Damage of every kind, all through one process: each file decodes or fails, none crashes.
    std::vector<std::string> arguments = {"decode-many"};
    for (int i = 0; i < 40; ++i) {
        std::string damaged = whole;
        if (i % 2 == 0) {
            for (int n = 0; n < 1 + i * 3; ++n)
                damaged[random() % damaged.size()] = char(random());
        } else {
            size_t at = random() % damaged.size();
            for (size_t n = random() % 4000; n-- > 0 && at < damaged.size(); ++at)
                damaged[at] = char(random());
        }
        std::string path = folder->file("damaged" + std::to_string(i) + ".mp3");
        writeFileBytes(path, damaged);
        arguments.push_back(windowsPath(path));
    }
    run = check(arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::string line;
    int answered = 0;
    while (std::getline(lines, line))
        if (line.find(" frames ") != std::string::npos ||
            line.find(" failed: ") != std::string::npos)
            ++answered;
    EXPECT_EQ(answered, 40) << run.out;
}

// The play position on a sound server with a null sink: it moves (the check waits for that, 30 s
// at most), never goes back, and runs at about real time over the 4 s after its first move.
// Loose bounds only: the machine is shared and Wine adds its own scheduling. Then a program that
// ends with the device still playing, as the demo does.
TEST_F(WineAudio, PlayPositionMovesAtRealTimeAndNeverBackOnANullSink) {
    std::string server = folder->file("pulse");
    std::vector<std::string> entries = startSoundServer(server);
    ASSERT_FALSE(entries.empty()) << "the sound server did not start";

    WineRun run = check({"play", "4"}, entries);
    WineRun left = check({"leave"}, entries);
    stopSoundServer(server);
    EXPECT_EQ(left.status, 0) << "a program may end with the device still playing\n" << left.err;
    EXPECT_EQ(left.err, "");
    ASSERT_EQ(run.status, 0) << run.err;
    long long samples = 0, backwards = -1;
    double firstMove = -1, rate = 0, offset = 0;
    size_t at = run.out.find("samples");
    ASSERT_NE(at, std::string::npos) << run.out;
    ASSERT_EQ(std::sscanf(run.out.c_str() + at,
                          "samples %lld backwards %lld first-move %lf s rate %lf offset %lf s",
                          &samples, &backwards, &firstMove, &rate, &offset),
              5)
        << run.out;
    std::printf("null sink: %s", run.out.c_str());
    EXPECT_EQ(backwards, 0);
    EXPECT_GE(firstMove, 0.0) << "the position never moved";
    EXPECT_GT(rate, 0.5);
    EXPECT_LT(rate, 1.5);
}

// Music at 48 kHz and at 8 kHz mono, played as the demo plays it (the device opened at 44.1 kHz
// first): the device moves to the music's rate, and the position in seconds moves at real time,
// never back, and stops exactly at the music's length, which is libmpg123's at that rate.
TEST_F(WineAudio, MusicAtItsOwnRatePlaysInRealSecondsToItsExactEnd) {
    std::string server = folder->file("pulse-rates");
    std::vector<std::string> entries = startSoundServer(server);
    ASSERT_FALSE(entries.empty()) << "the sound server did not start";
    struct Music {
        std::string mp3;
        int rate;
    } music[] = {{sweep48Mp3, 48000}, {mono8Mp3, 8000}};
    std::vector<WineRun> runs;
    for (const Music& m : music)
        runs.push_back(check({"play-file", windowsPath(m.mp3)}, entries));
    stopSoundServer(server);
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(music[i].mp3);
        const WineRun& run = runs[i];
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        int deviceRate = 0;
        long long backwards = -1;
        double firstMove = -1, rate = 0, end = 0, length = 0;
        ASSERT_EQ(std::sscanf(run.out.c_str(),
                              "device-rate %d first-move %lf s rate %lf end %lf length %lf "
                              "backwards %lld",
                              &deviceRate, &firstMove, &rate, &end, &length, &backwards),
                  6)
            << run.out;
        std::printf("%s: %s", music[i].mp3.c_str(), run.out.c_str());
        EXPECT_EQ(deviceRate, music[i].rate);
        EXPECT_EQ(backwards, 0);
        EXPECT_GE(firstMove, 0.0) << "the position never moved";
        EXPECT_GT(rate, 0.5);
        EXPECT_LT(rate, 1.5);
        double frames = double(decodeMp3(music[i].mp3, music[i].rate).size() / 4);
        EXPECT_NEAR(length, frames / music[i].rate, 1e-9);
        EXPECT_NEAR(end, length, 1e-9) << "the position stops at the music's end";
    }
}

TEST_F(WineAudio, WithoutASoundServerOpeningFailsWithOneLine) {
    std::string config = folder->file("client.conf");
    writeFileBytes(config, "autospawn = no\n");
    WineRun run = check({"open"}, {"PULSE_SERVER=unix:" + folder->file("no-server"),
                                   "PULSE_CLIENTCONFIG=" + config});
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_EQ(run.err.find("brumelt-audio-check: audio: cannot open the default output device"), 0u)
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}
