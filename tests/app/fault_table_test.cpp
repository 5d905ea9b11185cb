// The fault table: every data file the demo reads, damaged in each way that matters, run through
// the real binary. Each row ends in its documented outcome: an exit code with a message, or the
// show running on (with a placeholder image or a track at zero) until Escape ends it normally.
#include "base/show.h"
#include "demo_fixture.h"

#include <cstring>
#include <functional>
#include <random>

namespace {

std::string randomBytes(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = char(random());
    return bytes;
}

// An uncompressed 32-bit TGA header that promises a width x height image.
std::string tgaHeader(int width, int height) {
    std::string header(18, '\0');
    header[2] = 2;
    header[12] = char(width & 0xff), header[13] = char(width >> 8);
    header[14] = char(height & 0xff), header[15] = char(height >> 8);
    header[16] = 32;
    return header;
}

// One way of damaging the demo folder.
struct Damage {
    const char* what;
    std::function<void(const TempDemoFolder&)> apply;
};

std::vector<Damage> fileDamages(const std::string& file, const std::string& huge) {
    return {
        {"missing", [=](const TempDemoFolder& d) { d.remove(file); }},
        {"empty", [=](const TempDemoFolder& d) { d.write(file, ""); }},
        {"truncated",
         [=](const TempDemoFolder& d) {
             std::string whole = readFileBytes(d.file(file));
             d.write(file, whole.substr(0, whole.size() / 2 + 3));
         }},
        {"garbage", [=](const TempDemoFolder& d) { d.write(file, randomBytes(40000, 7)); }},
        {"huge count or size", [=](const TempDemoFolder& d) { d.write(file, huge); }},
    };
}

class FaultTable : public ::testing::Test {
  protected:
    // Runs the demo on a fresh copy damaged by `damage`; returns the exit status and stderr.
    static int runDamaged(const Damage& damage, std::string& err, bool endWithEscapeKey) {
        DemoProcess run;
        damage.apply(run.demo);
        run.start();
        if (!endWithEscapeKey) passSetupDialog(demoStartSeconds, run.child.pid);
        int status = endWithEscapeKey ? run.endWithEscape() : waitProcess(run.child, 120);
        err = readStderr(run.child);
        return status;
    }
};

TEST_F(FaultTable, DamagedImagesAreReportedAndTheShowRunsOnWithAPlaceholder) {
    for (const char* file : {"assets/greets.tga", "assets/qrv.tga"}) {
        for (const Damage& damage : fileDamages(file, tgaHeader(32767, 32767) + "tiny")) {
            std::string err;
            EXPECT_EQ(runDamaged(damage, err, true), 0) << file << " " << damage.what << "\n"
                                                        << err;
            EXPECT_NE(err.find(file), std::string::npos) << file << " " << damage.what << "\n"
                                                         << err;
            EXPECT_NE(err.find("transparent 1x1"), std::string::npos) << err;
        }
    }
}

TEST_F(FaultTable, DamagedTrackFilesLeaveTheShowRunning) {
    std::string huge("\xff\xff\xff\x7f", 4);
    huge += std::string("\0\0\0\0\0\0\x80\x3f\x01", 9) + std::string("\x10\0\0\0\0\0\0\x40\x01", 9);
    std::vector<Damage> damages = fileDamages(std::string(showTrackPrefix) + "_uBass.track", huge);
    damages.push_back(
        {"tracks folder missing", [](const TempDemoFolder& d) { d.remove("tracks"); }});
    for (const Damage& damage : damages) {
        std::string err;
        EXPECT_EQ(runDamaged(damage, err, true), 0) << damage.what << "\n" << err;
        EXPECT_EQ(err.find("error"), std::string::npos) << damage.what << "\n" << err;
    }
}

TEST_F(FaultTable, DamagedMusicEndsWithCode2ButACutFilePlays) {
    const std::string file = showMusicPath;
    for (const Damage& damage : fileDamages(file, "")) {
        if (!std::strcmp(damage.what, "huge count or size")) continue; // an MP3 has no count
        bool plays = !std::strcmp(damage.what, "truncated");
        std::string err;
        int status = runDamaged(damage, err, plays);
        EXPECT_EQ(status, plays ? 0 : 2) << damage.what << "\n" << err;
        if (!plays) {
            EXPECT_NE(err.find(file), std::string::npos) << damage.what << "\n" << err;
        }
    }
}

} // namespace
