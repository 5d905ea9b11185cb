// The GL loader seam on GLEW: glewInit, then a check of every entry point past OpenGL 1.1 that
// the program calls.
#include "platform/gl_loader.h"

#include "platform/gl.h"

#include <string>

const char* glLoaderInit() {
    GLenum result = glewInit();
    if (result == GLEW_OK) return nullptr;
    static std::string problem;
    problem = reinterpret_cast<const char*>(glewGetErrorString(result));
    return problem.c_str();
}

struct EntryPoint {
    const char* name;
    bool present;
};

const char* glLoaderMissingEntryPoints() {
    // Every entry point beyond OpenGL 1.1 that the render code calls; 1.1 ones are linked
    // directly and always there.
    const EntryPoint entryPoints[] = {
        {"glCreateShader", glCreateShader != nullptr},
        {"glShaderSource", glShaderSource != nullptr},
        {"glCompileShader", glCompileShader != nullptr},
        {"glGetShaderiv", glGetShaderiv != nullptr},
        {"glGetShaderInfoLog", glGetShaderInfoLog != nullptr},
        {"glCreateProgram", glCreateProgram != nullptr},
        {"glAttachShader", glAttachShader != nullptr},
        {"glLinkProgram", glLinkProgram != nullptr},
        {"glGetProgramiv", glGetProgramiv != nullptr},
        {"glGetProgramInfoLog", glGetProgramInfoLog != nullptr},
        {"glUseProgram", glUseProgram != nullptr},
        {"glGetUniformLocation", glGetUniformLocation != nullptr},
        {"glUniform1f", glUniform1f != nullptr},
        {"glUniform2f", glUniform2f != nullptr},
        {"glUniform3f", glUniform3f != nullptr},
        {"glUniform1i", glUniform1i != nullptr},
        {"glActiveTexture", glActiveTexture != nullptr},
        {"glGenFramebuffers", glGenFramebuffers != nullptr},
        {"glBindFramebuffer", glBindFramebuffer != nullptr},
        {"glFramebufferRenderbuffer", glFramebufferRenderbuffer != nullptr},
        {"glFramebufferTexture2D", glFramebufferTexture2D != nullptr},
        {"glCheckFramebufferStatus", glCheckFramebufferStatus != nullptr},
        {"glGenRenderbuffersEXT", glGenRenderbuffersEXT != nullptr},
        {"glBindRenderbufferEXT", glBindRenderbufferEXT != nullptr},
        {"glRenderbufferStorageEXT", glRenderbufferStorageEXT != nullptr},
    };
    static std::string missing;
    missing.clear();
    for (const EntryPoint& entry : entryPoints) {
        if (entry.present) continue;
        if (!missing.empty()) missing += ", ";
        missing += entry.name;
    }
    return missing.empty() ? nullptr : missing.c_str();
}
