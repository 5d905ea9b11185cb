#include "app/settings.h"

#include "base/show.h"

int32_t screenWidth = 1280;
int32_t screenHeight = 720;
uint8_t fullscreen = 0;

const float bpm = showTempoBpm;
const double rowsPerBeat = showRowsPerBeat;
const double rowsPerSecond = bpm / 60.0 * rowsPerBeat;
