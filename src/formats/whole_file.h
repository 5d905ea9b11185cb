// Whole files read into memory and written in one go, through the file seam (platform/file.h):
// the same checks and the same problem texts in every tool and test.
//
// readTextFile gives the problem alone, for callers that fit it into their own message;
// readWholeFile names the file in it, as the tools report it. Either reads the bytes as they are
// (text or not).
#pragma once
#include "platform/file.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Reads the regular file at path into text. Returns 0 on success; else 1, text empty and problem
// naming the cause: "cannot open: REASON", "not a regular file", "cannot read: REASON" or "larger
// than N MiB" (a file over maxBytes).
int32_t readTextFile(const char* path, std::string& text, std::string& problem,
                     size_t maxBytes = SIZE_MAX);

// The same, with *error "PATH: cause" on failure.
int32_t readWholeFile(const char* path, std::string* text, std::string* error);

// Makes the file at path hold exactly bytes (fileWriteWhole); on failure reason is the system's
// words for the cause.
FileWriteResult writeWholeFile(const char* path, const std::string& bytes, std::string& reason);
