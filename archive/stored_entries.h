// stored_entries.h: an archive held in memory, taken apart into its entries as the file stores
// them (header and data, packed or not), and each entry unpacked on its own. The commands that
// copy, compare or patch entries without repacking them (replace, diff, patch) read through
// here; archive_writer.h puts such entries back together.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "archive/archive_format.h"
#include "support/fault.h"

using ByteSpan = std::span<const uint8_t>;

// One table slot and the bytes its header claims.
struct StoredEntry {
    uint32_t offset = 0;
    bool headerInFile = false;  // the 10-byte header lies within the file
    ByteSpan bytes;             // header and data; empty when they do not all lie within the file

    bool whole() const { return !bytes.empty(); }
};

struct StoredArchive {
    int32_t announced = 0;  // the first offset / 4, at least 1
    // One per table slot that lies within the file, at most `announced` and the reader's `most`.
    // Entries may share or overlap bytes, and gaps between them belong to none.
    std::vector<StoredEntry> entries;
};

// Takes the archive's bytes apart, reading at most `most` table slots. Fails as
// readArchiveTable does on the table as a whole (archiveNoTable, archiveNegativeCount,
// archiveNoEntries); an entry whose bytes cannot be found is kept, not whole, for the caller to
// word. The spans point into `archive`.
Fault readStoredEntries(ByteSpan archive, StoredArchive* out, uint32_t most = UINT32_MAX);

// When fewer entries were read than the table announces, why, in the words every command uses:
// the table is cut short (the file holds fewer slots), or longer than `most`.
Fault unreadEntriesFault(const StoredArchive& archive, uint64_t fileSize);

// Why an entry with this header, followed by `bytesLeft` bytes of the file, cannot be loaded
// (archiveUnsupportedMode, archiveTruncated, archiveDamagedPacked), as the loader judges it
// before unpacking; empty when it can be.
Fault entryHeaderFault(const EntryHeader& header, uint64_t bytesLeft);

// The unpacked bytes of a whole stored entry, or the loader's reason why there are none.
Fault unpackStoredEntry(ByteSpan stored, std::vector<uint8_t>* out);
