// Whole files: read into memory (mapped read-only where the platform can, read into a heap block
// where it cannot; both give the same bytes) and written in one go.
#pragma once
#include <cstddef>
#include <cstdint>

struct FileBytes {
    const uint8_t* bytes; // null when the file could not be had; never null for an empty file
    size_t size;
    void* handle; // the backend's own bookkeeping for fileRelease
};

// The bytes of the whole regular file at path. On failure bytes is null and *problem names the
// cause ("cannot open: No such file or directory", "not a regular file", "cannot read: ...").
// Anything but a regular file (a folder, a FIFO) is refused before it is opened, so the call
// never waits for a writer.
FileBytes fileMapWhole(const char* path, const char** problem);

// Gives the bytes back; a failed FileBytes is allowed.
void fileRelease(FileBytes file);

enum FileWriteResult : int32_t { fileWritten = 0, fileNotCreated = 1, fileNotWritten = 2 };

// Makes the file at path hold exactly `size` bytes from `bytes`, creating it or emptying it first
// (in place: a reader watching the file sees it closed after writing). On failure *reason is the
// system's words for the cause ("No such file or directory", "No space left on device"), valid
// until the next failing call on this thread; whatever part was written stays.
FileWriteResult fileWriteWhole(const char* path, const void* bytes, size_t size,
                               const char** reason);
