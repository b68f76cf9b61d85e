// archive_input.h: how every reading command opens an archive and words its faults, so that
// one damaged file gets one message whichever command reads it:
//     orvane COMMAND: PATH: FAULT              (the whole archive; archive_format.h's wordings)
//     orvane COMMAND: PATH: entry N: FAULT     (one entry)
#pragma once

#include "archive/archive_format.h"
#include "tool/command_line.h"

// Reads the archive's table through the one reader; prints the fault and is false when the
// archive cannot be read at all. When the table announces entries that cannot be read (it is
// cut short, or holds more entries than an index reaches) it says so in one line and goes on;
// commands that go through every entry then end with status 1 (table.readable < announced).
bool readArchiveOrReport(const CommandSyntax& syntax, const char* path, ArchiveTable* table);

void reportEntryFault(const CommandSyntax& syntax, const char* path, long index, const char* reason);
