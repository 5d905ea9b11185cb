#include "platform/window_system.h"

void* activeWindowHandle() { return nullptr; }
