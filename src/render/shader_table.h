// The show's shaders as the build embedded them: each file's name, its stage and its text.
//
// This is the one place that knows which generated header holds which file; everything else asks
// here, by the file name or by the pass. The texts are those of src/render/shaders/ (GLSL ES 1.00
// in the browser build). The vertex stage is shared by every pass's program.
#pragma once
#include "platform/gl.h"
#include "render/uniform_bindings.h"

#include <cstdint>

struct ShaderSource {
    const char* name; // the file's name, e.g. "scene.glsl"
    GLenum stage;     // GL_VERTEX_SHADER or GL_FRAGMENT_SHADER
    const char* text; // as embedded, ending in '\0'
};

// Every shader: the vertex stage first, then the fragment stages in FramePass order.
extern const ShaderSource shaderSources[];
inline constexpr int32_t shaderSourceCount = 4;

// The shared vertex stage.
const ShaderSource& vertexShaderSource();

// The fragment stage of the pass's program.
const ShaderSource& passShaderSource(FramePass pass);

// The shader of that file name, or null when there is none.
const ShaderSource* findShaderSource(const char* name);
