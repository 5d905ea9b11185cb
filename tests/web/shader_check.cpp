// Compiles the converted shaders in the browser's WebGL 1 and links each fragment stage with the
// vertex stage through the render code's own compile-and-link (which binds the position attribute
// as the web build does); prints one line per shader and a summary line "shader_check: N failed"
// that the browser test reads.
#include "render/resources.h"
#include "render/shader_table.h"

#include <emscripten/html5.h>
#include <emscripten/html5_webgl.h>

#include <cstdio>

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
    for (int32_t pass = framePassScene; pass <= framePassFinal; ++pass) {
        const ShaderSource& fragment = passShaderSource(FramePass(pass));
        ShaderBuildFailure failure;
        GLuint program = compileAndLink(vertexShaderSource(), fragment, &failure);
        if (program) {
            std::printf("shader_check: %s: ok\n", fragment.name);
            glDeleteProgram(program);
            continue;
        }
        std::printf("shader_check: %s: %s failed: %s\n", failure.fileName,
                    failure.linkFailed ? "link" : "compile", failure.log.c_str());
        ++failures;
    }
    std::printf("shader_check: %d failed\n", failures);
    return 0;
}
