#include "shader_programs.h"

#include "formats/whole_file.h"
#include "render/resources.h"
#include "render/shader_table.h"

#include <cctype>

const char* fragmentFileName(FramePass pass) {
    return passShaderSource(pass).name;
}

const char* vertexFileName() {
    return vertexShaderSource().name;
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

GLuint buildPassProgram(const char* shaderDir, FramePass pass, std::string* error) {
    const std::string dir = shaderDir;
    const char* fragmentName = fragmentFileName(pass);
    std::string vertexText, fragmentText;
    if (readWholeFile((dir + "/" + vertexFileName()).c_str(), &vertexText, error) ||
        readWholeFile((dir + "/" + fragmentName).c_str(), &fragmentText, error))
        return 0;
    const ShaderSource vertex = {vertexFileName(), GL_VERTEX_SHADER, vertexText.c_str()};
    const ShaderSource fragment = {fragmentName, GL_FRAGMENT_SHADER, fragmentText.c_str()};
    ShaderBuildFailure failure;
    const GLuint program = compileAndLink(vertex, fragment, &failure);
    if (program) return program;
    if (failure.linkFailed) {
        *error = std::string(fragmentName) +
                 ": does not link: " + logWithFileLines(fragmentName, failure.log);
    } else {
        *error = logWithFileLines(failure.fileName, failure.log);
        if (error->empty()) *error = std::string(failure.fileName) + ": does not compile";
    }
    return 0;
}
