// archive_writer.h: builds a resource archive: offset table, entry headers, entry data.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "support/fault.h"

enum class EntryPacking {
    stored,           // mode 0, always
    packedIfSmaller,  // mode 1 where the packed form is smaller, else stored
};

// Builds into *out an archive holding `entries` in order, entry i packed as packing[i] says
// (one choice per entry). A stored entry's stored-size field holds its size too. Fails when the
// archive would not fit the format's 32-bit offsets and sizes.
Fault buildArchive(const std::vector<std::vector<uint8_t>>& entries, const std::vector<EntryPacking>& packing,
                   std::vector<uint8_t>* out);

// The same with one choice for every entry.
Fault buildArchive(const std::vector<std::vector<uint8_t>>& entries, EntryPacking packing, std::vector<uint8_t>* out);

// One entry as the file stores it, header and data, packed as `packing` says. Fails when the
// entry is larger than a header's 32-bit size.
Fault storeEntry(std::span<const uint8_t> entry, EntryPacking packing, std::vector<uint8_t>* out);

// The archive of entries already stored (header and data each, as storeEntry or another
// archive holds them), laid out one after another behind the offset table, nothing repacked.
// Fails when an entry's offset would not fit 32 bits.
Fault assembleArchive(const std::vector<std::span<const uint8_t>>& stored, std::vector<uint8_t>* out);
