#include "render/content.h"

#include <GL/glew.h>
#include <cmath>

void loadContent() {}

int openTracks() { return 0; }

// Placeholder picture: one hue a beat, brightest on the beat, so the clock can be watched.
void renderFrame(double row) {
    double beat = row / 8.0;
    float pulse = float(1.0 - (beat - std::floor(beat)));
    float bar = float(std::fmod(std::floor(beat), 4.0) / 3.0);
    glClearColor(0.2f + 0.6f * bar * pulse, 0.15f * pulse, 0.6f * pulse, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
