#include "base/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

static int32_t refuse(std::string& text, std::string& problem, const std::string& cause) {
    text.clear();
    problem = cause;
    return 1;
}

static std::string limitText(size_t maxBytes) {
    if (maxBytes >= (size_t(1) << 20))
        return "larger than " + std::to_string(maxBytes >> 20) + " MiB";
    return "larger than " + std::to_string(maxBytes) + " bytes";
}

int32_t readTextFile(const char* path, std::string& text, std::string& problem, size_t maxBytes) {
    // Checked before opening: opening a FIFO would wait for a writer.
    struct stat info;
    if (stat(path, &info) != 0)
        return refuse(text, problem, std::string("cannot open: ") + std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return refuse(text, problem, "not a regular file");
    if (uint64_t(info.st_size) > maxBytes) return refuse(text, problem, limitText(maxBytes));
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return refuse(text, problem, std::string("cannot open: ") + std::strerror(errno));
    text.clear();
    char block[65536];
    size_t got = 0;
    bool tooLarge = false;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        // The file may have grown since it was measured.
        if (got > maxBytes - text.size()) {
            tooLarge = true;
            break;
        }
        text.append(block, got);
    }
    const int readError = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (tooLarge) return refuse(text, problem, limitText(maxBytes));
    if (readError)
        return refuse(text, problem, std::string("read error: ") + std::strerror(readError));
    problem.clear();
    return 0;
}
