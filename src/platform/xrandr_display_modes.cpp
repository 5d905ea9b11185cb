// The display-mode seam on XRandR: the modes of the primary RandR output (or the first connected
// output when none is primary), in the order RandR lists them for that output, refresh-rate
// variants included. Every mode carries the screen's bits per pixel (a depth-24 screen stores 32
// bits a pixel).
#include "platform/display_modes.h"
#include "platform/display_modes_internal.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cmath>
#include <cstring>
#include <vector>

static DisplayModeSource modeSource = nullptr;
static std::vector<DisplayModeInfo> modesRead; // the reading taken at index 0

void setDisplayModeSource(DisplayModeSource source) {
    modeSource = source;
}

static uint32_t bitsPerPixel(Display* display, int screen) {
    int depth = DefaultDepth(display, screen);
    uint32_t bits = depth == 24 ? 32u : uint32_t(depth);
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    for (int i = 0; formats && i < count; ++i)
        if (formats[i].depth == depth) bits = uint32_t(formats[i].bits_per_pixel);
    if (formats) XFree(formats);
    return bits;
}

static RROutput chooseOutput(Display* display, Window root, XRRScreenResources* resources,
                             const char* deviceName) {
    RROutput primary = deviceName ? None : XRRGetOutputPrimary(display, root);
    RROutput firstConnected = None;
    for (int i = 0; i < resources->noutput; ++i) {
        XRROutputInfo* info = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        if (!info) continue;
        bool connected = info->connection == RR_Connected;
        bool named = deviceName && std::strcmp(info->name, deviceName) == 0;
        XRRFreeOutputInfo(info);
        if (named) return resources->outputs[i];
        if (!deviceName && resources->outputs[i] == primary && connected) return primary;
        if (!deviceName && connected && firstConnected == None)
            firstConnected = resources->outputs[i];
    }
    return firstConnected;
}

static void readModes(const char* deviceName) {
    modesRead.clear();
    Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    int eventBase = 0, errorBase = 0;
    if (XRRQueryExtension(display, &eventBase, &errorBase)) {
        int screen = DefaultScreen(display);
        Window root = RootWindow(display, screen);
        uint32_t bits = bitsPerPixel(display, screen);
        XRRScreenResources* resources = XRRGetScreenResources(display, root);
        if (resources) {
            RROutput output = chooseOutput(display, root, resources, deviceName);
            XRROutputInfo* info =
                output != None ? XRRGetOutputInfo(display, resources, output) : nullptr;
            for (int i = 0; info && i < info->nmode; ++i) {
                for (int m = 0; m < resources->nmode; ++m) {
                    const XRRModeInfo& mode = resources->modes[m];
                    if (mode.id != info->modes[i]) continue;
                    double dots = double(mode.hTotal) * double(mode.vTotal);
                    uint32_t hz =
                        dots > 0 ? uint32_t(std::lround(double(mode.dotClock) / dots)) : 0;
                    modesRead.push_back({bits, mode.width, mode.height, hz});
                    break;
                }
            }
            if (info) XRRFreeOutputInfo(info);
            XRRFreeScreenResources(resources);
        }
    }
    XCloseDisplay(display);
}

int enumDisplaySettings(const char* deviceName, uint32_t modeIndex, DisplayModeInfo* mode) {
    if (!mode) return 0;
    if (modeSource) return modeSource(modeIndex, mode);
    if (modeIndex == 0) readModes(deviceName);
    if (modeIndex >= modesRead.size()) return 0;
    *mode = modesRead[modeIndex];
    return 1;
}
