#include "shader_programs.h"

#include "formats/whole_file.h"

#include <cctype>

const char* fragmentFileName(FramePass pass) {
    switch (pass) {
    case framePassScene:
        return "scene.glsl";
    case framePassGlow:
        return "glow.glsl";
    case framePassFinal:
        return "final.glsl";
    }
    return "";
}

// Skips the digits at line[*i]; false when there are none.
static bool skipDigits(const std::string& line, size_t* i, long* value) {
    const size_t first = *i;
    while (*i < line.size() && std::isdigit(static_cast<unsigned char>(line[*i])))
        ++*i;
    if (*i == first || *i - first > 9) return false;
    *value = std::stol(line.substr(first, *i - first));
    return true;
}

static bool skip(const std::string& line, size_t* i, char c) {
    while (c == ':' && *i < line.size() && line[*i] == ' ')
        ++*i;
    if (*i >= line.size() || line[*i] != c) return false;
    ++*i;
    return true;
}

// The source line one log line names, and where its message starts: "0:12(5): message" (Mesa),
// "0:12: message" or "0(12) : message". False when it names none.
static bool lineReference(const std::string& line, long* number, size_t* messageStart) {
    size_t i = 0;
    long sourceString, column;
    if (!skipDigits(line, &i, &sourceString)) return false;
    if (skip(line, &i, '(')) {
        if (!skipDigits(line, &i, number) || !skip(line, &i, ')') || !skip(line, &i, ':'))
            return false;
    } else {
        if (!skip(line, &i, ':') || !skipDigits(line, &i, number)) return false;
        if (skip(line, &i, '(') && (!skipDigits(line, &i, &column) || !skip(line, &i, ')')))
            return false;
        if (!skip(line, &i, ':')) return false;
    }
    *messageStart = i;
    return true;
}

std::string logWithFileLines(const char* fileName, const std::string& log) {
    std::string out;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0' || line.back() == ' '))
            line.pop_back();
        if (line.empty()) continue;
        long number = 0;
        size_t message = 0;
        if (lineReference(line, &number, &message)) {
            while (message < line.size() && line[message] == ' ')
                ++message;
            line =
                std::string(fileName) + ":" + std::to_string(number) + ": " + line.substr(message);
        }
        if (!out.empty()) out += '\n';
        out += line;
    }
    return out;
}

static GLuint compileStage(GLenum type, const std::string& text, const char* fileName,
                           std::string* error) {
    GLuint shader = glCreateShader(type);
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE) return shader;
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(size_t(length > 0 ? length : 1), '\0');
    glGetShaderInfoLog(shader, GLsizei(log.size()), nullptr, log.data());
    glDeleteShader(shader);
    *error = logWithFileLines(fileName, log);
    if (error->empty()) *error = std::string(fileName) + ": does not compile";
    return 0;
}

GLuint buildPassProgram(const char* shaderDir, FramePass pass, std::string* error) {
    const std::string dir = shaderDir;
    const char* fragmentName = fragmentFileName(pass);
    std::string vertexText, fragmentText;
    if (readWholeFile((dir + "/" + vertexFileName).c_str(), &vertexText, error) ||
        readWholeFile((dir + "/" + fragmentName).c_str(), &fragmentText, error))
        return 0;
    const GLuint vertex = compileStage(GL_VERTEX_SHADER, vertexText, vertexFileName, error);
    if (!vertex) return 0;
    const GLuint fragment = compileStage(GL_FRAGMENT_SHADER, fragmentText, fragmentName, error);
    if (!fragment) {
        glDeleteShader(vertex);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    // The program keeps what it linked; the stages go with it when it is deleted.
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE) return program;
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(size_t(length > 0 ? length : 1), '\0');
    glGetProgramInfoLog(program, GLsizei(log.size()), nullptr, log.data());
    glDeleteProgram(program);
    *error = std::string(fragmentName) + ": does not link: " + logWithFileLines(fragmentName, log);
    return 0;
}
