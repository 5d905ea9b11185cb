#include "support/xrandr_modes.h"

#include "support/process.h"

#include <cstdlib>
#include <sstream>
#include <unistd.h>

static bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string connectedOutput() {
    return shellOutput("xrandr -q 2>/dev/null | awk '/ connected/ { print $1; exit }'");
}

std::string currentModeName() {
    return shellOutput("xrandr -q 2>/dev/null | awk '/^ .*\\*/ { print $1; exit }'");
}

ExtraModes::ExtraModes() : output(connectedOutput()), originalMode(currentModeName()) {}

ExtraModes::~ExtraModes() {
    if (!originalMode.empty() && currentModeName() != originalMode)
        run("xrandr --output " + output + " --mode " + originalMode);
    for (const std::string& name : names) {
        run("xrandr --delmode " + output + " " + name);
        run("xrandr --rmmode " + name);
    }
}

bool ExtraModes::add(int width, int height, int hz) {
    std::string name = "t" + std::to_string(getpid()) + "_" + std::to_string(width) + "x" +
                       std::to_string(height) + "_" + std::to_string(hz);
    int hTotal = width + 160, vTotal = height + 30;
    double clockMHz = double(hTotal) * vTotal * hz / 1e6;
    std::ostringstream timing;
    timing << clockMHz << " " << width << " " << width + 48 << " " << width + 80 << " " << hTotal
           << " " << height << " " << height + 3 << " " << height + 8 << " " << vTotal;
    if (!run("xrandr --newmode " + name + " " + timing.str())) return false;
    names.push_back(name);
    return run("xrandr --addmode " + output + " " + name);
}
