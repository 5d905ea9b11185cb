// Whole files read into memory for the tools' parsers: the same checks and the same problem
// texts in every tool.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Reads the regular file at path, its bytes as they are, into text. Returns 0 on success; else 1,
// text empty and problem naming the cause: "cannot open: REASON", "not a regular file",
// "read error: REASON" or "larger than N MiB" (a file over maxBytes).
int32_t readTextFile(const char* path, std::string& text, std::string& problem,
                     size_t maxBytes = SIZE_MAX);
