// archive_input.cpp: how every reading command opens an archive and words its faults.
#include "tool/archive_input.h"

#include <cinttypes>
#include <cstdio>

namespace {

void reportUnreadEntries(const CommandSyntax& syntax, const char* path, const ArchiveTable& table)
{
    if (table.readable == table.announced) return;
    if (static_cast<uint64_t>(table.announced) > table.fileSize / 4) {
        std::fprintf(
            stderr, "orvane %s: %s: the offset table announces %" PRId32 " entries; the file holds %" PRIu64 " slots\n",
            syntax.name, path, table.announced, table.fileSize / 4);
    } else {
        std::fprintf(stderr,
                     "orvane %s: %s: the offset table announces %" PRId32 " entries; only the first %" PRId32
                     " can be read\n",
                     syntax.name, path, table.announced, reachableEntries);
    }
}

}  // namespace

bool readArchiveOrReport(const CommandSyntax& syntax, const char* path, ArchiveTable* table)
{
    if (const Fault fault = readArchiveTable(path, table)) {
        std::fprintf(stderr, "orvane %s: %s: %s\n", syntax.name, path, fault.reason);
        return false;
    }
    reportUnreadEntries(syntax, path, *table);
    return true;
}

void reportEntryFault(const CommandSyntax& syntax, const char* path, long index, const char* reason)
{
    std::fprintf(stderr, "orvane %s: %s: entry %ld: %s\n", syntax.name, path, index, reason);
}
