// archive_writer.h: builds a resource archive: offset table, entry headers, entry data.
#pragma once

#include <cstdint>
#include <vector>

enum class EntryPacking {
    stored,           // mode 0, always
    packedIfSmaller,  // mode 1 where the packed form is smaller, else stored
};

// One archive holding `entries` in order. A stored entry's stored-size field holds its size too.
// Throws std::length_error when the archive would not fit the format's 32-bit offsets.
std::vector<uint8_t> buildArchive(const std::vector<std::vector<uint8_t>>& entries,
                                  EntryPacking packing = EntryPacking::packedIfSmaller);
