// The shared bring-up's ways out, and compile-and-link's report of a shader that does not build,
// under X with llvmpipe.
#include "base/log.h"
#include "gl_test_context.h"
#include "render/resources.h"
#include "startup/startup.h"
#include "support/log_capture.h"

#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <string>

static StartUpRequest hiddenWindow(int32_t width, int32_t height, StartUpDepth depth) {
    StartUpRequest request;
    request.width = width;
    request.height = height;
    request.title = "start-up test";
    request.windowFlags = windowHidden;
    request.depth = depth;
    return request;
}

// These tests end the window system again and again, and with the display's last context the GL
// library unloads its driver; what the driver never freed would then be reported as leaks of an
// unknown module, which no suppression can name. One window opened first, with every library then
// loaded pinned in memory, keeps the driver's leaks its own (tests/lsan.supp).
static int pinLoadedLibrary(dl_phdr_info* info, size_t, void*) {
    if (info->dlpi_name && info->dlpi_name[0])
        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

class GlDriverPinned : public ::testing::Environment {
  public:
    void SetUp() override {
        StartUpRequest request;
        request.width = request.height = 32;
        request.windowFlags = windowHidden;
        StartUp started;
        if (startUp(request, &started) == exitDone) dl_iterate_phdr(pinLoadedLibrary, nullptr);
        shutDown(started);
    }
};
static ::testing::Environment* const glDriverPinned =
    ::testing::AddGlobalTestEnvironment(new GlDriverPinned);

static const char* lackingFrobnicate() {
    return "glFrobnicate";
}

static std::string line(const char* subsystem, const std::string& text) {
    return std::string(logProgramName()) + ": " + subsystem + ": " + text + "\n";
}

TEST(StartUp, EachFailureIsGraphicsWithOneLineAndItsProblem) {
    LogCapture log;
    StartUp started;

    StartUpRequest lacking = hiddenWindow(32, 32, startUpTracks);
    lacking.missingEntryPoints = lackingFrobnicate;
    EXPECT_EQ(startUp(lacking, &started), exitGraphics);
    EXPECT_EQ(log.take(), line("gl", "the driver lacks glFrobnicate"));
    EXPECT_STREQ(started.problem, "the driver lacks glFrobnicate");
    EXPECT_NE(started.window, nullptr); // left for shutDown
    EXPECT_EQ(started.content, nullptr);
    shutDown(started);
    EXPECT_EQ(started.window, nullptr);

    StartUpRequest longFolder = hiddenWindow(32, 32, startUpTracks);
    const std::string folder(300, 'a');
    longFolder.assetsDir = folder.c_str();
    EXPECT_EQ(startUp(longFolder, &started), exitGraphics);
    EXPECT_EQ(log.take(), line("render", "cannot hold the content for a 32x32 window"));
    shutDown(started);

    // The window backend says why in its own line; the problem still names the size.
    EXPECT_EQ(startUp(hiddenWindow(0, 0, startUpWindow), &started), exitGraphics);
    std::string lines = log.take();
    EXPECT_EQ(lines.find('\n'), lines.size() - 1) << lines;
    EXPECT_NE(lines.find("window: "), std::string::npos) << lines;
    EXPECT_NE(std::string(started.problem).find("0x0"), std::string::npos) << started.problem;
    shutDown(started);
}

TEST(StartUp, NoDisplayIsGraphicsWithOneLine) {
    const char* display = std::getenv("DISPLAY");
    ASSERT_NE(display, nullptr);
    const std::string kept = display;
    setenv("DISPLAY", ":9999", 1);
    LogCapture log;
    StartUp started;
    int32_t code = startUp(hiddenWindow(32, 32, startUpWindow), &started);
    setenv("DISPLAY", kept.c_str(), 1);
    EXPECT_EQ(code, exitGraphics);
    EXPECT_EQ(log.take(), line("window", "the window library failed (is there a display?)"));
    shutDown(started);
}

TEST(StartUp, GoesAsDeepAsAsked) {
    StartUp started;
    ASSERT_EQ(startUp(hiddenWindow(32, 32, startUpContent), &started), exitDone) << started.problem;
    ASSERT_NE(started.content, nullptr);
    EXPECT_EQ(started.content->sceneProgram, 0u);
    EXPECT_EQ(started.content->trackSet, nullptr);
    EXPECT_STREQ(started.problem, "");
    shutDown(started);
    EXPECT_EQ(started.content, nullptr);

    ASSERT_EQ(startUp(hiddenWindow(32, 32, startUpTracks), &started), exitDone) << started.problem;
    EXPECT_NE(started.content->sceneProgram, 0u);
    EXPECT_NE(started.content->sceneTarget.framebuffer, 0u);
    EXPECT_NE(started.content->trackSet, nullptr);
    shutDown(started);
}

TEST(CompileAndLink, AShaderThatDoesNotBuildGivesTheDriversLogAndItsFile) {
    ASSERT_TRUE(openTestContext(16, 16));
    const ShaderSource undeclared = {"undeclared.glsl", GL_FRAGMENT_SHADER,
                                     "void main() { gl_FragColor = vec4(missing); }\n"};
    ShaderBuildFailure failure;
    EXPECT_EQ(compileAndLink(vertexShaderSource(), undeclared, &failure), 0u);
    EXPECT_STREQ(failure.fileName, "undeclared.glsl");
    EXPECT_EQ(failure.linkFailed, 0);
    EXPECT_NE(failure.log.find("missing"), std::string::npos) << failure.log;
    EXPECT_NE(failure.log.back(), '\n');
    const std::string compileLog = failure.log;

    // Compiles, but a fragment stage without main() does not link.
    const ShaderSource noMain = {"no_main.glsl", GL_FRAGMENT_SHADER,
                                 "void notMain() { gl_FragColor = vec4(1.0); }\n"};
    failure = ShaderBuildFailure{};
    EXPECT_EQ(compileAndLink(vertexShaderSource(), noMain, &failure), 0u);
    EXPECT_STREQ(failure.fileName, "no_main.glsl");
    EXPECT_EQ(failure.linkFailed, 1);
    EXPECT_FALSE(failure.log.empty());

    // The render code's programs report it in one message, the driver's log as it came.
    LogCapture log;
    EXPECT_EQ(buildProgram(undeclared), 0u);
    std::string lines = log.take();
    const std::string start =
        std::string(logProgramName()) + ": render: undeclared.glsl: compile failed: ";
    EXPECT_EQ(lines.rfind(start, 0), 0u) << lines;
    EXPECT_NE(lines.find(compileLog), std::string::npos) << lines;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
