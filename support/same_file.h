// same_file.h: tells whether an output would overwrite an input, so a command can refuse it.
#pragma once

#include <string>

// True when writing `output` would change `input`: the same existing file (device and inode,
// through any path or link), or the same path once links and "." / ".." are resolved (an
// output not yet made can still name an input). "-" (the standard output) is never an input's file.
bool isSameFile(const std::string& output, const std::string& input);
