// output_file.h: writing a user's file safely: a temporary file beside the target, renamed into
// place only once every byte is written, so a failure leaves the old file exactly as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/fault.h"

// Writes `bytes` to `path` ("-": standard output) through a temporary file and a rename. An
// existing file keeps its permissions. The temporary file is removed on any failure.
Fault writeFileThroughRename(const std::string& path, const std::vector<uint8_t>& bytes);

// True when both paths name one existing file (the same device and inode).
bool sameFile(const std::string& a, const std::string& b);
