// GPU objects of the demo and the one draw every pass makes.
//
// Everything here needs a current GL context with the extension loader initialised, and runs on
// the thread that holds it. Objects are made once and kept, except render targets, which a new
// size replaces. Problems (an unusable image file, a shader that does not compile or link, an
// incomplete framebuffer) are reported on stderr with one line each, and the show goes on with
// whatever the driver draws: a placeholder texture, program 0, the incomplete target.
#pragma once
#include "platform/gl.h"
#include "render/shader_table.h"

#include <cstdint>
#include <string>

// An offscreen framebuffer with an RGBA8 colour texture and a 24-bit depth renderbuffer.
struct RenderTarget {
    GLuint framebuffer;
    GLuint depthRenderbuffer;
    GLuint colourTexture;
};

// The GL name of a linked program: the shared vertex stage plus one fragment stage.
typedef GLuint ShaderProgram;

// A new 2D texture holding the 32-bit TGA image at path, its stored bytes uploaded unchanged as
// RGBA (so shaders read it with .bgra) and its first stored row at t = 0. An unusable file gives a
// 1 x 1 transparent texture instead. Leaves nothing bound to GL_TEXTURE_2D.
GLuint loadTgaTexture(const char* path);

// Why a program was not built: the file whose stage did not compile (the fragment stage's when
// the link failed) and the driver's log, its trailing line breaks dropped.
struct ShaderBuildFailure {
    const char* fileName;
    int32_t linkFailed; // 1: both stages compiled but the program did not link
    std::string log;
};

// Compiles vertex and fragment (stopping at the first that fails) and links them; in the browser
// build the rectangle's corner attribute is bound first. The program; or 0, with no shader or
// program left behind and *failure filled in. Does not make the program current.
GLuint compileAndLink(const ShaderSource& vertex, const ShaderSource& fragment,
                      ShaderBuildFailure* failure);

// The embedded vertex stage and fragment, compiled and linked; 0 after one stderr line
// ("FILE: compile failed: LOG" or "FILE: link failed: LOG") when they do not build.
ShaderProgram buildProgram(const ShaderSource& fragment);

// A width x height target; leaves framebuffer 0 and no 2D texture bound.
RenderTarget createRenderTarget(int32_t width, int32_t height);

// Deletes the target's framebuffer, renderbuffer and texture (names of 0 are skipped).
void deleteRenderTarget(const RenderTarget& target);

// Covers the whole viewport of the bound framebuffer with the program in use.
void drawFullScreenRect();

// Forgets the GL objects drawFullScreenRect made (the web build's vertex buffer), for a context
// that was lost and restored: the next draw makes them anew. Nothing to do on the desktop.
void forgetFullScreenRect();
