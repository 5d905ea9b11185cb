#include "support/xrandr_modes.h"

#include "support/process.h"

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

PrivateXServer::PrivateXServer(const char* screen) {
    if (const char* display = std::getenv("DISPLAY")) previousDisplay = display;
    for (int number = 140; number < 200 && pid < 0; ++number) {
        std::string name = ":" + std::to_string(number);
        std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
        if (access(lock.c_str(), F_OK) == 0) continue;
        ChildProcess server = startProcess(
            {"/usr/bin/Xvfb", name, "-noreset", "-nolisten", "tcp", "-screen", "0", screen}, "/");
        setenv("DISPLAY", name.c_str(), 1);
        for (int i = 0; i < 200 && processRunning(server); ++i) {
            if (run("xdpyinfo")) {
                pid = server.pid;
                return;
            }
            usleep(25000);
        }
        waitProcess(server, 0); // lost a race for the number, or failed: try the next one
    }
    setenv("DISPLAY", previousDisplay.c_str(), 1);
}

PrivateXServer::~PrivateXServer() {
    if (pid > 0) {
        ChildProcess server;
        server.pid = pid;
        kill(pid, SIGTERM);
        waitProcess(server, 5.0);
    }
    if (previousDisplay.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", previousDisplay.c_str(), 1);
}
