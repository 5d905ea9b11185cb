// The window seam on GLFW 3 (X11): one GLFW window with its context, sticky keys, GLFW's clock.
#include "platform/window.h"

#include "base/log.h"

#include <GLFW/glfw3.h>

// The seam's window is GLFW's own: AppWindow is never defined, only cast.
static GLFWwindow* glfwWindow(AppWindow* window) {
    return reinterpret_cast<GLFWwindow*>(window);
}

int windowSystemInit() {
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
