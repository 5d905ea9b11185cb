// The window seam on GLFW 3 (X11): one GLFW window with its context, sticky keys, GLFW's clock.
//
// GLFW switches the display mode through XRandR and gives it back when the window goes, but an X
// server keeps a mode after the client that set it is gone: a crash or kill -9 would leave the
// desktop at the demo's size. So before a fullscreen window takes the monitor, a guardian is
// forked that holds one end of a socket pair (a pipe that never raises SIGPIPE in the demo);
// when the window has given the mode back the word below goes down it and the guardian leaves
// quietly, and when it closes without the word (the process ended any other way) the guardian
// sets the monitor's CRTC back as it was. It does nothing while the show runs (it waits in
// read), so it costs no frame.
//
// A lost connection to the X server ends the process at once with one line and status 4: Xlib's
// own handler would print several lines and run the exit handlers, which can hang with the audio
// thread still playing.
#include "platform/window.h"

#include "base/log.h"

#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

static const char modeGivenBack[] = "mode given back";
static const int maxOutputs = 16;

// The monitor's CRTC as it was before the switch, and where to find it again.
struct SavedCrtc {
    char displayName[256];
    RRCrtc crtc;
    RRMode mode;
    int x, y;
    Rotation rotation;
    RROutput outputs[maxOutputs];
    int outputCount;
    unsigned width, height;
};

static GLFWwindow* guardedWindow = nullptr; // the fullscreen window the guardian watches over
static int guardianPipe = -1;               // the demo's end of the pair
static pid_t guardianPid = -1;

static int lostDisplay(Display*) {
    logMessage("window", "lost the connection to the X server; ending");
    _exit(4);
}

static bool saveCrtc(GLFWmonitor* monitor, SavedCrtc* saved) {
    Display* display = glfwGetX11Display();
    RRCrtc crtc = monitor ? glfwGetX11Adapter(monitor) : 0;
    if (!display || !crtc) return false; // no XRandR: GLFW cannot switch through it either
    XRRScreenResources* resources =
        XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    XRRCrtcInfo* info = resources ? XRRGetCrtcInfo(display, resources, crtc) : nullptr;
    bool ok = info && info->mode != None;
    if (ok) {
        std::snprintf(saved->displayName, sizeof saved->displayName, "%s", DisplayString(display));
        saved->crtc = crtc;
        saved->mode = info->mode;
        saved->x = info->x;
        saved->y = info->y;
        saved->rotation = info->rotation;
        saved->outputCount = std::min(info->noutput, maxOutputs);
        std::copy(info->outputs, info->outputs + saved->outputCount, saved->outputs);
        saved->width = info->width;
        saved->height = info->height;
    }
    if (info) XRRFreeCrtcInfo(info);
    if (resources) XRRFreeScreenResources(resources);
    return ok;
}

// Sets the CRTC back to the saved mode if it holds another one.
static void restoreCrtc(const SavedCrtc& saved) {
    Display* display = XOpenDisplay(saved.displayName);
    if (!display) return; // the server is gone, and its modes with it
    XRRScreenResources* resources =
        XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    XRRCrtcInfo* now = resources ? XRRGetCrtcInfo(display, resources, saved.crtc) : nullptr;
    if (now && now->mode != saved.mode) {
        RROutput outputs[maxOutputs];
        std::copy(saved.outputs, saved.outputs + saved.outputCount, outputs);
        Status status =
            XRRSetCrtcConfig(display, resources, saved.crtc, CurrentTime, saved.x, saved.y,
                             saved.mode, saved.rotation, outputs, saved.outputCount);
        if (status == RRSetConfigSuccess)
            logMessage("window", "the display mode was left switched; set back to %ux%u",
                       saved.width, saved.height);
        else
            logMessage("window", "the display mode was left switched and cannot be set back");
    }
    if (now) XRRFreeCrtcInfo(now);
    if (resources) XRRFreeScreenResources(resources);
    XCloseDisplay(display);
}

// The guardian's whole life, in the forked child: only its end and stderr stay open (the X
// connections must close with the demo), and requests to end the program are the demo's to
// answer, not its own.
[[noreturn]] static void guardMode(int pipeEnd, const SavedCrtc& saved) {
    for (int number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
        std::signal(number, SIG_IGN);
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) dup2(null, STDIN_FILENO), dup2(null, STDOUT_FILENO);
    if (pipeEnd != 3) pipeEnd = dup2(pipeEnd, 3);
    close_range(4, ~0u, 0);
    char word[sizeof modeGivenBack] = {};
    size_t got = 0;
    while (got < sizeof word) {
        ssize_t n = read(pipeEnd, word + got, sizeof word - got);
        if (n > 0)
            got += size_t(n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    if (got != sizeof word || std::memcmp(word, modeGivenBack, sizeof word) != 0)
        restoreCrtc(saved);
    _exit(0);
}

static void startGuardian(GLFWmonitor* monitor) {
    SavedCrtc saved = {};
    int ends[2];
    if (guardianPipe >= 0 || !saveCrtc(monitor, &saved) ||
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    pid_t pid = fork();
    if (pid == 0) guardMode(ends[0], saved);
    close(ends[0]);
    if (pid < 0) {
        close(ends[1]);
        return;
    }
    guardianPipe = ends[1];
    guardianPid = pid;
}

// After GLFW has given the mode back: the guardian may go.
static void dismissGuardian() {
    if (guardianPipe < 0) return;
    ssize_t written = send(guardianPipe, modeGivenBack, sizeof modeGivenBack, MSG_NOSIGNAL);
    (void)written; // a guardian that is gone has nothing left to do
    close(guardianPipe);
    waitpid(guardianPid, nullptr, 0);
    guardianPipe = -1;
    guardianPid = -1;
    guardedWindow = nullptr;
}

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
    if (glfwInit() != GLFW_TRUE) return 0;
    XSetIOErrorHandler(lostDisplay);
    return 1;
}

AppWindow* windowCreate(int32_t width, int32_t height, const char* title, uint32_t flags) {
    bool fullscreen = (flags & windowFullscreen) != 0;
    // The demo's window takes the library's default hints; the others differ only where asked.
    if (flags & windowHidden) glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    if (flags & windowResizable) glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
    GLFWmonitor* monitor = fullscreen ? glfwGetPrimaryMonitor() : nullptr;
    if (monitor) startGuardian(monitor);
    GLFWwindow* window = glfwCreateWindow(width, height, title, monitor, nullptr);
    glfwDefaultWindowHints();
    if (monitor) {
        guardedWindow = window;
        if (!window) dismissGuardian(); // no window, so no mode was switched
    }
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
    if (glfwWindow(window) == guardedWindow) dismissGuardian();
}

void windowSystemTerminate() {
    glfwTerminate();
    dismissGuardian();
}
