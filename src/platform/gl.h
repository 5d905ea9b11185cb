// The OpenGL API as this platform offers it: include this instead of a GL header.
//
// Desktop builds get OpenGL 2.0 with the framebuffer extensions through an entry-point loader
// (GLEW on Linux, our own wglGetProcAddress loader on Windows); the browser build gets WebGL 1
// (OpenGL ES 2.0) and defines BRUMELT_GLES2, where there is no immediate mode and no GL 1.x
// fixed-function entry point.
#pragma once
#if defined(__EMSCRIPTEN__)
#define BRUMELT_GLES2 1
#include <GLES2/gl2.h>
#elif defined(_WIN32)
#include "platform/win32/gl_win32.h"
#else
#include <GL/glew.h>
#endif
