// OpenGL on Windows: the 1.1 functions opengl32.dll exports, and every later entry point the
// program calls as a function pointer of the same name, filled by glLoaderInit (gl_loader.h)
// through wglGetProcAddress. A pointer stays null when the driver lacks the function;
// glLoaderMissingEntryPoints names those.
//
// Adding a call to a function beyond OpenGL 1.1 is one line in BRUMELT_GL_ENTRY_POINTS.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <GL/gl.h>
#include <GL/glext.h>

// OpenGL 2.0's shader, program, uniform and texture-unit functions, the framebuffer functions of
// ARB_framebuffer_object, and the renderbuffer functions of EXT_framebuffer_object.
#define BRUMELT_GL_ENTRY_POINTS(X)                                                                 \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                                                     \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                                       \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                                       \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                                                     \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                                         \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                                               \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                                       \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                                                     \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                                       \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                                         \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                                       \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                                             \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                                           \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                                                     \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                                           \
    X(PFNGLUNIFORM1FPROC, glUniform1f)                                                             \
    X(PFNGLUNIFORM2FPROC, glUniform2f)                                                             \
    X(PFNGLUNIFORM3FPROC, glUniform3f)                                                             \
    X(PFNGLUNIFORM4FPROC, glUniform4f)                                                             \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                                             \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                                                 \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                                                 \
    X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)                                           \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer)                                 \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D)                                       \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)                                   \
    X(PFNGLGENRENDERBUFFERSEXTPROC, glGenRenderbuffersEXT)                                         \
    X(PFNGLBINDRENDERBUFFEREXTPROC, glBindRenderbufferEXT)                                         \
    X(PFNGLRENDERBUFFERSTORAGEEXTPROC, glRenderbufferStorageEXT)                                   \
    X(PFNGLDELETERENDERBUFFERSEXTPROC, glDeleteRenderbuffersEXT)

#define BRUMELT_DECLARE_GL_ENTRY_POINT(type, name) extern type name;
BRUMELT_GL_ENTRY_POINTS(BRUMELT_DECLARE_GL_ENTRY_POINT)
#undef BRUMELT_DECLARE_GL_ENTRY_POINT
