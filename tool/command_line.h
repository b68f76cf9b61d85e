// command_line.h: small pieces every subcommand's argument handling shares.
#pragma once

#include <cstdint>

// True when the arguments are just the subcommand and --help (or -h).
bool isHelpRequest(int argc, char** argv);

// Reads a whole decimal number within low..high; false for anything else (trailing text,
// overflow, out of range).
bool parseWholeNumber(const char* text, long low, long high, long* value);
