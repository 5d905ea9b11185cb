// The file seam on Win32: a read-only view of the whole file (CreateFileMapping), and WriteFile
// to write one.
#include "platform/file.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

// The system's text for the last error, without its closing full stop and line break; kept until
// the next failure on this thread.
static const char* lastErrorText() {
    thread_local char text[256];
    DWORD error = GetLastError();
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == '.' || text[length - 1] == ' '))
        text[--length] = '\0';
    if (length == 0) std::snprintf(text, sizeof text, "error %lu", error);
    return text;
}

// "WHAT: the system's text for the last error", kept until the next failure on this thread.
static const char* lastErrorProblem(const char* what) {
    thread_local char problem[300];
    const char* text = lastErrorText();
    std::snprintf(problem, sizeof problem, "%s: %s", what, text);
    return problem;
}

FileBytes fileMapWhole(const char* path, const char** problem) {
    FileBytes file = {nullptr, 0, nullptr};
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *problem = lastErrorProblem("cannot open");
        return file;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        *problem = "not a regular file";
        return file;
    }
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *problem = lastErrorProblem("cannot open");
        return file;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(handle, &size)) {
        *problem = lastErrorProblem("cannot read");
        CloseHandle(handle);
        return file;
    }
    if (size.QuadPart == 0) {
        // A mapping of zero bytes cannot be made; an empty file is an empty range.
        static const uint8_t empty[1] = {0};
        file.bytes = empty;
        CloseHandle(handle);
        return file;
    }
    if (uint64_t(size.QuadPart) > SIZE_MAX) {
        *problem = "too large for this process";
        CloseHandle(handle);
        return file;
    }
    HANDLE mapping = CreateFileMappingA(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    const void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (!view) *problem = lastErrorProblem("cannot read");
    // The view keeps the file and the mapping alive on its own.
    if (mapping) CloseHandle(mapping);
    CloseHandle(handle);
    if (!view) return file;
    file.bytes = static_cast<const uint8_t*>(view);
    file.size = size_t(size.QuadPart);
    file.handle = const_cast<void*>(view);
    return file;
}

void fileRelease(FileBytes file) {
    if (file.handle) UnmapViewOfFile(file.handle);
}

FileWriteResult fileWriteWhole(const char* path, const void* bytes, size_t size,
                               const char** reason) {
    HANDLE handle =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *reason = lastErrorText();
        return fileNotCreated;
    }
    const uint8_t* at = static_cast<const uint8_t*>(bytes);
    size_t left = size;
    while (left > 0) {
        // WriteFile takes 32-bit counts.
        DWORD chunk = left > (DWORD(1) << 30) ? (DWORD(1) << 30) : DWORD(left);
        DWORD written = 0;
        if (!WriteFile(handle, at, chunk, &written, nullptr) || written == 0) {
            *reason = lastErrorText();
            CloseHandle(handle);
            return fileNotWritten;
        }
        at += written;
        left -= written;
    }
    if (!CloseHandle(handle)) {
        *reason = lastErrorText();
        return fileNotWritten;
    }
    return fileWritten;
}
