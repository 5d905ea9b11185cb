// The window seam on GLFW 3 (X11): one GLFW window with its context, sticky keys, GLFW's clock.
#include "platform/window.h"

#include "base/log.h"

#include <GLFW/glfw3.h>

#include <cstdlib>

// The platform init hint of GLFW 3.4, by its published numbers: the build's headers may be 3.3.
#ifndef GLFW_PLATFORM
#define GLFW_PLATFORM 0x00050003
#define GLFW_PLATFORM_X11 0x00060004
#endif

// The seam's window is GLFW's own: AppWindow is never defined, only cast.
static GLFWwindow* glfwWindow(AppWindow* window) {
    return reinterpret_cast<GLFWwindow*>(window);
}

// GLFW 3.4 tries Wayland before X11. The demo stays on X11 (XWayland on a Wayland desktop)
// wherever an X display is named, so that fullscreen switches the mode the dialog offered, as
// with 3.3; and when no display is named at all, so that the failure is the demo's one line and
// not the Wayland library's. Only a desktop that names nothing but Wayland gets a native window.
static void preferX11Display() {
    int major = 0, minor = 0, revision = 0;
    glfwGetVersion(&major, &minor, &revision);
    if (major < 3 || (major == 3 && minor < 4)) return;
    if (!std::getenv("DISPLAY") && std::getenv("WAYLAND_DISPLAY")) return;
    glfwInitHint(GLFW_PLATFORM, GLFW_PLATFORM_X11);
}

int windowSystemInit() {
    preferX11Display();
    return glfwInit() == GLFW_TRUE ? 1 : 0;
}

AppWindow* windowCreate(int32_t width, int32_t height, const char* title, uint32_t flags) {
    bool fullscreen = (flags & windowFullscreen) != 0;
    // The demo's window takes the library's default hints; the others differ only where asked.
    if (flags & windowHidden) glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    if (flags & windowResizable) glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
    GLFWmonitor* monitor = fullscreen ? glfwGetPrimaryMonitor() : nullptr;
    GLFWwindow* window = glfwCreateWindow(width, height, title, monitor, nullptr);
    glfwDefaultWindowHints();
    if (!window) {
        logMessage("window",
                   "cannot create a %dx%d %s window with an OpenGL context (is there a display?)",
                   width, height, fullscreen ? "fullscreen" : "windowed");
        return nullptr;
    }
    glfwMakeContextCurrent(window);
    // A frame can take longer than a quick tap of Escape; sticky keys keep the press visible to
    // the next query even when the key was released within the same frame.
    glfwSetInputMode(window, GLFW_STICKY_KEYS, GLFW_TRUE);
    return reinterpret_cast<AppWindow*>(window);
}

void windowHideCursor(AppWindow* window) {
    glfwSetInputMode(glfwWindow(window), GLFW_CURSOR, GLFW_CURSOR_HIDDEN);
}

void windowPollEvents() {
    glfwPollEvents();
}

void windowSwapBuffers(AppWindow* window) {
    glfwSwapBuffers(glfwWindow(window));
}

int windowEscapePressed(AppWindow* window) {
    return glfwGetKey(glfwWindow(window), GLFW_KEY_ESCAPE) == GLFW_PRESS ? 1 : 0;
}

int windowCloseRequested(AppWindow* window) {
    return glfwWindowShouldClose(glfwWindow(window)) ? 1 : 0;
}

double windowSystemTime() {
    return glfwGetTime();
}

void windowFramebufferSize(AppWindow* window, int32_t* width, int32_t* height) {
    int w = 0, h = 0;
    glfwGetFramebufferSize(glfwWindow(window), &w, &h);
    *width = w;
    *height = h;
}

void* windowNativeHandle(AppWindow* window) {
    return glfwWindow(window);
}

void windowForgetInput(AppWindow* window) {
    glfwGetKey(glfwWindow(window), GLFW_KEY_ESCAPE); // reading a sticky key clears it
    glfwSetWindowShouldClose(glfwWindow(window), GLFW_FALSE);
}

void windowDestroy(AppWindow* window) {
    glfwDestroyWindow(glfwWindow(window));
}

void windowSystemTerminate() {
    glfwTerminate();
}
