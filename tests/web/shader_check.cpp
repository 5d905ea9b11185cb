// Compiles the converted shaders in the browser's WebGL 1 and links each fragment stage with the
// vertex stage, binding the position attribute as the web build does; prints one line per shader
// and a summary line "shader_check: N failed" that the browser test reads.
#include "shaders/final.glsl.h"
#include "shaders/glow.glsl.h"
#include "shaders/scene.glsl.h"
#include "shaders/vertex.glsl.h"

#include <GLES2/gl2.h>
#include <emscripten/html5.h>
#include <emscripten/html5_webgl.h>

#include <cstdio>

static bool compiled(GLuint shader, const char* name) {
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return true;
    char log[2048] = "";
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::printf("shader_check: %s: compile failed: %s\n", name, log);
    return false;
}

static GLuint compile(GLenum type, const char* text, const char* name, int* failures) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    if (!compiled(shader, name)) ++*failures;
    return shader;
}

int main() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 1;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0) {
        std::printf("shader_check: no WebGL 1 context\nshader_check: 1 failed\n");
        return 1;
    }
    emscripten_webgl_make_context_current(context);
    int failures = 0;
    GLuint vertex = compile(GL_VERTEX_SHADER, vertex_glsl, "vertex.glsl", &failures);
    const struct {
        const char* text;
        const char* name;
    } fragments[] = {
        {scene_glsl, "scene.glsl"}, {glow_glsl, "glow.glsl"}, {final_glsl, "final.glsl"}};
    for (const auto& fragment : fragments) {
        GLuint shader = compile(GL_FRAGMENT_SHADER, fragment.text, fragment.name, &failures);
        GLuint program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, shader);
        glBindAttribLocation(program, 0, "brumeltVertex");
        glLinkProgram(program);
        GLint linked = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (linked != GL_TRUE) {
            char log[2048] = "";
            glGetProgramInfoLog(program, sizeof log, nullptr, log);
            std::printf("shader_check: %s: link failed: %s\n", fragment.name, log);
            ++failures;
        } else {
            std::printf("shader_check: %s: ok\n", fragment.name);
        }
    }
    std::printf("shader_check: %d failed\n", failures);
    return 0;
}
