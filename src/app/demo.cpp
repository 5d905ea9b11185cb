#include "app/demo.h"

#include "app/settings.h"
#include "app/setup_dialog.h"
#include "audio/music.h"
#include "platform/window_system.h"
#include "render/content.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <cstdio>

static const char* const windowTitle = "QRV at Solvance 2014";
static const char* const musicPath = "assets/music.mp3";

int32_t runDemo() {
    glfwInit();
    void* activeWindow = activeWindowHandle();

    GLFWmonitor* monitor = fullscreen == 1 ? glfwGetPrimaryMonitor() : nullptr;
    GLFWwindow* window = glfwCreateWindow(screenWidth, screenHeight, windowTitle, monitor, nullptr);
    if (!window) {
        std::fprintf(stderr, "brumelt: window: cannot create a %dx%d %s window with an OpenGL "
                             "context (is there a display?)\n",
                     screenWidth, screenHeight, fullscreen == 1 ? "fullscreen" : "windowed");
        return demoExitGraphics;
    }
    glfwMakeContextCurrent(window);
    if (fullscreen == 1) glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);
    // A frame can take longer than a quick tap of Escape; sticky keys keep the press visible to
    // the next glfwGetKey even when the key was released within the same frame.
    glfwSetInputMode(window, GLFW_STICKY_KEYS, GLFW_TRUE);
    GLenum glewResult = glewInit();
    if (glewResult != GLEW_OK) {
        std::fprintf(stderr, "brumelt: gl: the extension loader failed: %s\n",
                     reinterpret_cast<const char*>(glewGetErrorString(glewResult)));
        return demoExitGraphics;
    }

    loadContent();

    if (!initMusicDevice(activeWindow)) return demoExitAudioDevice;
    MusicStream music = openMusic(musicPath);
    if (!music) return demoExitMusicFile;
    if (openTracks() != 0) {
        std::fprintf(stderr, "brumelt: tracks: cannot create the track set\n");
        return demoExitTrackSet;
    }
    startMusic(music);

    for (;;) {
        glfwPollEvents();
        double row = musicSeconds(music) * rowsPerSecond;
        renderFrame(row);
        glfwSwapBuffers(window);
        if (glfwGetTime() > demoLengthSeconds) break;
        if (glfwWindowShouldClose(window)) break;
        if (glfwGetKey(window, GLFW_KEY_ESCAPE) == GLFW_PRESS) break;
    }
    glfwTerminate();
    return demoExitNormal;
}

int32_t runEntryPoint(void* instance) {
    DisplaySettings setup;
    setup.instance = instance;
    if (showSetupDialog(setup) == 0) return demoExitCancelled;
    screenWidth = setup.width;
    screenHeight = setup.height;
    fullscreen = setup.windowed == 0 ? 1 : 0;
    return runDemo();
}
