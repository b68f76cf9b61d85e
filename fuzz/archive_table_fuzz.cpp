// archive_table_fuzz.cpp: fuzz harness: whole archive files through the reader every command
// shares (readArchiveTable), then each readable entry's table slot, header and data, as 'list',
// 'check' and 'render --sheet' go through them. Every fault must be one of the fixed wordings.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "archive/archive_format.h"
#include "archive/archive_loader.h"
#include "fuzz/input_file.h"

namespace {

constexpr int32_t entriesTried = 64;

bool startsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

bool knownTableFault(const char* reason)
{
    for (const char* known : {archiveNotRegular, archiveNoTable, archiveNegativeCount, archiveNoEntries})
        if (std::strcmp(reason, known) == 0) return true;
    return false;
}

bool knownEntryFault(const char* reason)
{
    for (const char* known :
         {archiveNoSuchEntry, archiveTruncated, archiveUnsupportedMode, archiveDamagedPacked, archiveOutOfMemory})
        if (std::strcmp(reason, known) == 0) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* archivePath = inputAsFile(data, size);

    ArchiveTable table;
    if (const Fault fault = readArchiveTable(archivePath, &table)) {
        if (!knownTableFault(fault.reason)) std::abort();
        return 0;
    }
    // The entries readers go through all have their slot in the file, and are reachable.
    if (table.fileSize != size || table.announced < 1 || table.readable < 1 || table.readable > table.announced ||
        table.readable > reachableEntries || 4 * static_cast<uint64_t>(table.readable) > size)
        std::abort();

    FILE* file = openArchiveFile(archivePath);
    if (file == nullptr) std::abort();
    const int32_t last = std::min(table.readable, entriesTried);
    for (int32_t index = 0; index < last; ++index) {
        const EntryLocation location = locateEntry(file, table.fileSize, static_cast<uint32_t>(index));
        if (!location.haveOffset) std::abort();
        if (location.haveHeader && location.offset + static_cast<uint64_t>(entryHeaderBytes) > size) std::abort();
        uint8_t* out = nullptr;
        uint32_t outSize = 0;
        const Fault fault = loadArchiveEntry(archivePath, static_cast<int16_t>(index), &out, &outSize);
        if (fault) {
            // Inside the table, an entry is never "no such entry", and its header must be in
            // the file for anything but a truncation to be reported.
            if (!knownEntryFault(fault.reason) || startsWith(fault.reason, archiveNoSuchEntry)) std::abort();
            if (!location.haveHeader && std::strcmp(fault.reason, archiveTruncated) != 0) std::abort();
            continue;
        }
        if (!location.haveHeader || outSize != location.header.unpackedSize) std::abort();
        std::free(out);
    }
    std::fclose(file);
    return 0;
}
