#include "support/xrandr_modes.h"

#include "support/process.h"

#include <chrono>
#include <csignal>
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

// The display number Xvfb writes on its stderr once it accepts connections (-displayfd 2): a line
// of digits alone among whatever else it prints. Empty until then.
static std::string announcedDisplay(const std::string& output) {
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
            return ":" + line;
    }
    return {};
}

PrivateXServer::PrivateXServer(const char* screen) {
    if (const char* display = std::getenv("DISPLAY")) previousDisplay = display;
    // The server picks a free display number itself and tells it, so parallel tests never race
    // for one.
    ChildProcess server = startProcess({"/usr/bin/Xvfb", "-displayfd", "2", "-noreset", "-nolisten",
                                        "tcp", "-screen", "0", screen},
                                       "/");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (processRunning(server) && std::chrono::steady_clock::now() < deadline) {
        std::string name = announcedDisplay(readStderr(server));
        if (!name.empty()) {
            setenv("DISPLAY", name.c_str(), 1);
            pid = server.pid;
            return;
        }
        usleep(25000);
    }
    waitProcess(server, 0);
}

void PrivateXServer::stop() {
    if (pid <= 0) return;
    ChildProcess server;
    server.pid = pid;
    kill(pid, SIGTERM);
    waitProcess(server, 5.0);
    pid = -1;
    if (previousDisplay.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", previousDisplay.c_str(), 1);
}
