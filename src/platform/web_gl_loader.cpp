// WebGL 1 entry points are Emscripten's own JS functions, linked in with the program: there is
// nothing to load and nothing that can be missing.
#include "platform/gl_loader.h"

const char* glLoaderInit() {
    return nullptr;
}

const char* glLoaderMissingEntryPoints() {
    return nullptr;
}
