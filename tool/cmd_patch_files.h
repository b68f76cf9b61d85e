// cmd_patch_files.h: how diff and patch read the archives and patches they take whole: with a
// size cap checked before anything is read, and one wording per fault.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_patch.h"
#include "tool/command_line.h"

// The largest archive or patch these commands read into memory.
inline constexpr uint64_t wholeInputLimit = uint64_t{1} << 30;

// Reads the whole file; on failure prints "orvane COMMAND: cannot read PATH: REASON" and is false.
bool readWholeInput(const CommandSyntax& syntax, const std::string& path, std::vector<uint8_t>* out);

// Reads an archive whose every entry can be found; prints the fault and is false otherwise.
bool readPatchableInput(const CommandSyntax& syntax, const std::string& path, std::vector<uint8_t>* bytes,
                        PatchableArchive* archive);

// Reads and decodes a patch; prints the fault and is false otherwise.
bool readPatchInput(const CommandSyntax& syntax, const std::string& path, ArchivePatch* patch,
                    uint64_t* size = nullptr);
