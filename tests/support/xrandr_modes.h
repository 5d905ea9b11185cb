// Display modes added to the X server's connected output for one test and removed again after.
// Tests that change modes share the CTest lock `x11_screen_modes`.
#pragma once
#include <string>
#include <vector>

// The first connected output's name, e.g. "screen" on Xvfb.
std::string connectedOutput();

// The name of the output's current mode.
std::string currentModeName();

class ExtraModes {
  public:
    ExtraModes();
    ~ExtraModes(); // restores the original mode and removes the added ones
    ExtraModes(const ExtraModes&) = delete;
    ExtraModes& operator=(const ExtraModes&) = delete;

    // Adds a mode with a plausible timing whose refresh rate is `hz`; it is listed last.
    bool add(int width, int height, int hz);

    std::string output;

  private:
    std::string originalMode;
    std::vector<std::string> names;
};

// An Xvfb of the test's own, made the process's display (DISPLAY) for its lifetime, for a test
// that needs the keyboard and the mode list to itself while others share the main server.
class PrivateXServer {
  public:
    explicit PrivateXServer(const char* screen = "1920x1080x24");
    ~PrivateXServer() { stop(); }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    bool ready() const { return pid > 0; }
    // Stops the server now (its clients lose their connection) and restores DISPLAY.
    void stop();

  private:
    int pid = -1;
    std::string previousDisplay;
};
