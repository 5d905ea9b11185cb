// The show's shader programs built from their .glsl files while the studio runs, so that a saved
// shader replaces the running one, and a broken one is reported without stopping the show.
//
// The files are those the build embeds into the demo (SHADER_DIR/vertex.glsl, scene.glsl,
// glow.glsl and final.glsl); each program is the vertex stage plus one fragment stage.
#pragma once
#include "render/content.h"
#include "render/uniform_bindings.h"

#include <string>

// File name of each pass's fragment stage, and of the shared vertex stage (the shader table's).
const char* fragmentFileName(FramePass pass);
const char* vertexFileName();

// Builds the pass's program from the files in shaderDir. The program's name on success; 0 on
// failure, with nothing left behind and *error holding the problem: the driver's log with each
// line that names a source line rewritten as "FILE:LINE: ...", or the file that cannot be read.
GLuint buildPassProgram(const char* shaderDir, FramePass pass, std::string* error);

// The driver's compile log of `fileName` with line references ("0:12(5): error: ..." or
// "0(12) : error ...") rewritten as "FILE:12: error: ..."; other lines are kept as they are, and
// trailing blank lines dropped.
std::string logWithFileLines(const char* fileName, const std::string& log);
