// The demo's content end to end: images and tracks read from a folder, one frame through all three
// passes, checked against the same passes driven by hand.
#include "base/show.h"
#include "gl_test_context.h"
#include "render/content.h"
#include "render/resources.h"
#include "support/demo_folder.h"
#include "support/log_capture.h"
#include "tracks/tracks.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

static const int width = 96;
static const int height = 54;

// Every track at a value of its own, each visible in the picture; keys at rows 0 and 10 with
// linear interpolation, so the frame's row matters too.
static const std::map<std::string, float> trackValues = {
    {"uBass", 0.4f},          {"uBend", 1.0f},           {"uLineWidth", 0.07f},
    {"uBoxSize.x", 0.5f},     {"uBoxSize.y", 0.6f},      {"uBoxSize.z", 0.45f},
    {"uGTime", 3.3f},         {"uFisheye", 0.3f},        {"uCamRot.x", -0.2f},
    {"uCamRot.y", 0.15f},     {"uCamRot.z", 0.05f},      {"uCamPos.x", 0.1f},
    {"uCamPos.y", -0.3f},     {"uCamPos.z", 0.2f},       {"uSkyPos", 0.25f},
    {"uSkyEnergy", 0.8f},     {"uBuildingHeight", 0.2f}, {"uGreetsProgress", 0.3f},
    {"uGreetsOpacity", 0.6f}, {"uQRVProgress", 0.2f},    {"uFadeToBlack", 0.1f},
    {"uBoulePX", 0.3f},       {"uBoulePZ", -2.5f},       {"uGlow", 0.9f},
};

struct ContentRelease {
    void operator()(Content* content) const { releaseContent(content); }
};
using OwnedContent = std::unique_ptr<Content, ContentRelease>;

static std::string trackFile(float first, float last) {
    std::string bytes;
    auto put = [&](const void* p, size_t n) { bytes.append(static_cast<const char*>(p), n); };
    int32_t count = 2, row0 = 0, row1 = 10;
    int8_t linear = 1;
    put(&count, 4);
    put(&row0, 4);
    put(&first, 4);
    put(&linear, 1);
    put(&row1, 4);
    put(&last, 4);
    put(&linear, 1);
    return bytes;
}

static std::vector<uint8_t> gradientImage(int w, int h, int seed) {
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(x * 255 / (w - 1));
            p[1] = uint8_t(y * 255 / (h - 1));
            p[2] = uint8_t(seed * 40);
            p[3] = uint8_t(160 + (x + y) % 90);
        }
    }
    return rgba;
}

// Runs in a folder of its own for the relative asset and track paths.
struct WorkingFolder {
    TempFolder folder;
    std::string previous = std::filesystem::current_path();
    WorkingFolder() {
        std::filesystem::create_directories(folder.file(showAssetsDir));
        std::filesystem::create_directories(folder.file("tracks"));
        std::filesystem::current_path(folder.path);
    }
    ~WorkingFolder() { std::filesystem::current_path(previous); }
};

TEST(Content, EveryTrackDrivesItsUniform) {
    WorkingFolder work;
    writeTga("assets/greets.tga", 16, 161, gradientImage(16, 161, 1));
    writeTga("assets/qrv.tga", 24, 14, gradientImage(24, 14, 2));
    for (const auto& [name, value] : trackValues) {
        std::string bytes = trackFile(value * 0.5f, value * 1.5f);
        ASSERT_TRUE(writeFileBytes(std::string(showTrackPrefix) + "_" + name + ".track", bytes));
    }
    ASSERT_TRUE(openTestContext(width, height));
    LogCapture log;
    OwnedContent content(makeContent(width, height, showAssetsDir, showTrackPrefix));
    ASSERT_NE(content, nullptr);
    loadContent(*content);
    ASSERT_EQ(openTracks(*content), 0);
    const double row = 4.5;
    renderFrame(*content, row);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    std::vector<uint8_t> frame = readWindow(width, height);
    EXPECT_EQ(log.take(), "");

    // The same frame, by hand: the value every uniform should have been given.
    TrackSet* set = openTrackSet(showTrackPrefix);
    auto value = [&](const char* name) { return float(evaluateTrack(fetchTrack(set, name), row)); };
    GLuint greets = loadTgaTexture("assets/greets.tga");
    GLuint qrv = loadTgaTexture("assets/qrv.tga");
    ShaderProgram scene = buildProgram(passShaderSource(framePassScene));
    ShaderProgram glow = buildProgram(passShaderSource(framePassGlow));
    ShaderProgram final = buildProgram(passShaderSource(framePassFinal));
    RenderTarget a = createRenderTarget(width, height);
    RenderTarget b = createRenderTarget(width, height);
    RenderTarget c = createRenderTarget(width, height);

    glBindFramebuffer(GL_FRAMEBUFFER, a.framebuffer);
    glUseProgram(scene);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, qrv);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, greets);
    auto at = [](GLuint program, const char* name) { return glGetUniformLocation(program, name); };
    glUniform1i(at(scene, "uGreetsTexture"), 0);
    glUniform1i(at(scene, "uQRVTexture"), 1);
    glUniform1f(at(scene, "time"), value("uGTime"));
    for (const char* name :
         {"uBass", "uBend", "uLineWidth", "uSkyPos", "uSkyEnergy", "uBuildingHeight",
          "uGreetsOpacity", "uGreetsProgress", "uFisheye", "uQRVProgress", "uFadeToBlack"}) {
        glUniform1f(at(scene, name), value(name));
    }
    glUniform3f(at(scene, "uBoxSize"), value("uBoxSize.x"), value("uBoxSize.y"),
                value("uBoxSize.z"));
    glUniform3f(at(scene, "uCamRot"), value("uCamRot.x"), value("uCamRot.y"), value("uCamRot.z"));
    glUniform3f(at(scene, "uCamPos"), value("uCamPos.x"), value("uCamPos.y"), value("uCamPos.z"));
    glUniform2f(at(scene, "uBoulePos"), value("uBoulePX"), value("uBoulePZ"));
    drawFullScreenRect();
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);

    glBindFramebuffer(GL_FRAMEBUFFER, b.framebuffer);
    glUseProgram(glow);
    glBindTexture(GL_TEXTURE_2D, a.colourTexture);
    glUniform1f(at(glow, "uGlow"), value("uGlow"));
    glUniform1i(at(glow, "uSrcTexture"), 0);
    drawFullScreenRect();

    glBindFramebuffer(GL_FRAMEBUFFER, c.framebuffer);
    glUseProgram(final);
    glBindTexture(GL_TEXTURE_2D, b.colourTexture);
    glUniform1f(at(final, "uBass"), value("uBass"));
    glUniform1i(at(final, "uSrcTexture"), 0);
    drawFullScreenRect();
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    std::vector<uint8_t> expected = readTexture(c.colourTexture, width, height);
    closeTrackSet(set);

    int differing = 0;
    for (size_t i = 0; i < frame.size(); i += 4) {
        for (int ch = 0; ch < 3; ++ch)
            differing += frame[i + ch] != expected[i + ch];
    }
    EXPECT_EQ(differing, 0);
}

TEST(Content, MissingImagesAreReportedAndReplaced) {
    WorkingFolder work;
    ASSERT_TRUE(openTestContext(width, height));
    LogCapture log;
    OwnedContent content(makeContent(width, height, showAssetsDir, showTrackPrefix));
    ASSERT_NE(content, nullptr);
    loadContent(*content);
    std::string messages = log.take();
    EXPECT_NE(messages.find("brumelt: render: assets/greets.tga: cannot open"), std::string::npos)
        << messages;
    EXPECT_NE(messages.find("brumelt: render: assets/qrv.tga: cannot open"), std::string::npos)
        << messages;
    // With no track files every value is 0: no fade, no glow, just sky and boxes of size 0.
    ASSERT_EQ(openTracks(*content), 0);
    renderFrame(*content, 100.0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

static std::vector<uint8_t> textureBytes(GLuint texture, int* w, int* h) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, h);
    std::vector<uint8_t> bytes(size_t(*w) * size_t(*h) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return bytes;
}

TEST(Content, ImageFilesUploadTheirStoredBytesOrATransparentTexel) {
    WorkingFolder work;
    ASSERT_TRUE(openTestContext(width, height));
    std::vector<uint8_t> pixels = gradientImage(37, 23, 3);
    writeTga("assets/good.tga", 37, 23, pixels);
    ASSERT_TRUE(writeFileBytes("assets/empty.tga", ""));
    std::filesystem::create_directories("assets/folder.tga");

    int w = 0, h = 0;
    LogCapture log;
    std::vector<uint8_t> good = textureBytes(loadTgaTexture("assets/good.tga"), &w, &h);
    EXPECT_EQ(log.take(), "");
    ASSERT_EQ(w, 37);
    ASSERT_EQ(h, 23);
    const std::string file = readFileBytes("assets/good.tga");
    ASSERT_EQ(file.size(), 18 + good.size());
    std::vector<uint8_t> stored(file.begin() + 18, file.end());
    EXPECT_EQ(good, stored);

    for (const char* bad : {"assets/empty.tga", "assets/folder.tga"}) {
        std::vector<uint8_t> texel = textureBytes(loadTgaTexture(bad), &w, &h);
        std::string message = log.take();
        EXPECT_EQ(message.rfind(std::string("brumelt: render: ") + bad + ": ", 0), 0u) << message;
        EXPECT_EQ(w, 1);
        EXPECT_EQ(h, 1);
        EXPECT_EQ(texel, std::vector<uint8_t>(4, 0)) << bad;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
