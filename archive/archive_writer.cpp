// archive_writer.cpp: builds a resource archive, packing each entry where that makes it smaller.
#include "archive/archive_writer.h"

#include <cstddef>
#include <limits>
#include <utility>

#include "archive/archive_format.h"
#include "archive/lz_pack.h"
#include "support/little_endian.h"

Fault buildArchive(const std::vector<std::vector<uint8_t>>& entries, EntryPacking packing, std::vector<uint8_t>* out)
{
    return buildArchive(entries, std::vector<EntryPacking>(entries.size(), packing), out);
}

Fault buildArchive(const std::vector<std::vector<uint8_t>>& entries, const std::vector<EntryPacking>& packing,
                   std::vector<uint8_t>* out)
{
    out->clear();
    if (packing.size() != entries.size()) return faultOf("one packing choice per entry");
    constexpr std::size_t largest = std::numeric_limits<uint32_t>::max();
    if (entries.size() > largest / 4) return faultOf("too many entries for an archive");

    std::vector<uint8_t> archive(4 * entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::vector<uint8_t>& entry = entries[i];
        // Each entry's offset must fit 32 bits; its data may then run past that, up to the
        // 32-bit size the header can hold.
        if (archive.size() > largest || entry.size() > largest) return faultOf("archive larger than 4 GiB");
        writeU32(&archive[4 * i], static_cast<uint32_t>(archive.size()));

        std::vector<uint8_t> packed;
        if (packing[i] == EntryPacking::packedIfSmaller && !entry.empty()) packed = lzPack(entry);
        const bool usePacked = !packed.empty() && packed.size() < entry.size();
        const std::vector<uint8_t>& data = usePacked ? packed : entry;

        const std::size_t at = archive.size();
        archive.resize(at + entryHeaderBytes);
        writeU32(&archive[at], static_cast<uint32_t>(entry.size()));
        writeU32(&archive[at + 4], static_cast<uint32_t>(data.size()));
        writeU16(&archive[at + 8], static_cast<uint16_t>(usePacked ? entryModePacked : entryModeStored));
        archive.insert(archive.end(), data.begin(), data.end());
    }
    *out = std::move(archive);
    return noFault();
}
