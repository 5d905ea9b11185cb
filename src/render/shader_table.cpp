#include "render/shader_table.h"

#include "shaders/final.glsl.h"
#include "shaders/glow.glsl.h"
#include "shaders/scene.glsl.h"
#include "shaders/vertex.glsl.h"

#include <cstring>

const ShaderSource shaderSources[shaderSourceCount] = {
    {"vertex.glsl", GL_VERTEX_SHADER, vertex_glsl},
    {"scene.glsl", GL_FRAGMENT_SHADER, scene_glsl},
    {"glow.glsl", GL_FRAGMENT_SHADER, glow_glsl},
    {"final.glsl", GL_FRAGMENT_SHADER, final_glsl},
};

const ShaderSource& vertexShaderSource() {
    return shaderSources[0];
}

const ShaderSource& passShaderSource(FramePass pass) {
    return shaderSources[1 + int32_t(pass)];
}

const ShaderSource* findShaderSource(const char* name) {
    for (const ShaderSource& source : shaderSources) {
        if (std::strcmp(source.name, name) == 0) return &source;
    }
    return nullptr;
}
