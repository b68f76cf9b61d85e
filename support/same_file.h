// same_file.h: tells whether an output would overwrite an input, so a command can refuse it.
#pragma once

#include <string>

// True when `output` names the same existing file as `input` (through any path or link).
// "-" (the standard output) is never an input's file.
bool isSameFile(const std::string& output, const std::string& input);
