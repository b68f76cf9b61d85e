// archive_writer.cpp: builds a resource archive, packing each entry where that makes it smaller.
#include "archive/archive_writer.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <utility>

#include "archive/archive_format.h"
#include "archive/lz_pack.h"
#include "support/little_endian.h"

namespace {

constexpr std::size_t largest = std::numeric_limits<uint32_t>::max();

}  // namespace

Fault buildArchive(const std::vector<std::vector<uint8_t>>& entries, EntryPacking packing, std::vector<uint8_t>* out)
{
    return buildArchive(entries, std::vector<EntryPacking>(entries.size(), packing), out);
}

Fault buildArchive(const std::vector<std::vector<uint8_t>>& entries, const std::vector<EntryPacking>& packing,
                   std::vector<uint8_t>* out)
{
    out->clear();
    if (packing.size() != entries.size()) return faultOf("one packing choice per entry");
    std::vector<std::vector<uint8_t>> stored(entries.size());
    std::vector<std::span<const uint8_t>> spans(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (const Fault fault = storeEntry(entries[i], packing[i], &stored[i])) return fault;
        spans[i] = stored[i];
    }
    return assembleArchive(spans, out);
}

Fault storeEntry(std::span<const uint8_t> entry, EntryPacking packing, std::vector<uint8_t>* out)
{
    out->clear();
    if (entry.size() > largest) return faultOf("archive larger than 4 GiB");
    std::vector<uint8_t> packed;
    if (packing == EntryPacking::packedIfSmaller && !entry.empty()) packed = lzPack(entry.data(), entry.size());
    const bool usePacked = !packed.empty() && packed.size() < entry.size();
    const std::span<const uint8_t> data = usePacked ? std::span<const uint8_t>(packed) : entry;
    out->resize(entryHeaderBytes + data.size());
    writeU32(out->data(), static_cast<uint32_t>(entry.size()));
    writeU32(out->data() + 4, static_cast<uint32_t>(data.size()));
    writeU16(out->data() + 8, static_cast<uint16_t>(usePacked ? entryModePacked : entryModeStored));
    if (!data.empty()) std::memcpy(out->data() + entryHeaderBytes, data.data(), data.size());
    return noFault();
}

Fault assembleArchive(const std::vector<std::span<const uint8_t>>& stored, std::vector<uint8_t>* out)
{
    out->clear();
    if (stored.size() > largest / 4) return faultOf("too many entries for an archive");
    std::size_t total = 4 * stored.size();
    for (const std::span<const uint8_t>& entry : stored) total += entry.size();
    std::vector<uint8_t> archive(total);
    std::size_t at = 4 * stored.size();
    for (std::size_t i = 0; i < stored.size(); ++i) {
        // Each entry's offset must fit 32 bits; its data may then run past that, up to the
        // 32-bit size the header can hold.
        if (at > largest) return faultOf("archive larger than 4 GiB");
        writeU32(&archive[4 * i], static_cast<uint32_t>(at));
        if (!stored[i].empty()) std::memcpy(&archive[at], stored[i].data(), stored[i].size());
        at += stored[i].size();
    }
    *out = std::move(archive);
    return noFault();
}
