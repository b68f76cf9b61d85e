// file_bytes.h: whole-file reads and writes for the tool's commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads the whole file at `path` into *out. Returns an empty string on success, otherwise the
// reason (e.g. "No such file or directory").
std::string readFileBytes(const std::string& path, std::vector<uint8_t>* out);

// Writes `bytes` to `path` ("-" is the standard output), replacing the file. Returns an empty
// string on success, otherwise the reason; a file left half-written is removed.
std::string writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
