// archive_writer.cpp: builds a resource archive. Stores every entry for now; packing comes
// with the LZ encoder.
#include "tool/archive_writer.h"

#include <cstddef>

#include "archive/little_endian.h"

std::vector<uint8_t> buildArchive(const std::vector<std::vector<uint8_t>>& entries, EntryPacking)
{
    constexpr std::size_t headerBytes = 10;
    std::vector<uint8_t> out(4 * entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        writeU32(&out[4 * i], static_cast<uint32_t>(out.size()));
        const std::vector<uint8_t>& entry = entries[i];
        const std::size_t at = out.size();
        out.resize(at + headerBytes);
        writeU32(&out[at], static_cast<uint32_t>(entry.size()));
        writeU32(&out[at + 4], static_cast<uint32_t>(entry.size()));
        writeU16(&out[at + 8], 0);
        out.insert(out.end(), entry.begin(), entry.end());
    }
    return out;
}
