// The file seam on POSIX: a private read-only mmap of the whole file, and plain write(2) calls to
// write one (Linux, and the browser's in-memory file system, whose mmap copies).
#include "platform/file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// Mapping lets an upload read the page cache directly: copying a large image into a fresh heap
// block first cost as much as the upload itself. The files are the demo's own, not written while
// it loads.
static const char* describeErrno(const char* what) {
    static char problem[160];
    std::snprintf(problem, sizeof problem, "%s: %s", what, std::strerror(errno));
    return problem;
}

FileBytes fileMapWhole(const char* path, const char** problem) {
    static const uint8_t empty[1] = {0};
    FileBytes file = {nullptr, 0, nullptr};
    // Checked before opening: opening a FIFO would wait for a writer.
    struct stat info;
    if (stat(path, &info) != 0) {
        *problem = describeErrno("cannot open");
        return file;
    }
    if (!S_ISREG(info.st_mode)) {
        *problem = "not a regular file";
        return file;
    }
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *problem = describeErrno("cannot open");
        return file;
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *problem = "not a regular file";
        close(fd);
        return file;
    }
    size_t length = size_t(info.st_size);
    if (length == 0) {
        file.bytes = empty;
    } else {
#ifdef MAP_POPULATE
        const int flags = MAP_PRIVATE | MAP_POPULATE;
#else
        const int flags = MAP_PRIVATE;
#endif
        void* mapped = mmap(nullptr, length, PROT_READ, flags, fd, 0);
        if (mapped == MAP_FAILED) {
            *problem = describeErrno("cannot read");
        } else {
            file.bytes = static_cast<const uint8_t*>(mapped);
            file.size = length;
            file.handle = mapped;
        }
    }
    close(fd);
    return file;
}

void fileRelease(FileBytes file) {
    if (file.handle) munmap(file.handle, file.size);
}

static const char* errnoReason(int error) {
    thread_local char reason[128];
    std::snprintf(reason, sizeof reason, "%s", std::strerror(error));
    return reason;
}

FileWriteResult fileWriteWhole(const char* path, const void* bytes, size_t size,
                               const char** reason) {
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        *reason = errnoReason(errno);
        return fileNotCreated;
    }
    const uint8_t* at = static_cast<const uint8_t*>(bytes);
    size_t left = size;
    while (left > 0) {
        ssize_t written = write(fd, at, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            // write(2) returns 0 only for a request of 0 bytes; a full disk gives ENOSPC.
            *reason = errnoReason(written < 0 ? errno : EIO);
            close(fd);
            return fileNotWritten;
        }
        at += written;
        left -= size_t(written);
    }
    if (close(fd) != 0) {
        *reason = errnoReason(errno);
        return fileNotWritten;
    }
    return fileWritten;
}
