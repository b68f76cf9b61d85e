// archive_writer.cpp: builds a resource archive, packing each entry where that makes it smaller.
#include "tool/archive_writer.h"

#include <cstddef>
#include <limits>
#include <stdexcept>

#include "archive/little_endian.h"
#include "tool/lz_pack.h"

std::vector<uint8_t> buildArchive(const std::vector<std::vector<uint8_t>>& entries, EntryPacking packing)
{
    constexpr std::size_t headerBytes = 10;
    constexpr std::size_t largest = std::numeric_limits<uint32_t>::max();
    if (entries.size() > largest / 4) throw std::length_error("too many entries for an archive");

    std::vector<uint8_t> out(4 * entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::vector<uint8_t>& entry = entries[i];
        // Each entry's offset must fit 32 bits; its data may then run past that, up to the
        // 32-bit size the header can hold.
        if (out.size() > largest || entry.size() > largest) throw std::length_error("archive larger than 4 GiB");
        writeU32(&out[4 * i], static_cast<uint32_t>(out.size()));

        std::vector<uint8_t> packed;
        if (packing == EntryPacking::packedIfSmaller && !entry.empty()) packed = lzPack(entry);
        const bool usePacked = !packed.empty() && packed.size() < entry.size();
        const std::vector<uint8_t>& data = usePacked ? packed : entry;

        const std::size_t at = out.size();
        out.resize(at + headerBytes);
        writeU32(&out[at], static_cast<uint32_t>(entry.size()));
        writeU32(&out[at + 4], static_cast<uint32_t>(data.size()));
        writeU16(&out[at + 8], usePacked ? 1 : 0);
        out.insert(out.end(), data.begin(), data.end());
    }
    return out;
}
