// archive_writer.h: builds a resource archive: offset table, entry headers, entry data.
#pragma once

#include <cstdint>
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
