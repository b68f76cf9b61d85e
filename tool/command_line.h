// command_line.h: small pieces every subcommand's argument handling shares.
#pragma once

#include <cstdint>
#include <optional>

// True when the arguments are just the subcommand and --help (or -h).
bool isHelpRequest(int argc, char** argv);

// Reads a whole decimal number within low..high; false for anything else (trailing text,
// overflow, out of range).
bool parseWholeNumber(const char* text, long low, long high, long* value);

// The entry count the archive's offset table announces as the loader reads it: the first
// offset / 4, signed (a damaged first offset may make it negative). Empty when the file cannot
// be read or is shorter than 4 bytes.
std::optional<int32_t> announcedEntryCount(const char* path);
