// The OpenGL API as this platform offers it: include this instead of a GL header.
//
// Desktop builds get OpenGL 2.0 with the framebuffer extensions through the entry-point loader
// (gl_loader.h); the browser build gets WebGL 1 (OpenGL ES 2.0) and defines BRUMELT_GLES2, where
// there is no immediate mode and no GL 1.x fixed-function entry point. Each platform's GL header
// is chosen here, and only here.
#pragma once
#if defined(__EMSCRIPTEN__)
#define BRUMELT_GLES2 1
#include <GLES2/gl2.h>
#elif defined(_WIN32)
#include "platform/wgl_gl.h"
#else
#include <GL/glew.h>
#endif
