// The GL loader seam on WGL: every entry point past OpenGL 1.1 looked up with wglGetProcAddress
// for the current context.
#include "platform/gl.h"
#include "platform/gl_loader.h"

#include <string>

#define BRUMELT_DEFINE_GL_ENTRY_POINT(type, name) type name = nullptr;
BRUMELT_GL_ENTRY_POINTS(BRUMELT_DEFINE_GL_ENTRY_POINT)
#undef BRUMELT_DEFINE_GL_ENTRY_POINT

// Some drivers answer wglGetProcAddress with small integers instead of null for a function they
// lack. (Through void*: a direct cast between unrelated function pointer types draws a warning.)
static void* entryPoint(const char* name) {
    void* found = reinterpret_cast<void*>(wglGetProcAddress(name));
    intptr_t value = reinterpret_cast<intptr_t>(found);
    if (value >= -1 && value <= 3) return nullptr;
    return found;
}

const char* glLoaderInit() {
    if (!wglGetCurrentContext()) return "no current OpenGL context";
#define BRUMELT_LOAD_GL_ENTRY_POINT(type, name) name = reinterpret_cast<type>(entryPoint(#name));
    BRUMELT_GL_ENTRY_POINTS(BRUMELT_LOAD_GL_ENTRY_POINT)
#undef BRUMELT_LOAD_GL_ENTRY_POINT
    return nullptr;
}

const char* glLoaderMissingEntryPoints() {
    static std::string missing;
    missing.clear();
#define BRUMELT_CHECK_GL_ENTRY_POINT(type, name)                                                   \
    if (!name) missing += missing.empty() ? #name : ", " #name;
    BRUMELT_GL_ENTRY_POINTS(BRUMELT_CHECK_GL_ENTRY_POINT)
#undef BRUMELT_CHECK_GL_ENTRY_POINT
    return missing.empty() ? nullptr : missing.c_str();
}
