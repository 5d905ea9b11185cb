#include "app/settings.h"

int32_t screenWidth = 1280;
int32_t screenHeight = 720;
uint8_t fullscreen = 0;
