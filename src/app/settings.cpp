#include "app/settings.h"

int32_t screenWidth = 1280;
int32_t screenHeight = 720;
uint8_t fullscreen = 0;

const float bpm = 165.0f;
const double rowsPerBeat = 8.0;
const double rowsPerSecond = bpm / 60.0 * rowsPerBeat;
