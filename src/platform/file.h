// Whole files in memory: mapped read-only where the platform can, read into a heap block where it
// cannot. Both give the same bytes.
#pragma once
#include <cstddef>
#include <cstdint>

struct FileBytes {
    const uint8_t* bytes; // null when the file could not be had; never null for an empty file
    size_t size;
    void* handle; // the backend's own bookkeeping for fileRelease
};

// The bytes of the whole regular file at path. On failure bytes is null and *problem names the
// cause ("cannot open: No such file or directory", "not a regular file", ...).
FileBytes fileMapWhole(const char* path, const char** problem);

// Gives the bytes back; a failed FileBytes is allowed.
void fileRelease(FileBytes file);
