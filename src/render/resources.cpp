#include "render/resources.h"

#include "base/log.h"
#include "formats/tga.h"
#include "platform/file.h"

#include <string>

#ifdef BRUMELT_GLES2
// WebGL 1 names texture formats by their components only (RGBA is 8 bits each) and has a 16-bit
// depth renderbuffer as its one depth format.
static const GLint colourTextureFormat = GL_RGBA;
static const GLenum depthFormat = GL_DEPTH_COMPONENT16;
#else
static const GLint colourTextureFormat = GL_RGBA8;
static const GLenum depthFormat = GL_DEPTH_COMPONENT24;
#endif

static void setTextureParameters() {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

static GLuint uploadTexture(int32_t width, int32_t height, const void* pixels) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, colourTextureFormat, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels);
    setTextureParameters();
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

GLuint loadTgaTexture(const char* path) {
    std::string problem;
    const char* openProblem = nullptr;
    FileBytes file = fileMapWhole(path, &openProblem);
    if (!file.bytes) problem = openProblem;
    TgaImage image{};
    if (file.bytes) {
        const char* parseProblem = parseTga(file.bytes, file.size, &image);
        if (parseProblem) problem = parseProblem;
    }
    if (problem.empty()) {
        GLint largest = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
        if (image.width > largest || image.height > largest) {
            problem = std::to_string(image.width) + " x " + std::to_string(image.height) +
                      " is larger than the driver's largest texture (" + std::to_string(largest) +
                      ")";
        }
    }
    GLuint texture;
    if (problem.empty()) {
        texture = uploadTexture(image.width, image.height, image.pixels);
    } else {
        logMessage("render", "%s: %s; using a transparent 1x1 texture", path, problem.c_str());
        static const uint8_t transparent[4] = {0, 0, 0, 0};
        texture = uploadTexture(1, 1, transparent);
    }
    fileRelease(file);
    return texture;
}

#ifdef BRUMELT_GLES2
// The generic vertex attribute that carries the full-screen rectangle's corners.
static const GLuint fullScreenRectAttribute = 0;
#endif

// The info log without its trailing line breaks.
static std::string trimmedLog(std::string log) {
    while (!log.empty() && (log.back() == '\n' || log.back() == '\r' || log.back() == '\0')) {
        log.pop_back();
    }
    return log;
}

// A shader's or a program's info log (the two have the same pair of queries).
template <typename GetParameter, typename GetLog>
static std::string infoLog(GLuint object, GetParameter getParameter, GetLog getLog) {
    GLint length = 0;
    getParameter(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(size_t(length > 0 ? length : 1), '\0');
    getLog(object, GLsizei(log.size()), nullptr, log.data());
    return trimmedLog(log);
}

static GLuint compileStage(const ShaderSource& source, ShaderBuildFailure* failure) {
    GLuint shader = glCreateShader(source.stage);
    glShaderSource(shader, 1, &source.text, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE) return shader;
    *failure =
        ShaderBuildFailure{source.name, 0, infoLog(shader, glGetShaderiv, glGetShaderInfoLog)};
    glDeleteShader(shader);
    return 0;
}

GLuint compileAndLink(const ShaderSource& vertex, const ShaderSource& fragment,
                      ShaderBuildFailure* failure) {
    GLuint vertexShader = compileStage(vertex, failure);
    if (!vertexShader) return 0;
    GLuint fragmentShader = compileStage(fragment, failure);
    if (!fragmentShader) {
        glDeleteShader(vertexShader);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
#ifdef BRUMELT_GLES2
    // The converted vertex stage reads the rectangle's corners from this generic attribute.
    glBindAttribLocation(program, fullScreenRectAttribute, "brumeltVertex");
#endif
    glLinkProgram(program);
    // The program keeps what it linked; the stages go with it when it is deleted.
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE) return program;
    *failure =
        ShaderBuildFailure{fragment.name, 1, infoLog(program, glGetProgramiv, glGetProgramInfoLog)};
    glDeleteProgram(program);
    return 0;
}

ShaderProgram buildProgram(const ShaderSource& fragment) {
    ShaderBuildFailure failure;
    GLuint program = compileAndLink(vertexShaderSource(), fragment, &failure);
    if (!program) {
        logMessage("render", "%s: %s failed: %s", failure.fileName,
                   failure.linkFailed ? "link" : "compile", failure.log.c_str());
    }
    return program;
}

static const char* framebufferStatusName(GLenum status) {
    switch (status) {
#ifdef BRUMELT_GLES2
    // OpenGL ES 2.0 has none of the draw/read buffer, multisample or undefined statuses, and
    // one of its own.
    case GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS:
        return "attachments of different sizes";
#else
    case GL_FRAMEBUFFER_UNDEFINED:
        return "undefined";
#endif
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT:
        return "incomplete attachment";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT:
        return "missing attachment";
    case GL_FRAMEBUFFER_UNSUPPORTED:
        return "unsupported format combination";
#ifndef BRUMELT_GLES2
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER:
        return "incomplete draw buffer";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER:
        return "incomplete read buffer";
    case GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE:
        return "incomplete multisample";
#endif
    default:
        return "unknown status";
    }
}

RenderTarget createRenderTarget(int32_t width, int32_t height) {
    RenderTarget target = {0, 0, 0};
    glGenFramebuffers(1, &target.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
#ifdef BRUMELT_GLES2
    glGenRenderbuffers(1, &target.depthRenderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, target.depthRenderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, depthFormat, width, height);
#else
    glGenRenderbuffersEXT(1, &target.depthRenderbuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER, target.depthRenderbuffer);
    glRenderbufferStorageEXT(GL_RENDERBUFFER, depthFormat, width, height);
#endif
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                              target.depthRenderbuffer);
    glGenTextures(1, &target.colourTexture);
    glBindTexture(GL_TEXTURE_2D, target.colourTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, colourTextureFormat, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    setTextureParameters();
    glBindTexture(GL_TEXTURE_2D, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                           target.colourTexture, 0);
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        logMessage("render", "%dx%d render target incomplete: %s (0x%04x)", width, height,
                   framebufferStatusName(status), unsigned(status));
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return target;
}

void deleteRenderTarget(const RenderTarget& target) {
    glDeleteFramebuffers(1, &target.framebuffer);
#ifdef BRUMELT_GLES2
    glDeleteRenderbuffers(1, &target.depthRenderbuffer);
#else
    glDeleteRenderbuffersEXT(1, &target.depthRenderbuffer);
#endif
    glDeleteTextures(1, &target.colourTexture);
}

#ifdef BRUMELT_GLES2
// OpenGL ES has no immediate mode: the rectangle is a strip of two triangles in a vertex buffer,
// made at the first draw and bound for every draw after (nothing else uses vertex arrays).
static GLuint corners = 0;

void drawFullScreenRect() {
    if (corners == 0) {
        static const GLfloat strip[] = {-1.0f, 1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f, -1.0f};
        glGenBuffers(1, &corners);
        glBindBuffer(GL_ARRAY_BUFFER, corners);
        glBufferData(GL_ARRAY_BUFFER, sizeof strip, strip, GL_STATIC_DRAW);
        glVertexAttribPointer(fullScreenRectAttribute, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
        glEnableVertexAttribArray(fullScreenRectAttribute);
    }
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

// A lost context took the buffer along; its name means nothing in the restored one.
void forgetFullScreenRect() {
    corners = 0;
}
#else
void drawFullScreenRect() {
    glRecti(-1, 1, 1, -1);
}

void forgetFullScreenRect() {}
#endif
