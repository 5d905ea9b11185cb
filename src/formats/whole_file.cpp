#include "formats/whole_file.h"

static std::string limitText(size_t maxBytes) {
    if (maxBytes >= (size_t(1) << 20))
        return "larger than " + std::to_string(maxBytes >> 20) + " MiB";
    return "larger than " + std::to_string(maxBytes) + " bytes";
}

int32_t readTextFile(const char* path, std::string& text, std::string& problem, size_t maxBytes) {
    text.clear();
    const char* openProblem = nullptr;
    FileBytes file = fileMapWhole(path, &openProblem);
    if (!file.bytes) {
        problem = openProblem;
        return 1;
    }
    const bool tooLarge = file.size > maxBytes;
    if (!tooLarge) text.assign(reinterpret_cast<const char*>(file.bytes), file.size);
    fileRelease(file);
    if (tooLarge) {
        problem = limitText(maxBytes);
        return 1;
    }
    problem.clear();
    return 0;
}

int32_t readWholeFile(const char* path, std::string* text, std::string* error) {
    std::string problem;
    if (readTextFile(path, *text, problem) == 0) return 0;
    *error = std::string(path) + ": " + problem;
    return 1;
}

FileWriteResult writeWholeFile(const char* path, const std::string& bytes, std::string& reason) {
    const char* why = nullptr;
    FileWriteResult result = fileWriteWhole(path, bytes.data(), bytes.size(), &why);
    if (result != fileWritten) reason = why;
    return result;
}
