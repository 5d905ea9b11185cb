#include "support/xwindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
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
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &found.x,
                              &found.y, &child);
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

static int ignoreErrors(Display*, XErrorEvent*) { return 0; }

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

bool sendKey(unsigned long window, const char* key) {
    std::string command = "xdotool windowfocus --sync " + std::to_string(window) +
                          " key --window " + std::to_string(window) + " " + key +
                          " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool passSetupDialog(double seconds, int pid) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    bool pressed = false;
    while (std::chrono::steady_clock::now() < deadline) {
        if (findWindow(demoWindowTitle, pid).id) return true;
        WindowInfo dialog = findWindow(setupDialogTitle, pid);
        if (dialog.id && !pressed) pressed = sendKey(dialog.id, "Return");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}
