// archive_writer.h: builds a resource archive: offset table, entry headers, entry data.
#pragma once

#include <cstdint>
#include <vector>

enum class EntryPacking {
    stored,        // mode 0, always
    packedIfSmaller,  // mode 1 where the packed form is smaller, else stored
};

// One archive holding `entries` in order.
std::vector<uint8_t> buildArchive(const std::vector<std::vector<uint8_t>>& entries,
                                  EntryPacking packing = EntryPacking::packedIfSmaller);
