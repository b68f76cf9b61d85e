// file_io.h: whole-file reads and writes, the one place where the libraries and the tool touch
// a user's files byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/fault.h"

// Reads the whole file at `path` into *out. The reason on failure is the system's (e.g. "No
// such file or directory").
Fault readFileBytes(const std::string& path, std::vector<uint8_t>* out);

// Writes `bytes` to `path` ("-" is the standard output), replacing the file.
Fault writeFileBytes(const std::string& path, const uint8_t* bytes, std::size_t size);
inline Fault writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return writeFileBytes(path, bytes.data(), bytes.size());
}
