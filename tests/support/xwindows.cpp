#include "support/xwindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <thread>

static std::string windowTitle(Display* display, Window window) {
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return title;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

static int windowPid(Display* display, Window window) {
    Atom netPid = XInternAtom(display, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    int pid = 0;
    if (XGetWindowProperty(display, window, netPid, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (count == 1 && format == 32) pid = int(*reinterpret_cast<unsigned long*>(data));
        XFree(data);
    }
    return pid;
}

static bool searchTree(Display* display, Window window, const std::string& title, int pid,
                       int depth, WindowInfo& found) {
    XWindowAttributes attrs;
    if (XGetWindowAttributes(display, window, &attrs) && attrs.map_state == IsViewable &&
        windowTitle(display, window) == title && (pid == 0 || windowPid(display, window) == pid)) {
        Window child;
        found.id = window;
        found.pid = windowPid(display, window);
        found.overrideRedirect = attrs.override_redirect != 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &found.x, &found.y,
                              &child);
        found.width = attrs.width;
        found.height = attrs.height;
        found.viewable = true;
        return true;
    }
    if (depth > 3) return false;
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
    bool hit = false;
    for (unsigned int i = 0; i < count && !hit; ++i)
        hit = searchTree(display, children[i], title, pid, depth + 1, found);
    if (children) XFree(children);
    return hit;
}

static int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

WindowInfo findWindow(const std::string& title, int pid) {
    WindowInfo found;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return found;
    auto previous = XSetErrorHandler(ignoreErrors); // windows may vanish while we look
    searchTree(display, DefaultRootWindow(display), title, pid, 0, found);
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return found;
}

WindowInfo waitForWindow(const std::string& title, double seconds, int pid) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        WindowInfo info = findWindow(title, pid);
        if (info.id || std::chrono::steady_clock::now() > deadline) return info;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool requestWindowClose(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    Status ok = XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return ok != 0;
}

void screenSize(int& width, int& height) {
    width = height = 0;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    width = DisplayWidth(display, DefaultScreen(display));
    height = DisplayHeight(display, DefaultScreen(display));
    XCloseDisplay(display);
}

// The keys go through XTEST to the focused window. xdotool's own --window option is left out: it
// fails when the window goes away in answer to the key, as a dialog does on Enter.
bool sendKey(unsigned long window, const char* key) {
    return sendKeys(window, {key});
}

// True once a child process has ended (it is left for its parent to reap).
static bool exited(int pid) {
    siginfo_t info{};
    if (waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return true;
    return info.si_pid != 0;
}

bool passSetupDialog(double seconds, int pid) {
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    // Tests run side by side on one X server and keyboard focus is the server's: a key sent
    // while another test takes the focus lands elsewhere, so Enter is pressed again while the
    // dialog stays up.
    auto nextPress = Clock::now();
    while (Clock::now() < deadline) {
        if (findWindow(demoWindowTitle, pid).id) return true;
        if (pid > 0 && exited(pid)) return false;
        WindowInfo dialog = findWindow(setupDialogTitle, pid);
        if (dialog.id && Clock::now() >= nextPress) {
            sendKey(dialog.id, "Return");
            nextPress = Clock::now() + std::chrono::seconds(2);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool sendKeys(unsigned long window, const std::vector<std::string>& keys) {
    std::string command = "xdotool windowfocus --sync " + std::to_string(window) + " key";
    for (const std::string& key : keys)
        command += " " + key;
    command += " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Auto-repeat is switched off for the held key so that it sends one press and nothing more, which
// no other window (tests run side by side) can pick up.
static void keyRepeat(const char* key, bool on) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    KeyCode code = XKeysymToKeycode(display, XStringToKeysym(key));
    if (code) {
        XKeyboardControl control;
        control.key = code;
        control.auto_repeat_mode = on ? AutoRepeatModeDefault : AutoRepeatModeOff;
        XChangeKeyboardControl(display, KBKey | KBAutoRepeatMode, &control);
    }
    XCloseDisplay(display);
}

bool holdKey(unsigned long window, const char* key) {
    keyRepeat(key, false);
    std::string command = "xdotool windowfocus --sync " + std::to_string(window) + " keydown " +
                          key + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool releaseKey(const char* key) {
    std::string command = std::string("xdotool keyup ") + key + " >/dev/null 2>&1";
    bool released = std::system(command.c_str()) == 0;
    keyRepeat(key, true);
    return released;
}

MapWatch::MapWatch() {
    Display* d = XOpenDisplay(nullptr);
    display = d;
    if (!d) return;
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);
}

MapWatch::~MapWatch() {
    if (display) XCloseDisplay(static_cast<Display*>(display));
}

void MapWatch::poll() {
    Display* d = static_cast<Display*>(display);
    if (!d) return;
    auto previous = XSetErrorHandler(ignoreErrors); // a window may be gone by the time we look
    XSync(d, False);
    while (XPending(d)) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type != MapNotify) continue;
        MappedWindow seen;
        seen.id = event.xmap.window;
        seen.title = windowTitle(d, seen.id);
        seen.pid = windowPid(d, seen.id);
        mapped.push_back(seen);
    }
    XSync(d, False);
    XSetErrorHandler(previous);
}

bool cursorHiddenOver(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    int eventBase, errorBase;
    bool hidden = false;
    XWindowAttributes attrs;
    if (XFixesQueryExtension(display, &eventBase, &errorBase) &&
        XGetWindowAttributes(display, window, &attrs)) {
        XWarpPointer(display, None, window, 0, 0, 0, 0, attrs.width / 2, attrs.height / 2);
        XSync(display, False);
        if (XFixesCursorImage* image = XFixesGetCursorImage(display)) {
            hidden = true;
            for (int i = 0; i < int(image->width) * int(image->height); ++i)
                if ((image->pixels[i] >> 24) & 0xff) hidden = false;
            XFree(image);
        }
    }
    XCloseDisplay(display);
    return hidden;
}

std::vector<uint32_t> grabScreen(int x, int y, int width, int height) {
    std::vector<uint32_t> pixels;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return pixels;
    auto previous = XSetErrorHandler(ignoreErrors);
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, unsigned(width),
                              unsigned(height), AllPlanes, ZPixmap);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (image) {
        pixels.reserve(size_t(width) * size_t(height));
        for (int row = 0; row < height; ++row)
            for (int col = 0; col < width; ++col)
                pixels.push_back(uint32_t(XGetPixel(image, col, row)) & 0xffffff);
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return pixels;
}
