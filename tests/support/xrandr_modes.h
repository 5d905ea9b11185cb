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
