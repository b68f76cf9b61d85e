// stored_entries.cpp: an archive in memory taken apart into its stored entries, and one entry
// unpacked with the loader's checks.
#include "archive/stored_entries.h"

#include <algorithm>

#include "archive/lz_decompress.h"
#include "support/little_endian.h"

namespace {

// Each 2-byte reference yields at most 17 bytes, so the scheme never unpacks more than
// 8 bytes per packed byte; a header claiming more is damaged.
constexpr uint64_t maxUnpackedPerPackedByte = 8;

}  // namespace

Fault readStoredEntries(ByteSpan archive, StoredArchive* out, uint32_t most)
{
    *out = StoredArchive{};
    if (archive.size() < 4) return faultOf("%s", archiveNoTable);
    const int32_t announced = announcedEntryCount(readU32(archive.data()));
    if (announced < 0) return faultOf("%s", archiveNegativeCount);
    if (announced == 0) return faultOf("%s", archiveNoEntries);
    out->announced = announced;
    const uint64_t slots = std::min<uint64_t>({static_cast<uint64_t>(announced), archive.size() / 4, most});
    out->entries.resize(slots);
    for (uint64_t i = 0; i < slots; ++i) {
        StoredEntry& entry = out->entries[i];
        entry.offset = readU32(archive.data() + 4 * i);
        if (static_cast<uint64_t>(entry.offset) + entryHeaderBytes > archive.size()) continue;
        entry.headerInFile = true;
        const uint64_t extent = entryExtent(parseEntryHeader(archive.data() + entry.offset));
        if (extent <= archive.size() - entry.offset) entry.bytes = archive.subspan(entry.offset, extent);
    }
    return noFault();
}

Fault unreadEntriesFault(const StoredArchive& archive, uint64_t fileSize)
{
    if (archive.entries.size() >= static_cast<std::size_t>(archive.announced)) return noFault();
    if (static_cast<uint64_t>(archive.announced) > fileSize / 4)
        return faultOf("the offset table announces %d entries; the file holds %llu slots", archive.announced,
                       static_cast<unsigned long long>(fileSize / 4));
    return faultOf("the offset table announces %d entries; only the first %zu can be read", archive.announced,
                   archive.entries.size());
}

Fault entryHeaderFault(const EntryHeader& header, uint64_t bytesLeft)
{
    if (header.mode > entryModePacked) return faultOf("%s", archiveUnsupportedMode);
    if (header.mode <= entryModeStored)
        return header.unpackedSize > bytesLeft ? faultOf("%s", archiveTruncated) : noFault();
    if (header.storedSize > bytesLeft) return faultOf("%s", archiveTruncated);
    if (header.unpackedSize == 0 || header.unpackedSize > INT32_MAX ||
        header.unpackedSize > maxUnpackedPerPackedByte * header.storedSize)
        return faultOf("%s", archiveDamagedPacked);
    return noFault();
}

Fault unpackStoredEntry(ByteSpan stored, std::vector<uint8_t>* out)
{
    out->clear();
    if (stored.size() < entryHeaderBytes) return faultOf("%s", archiveTruncated);
    const EntryHeader header = parseEntryHeader(stored.data());
    const ByteSpan data = stored.subspan(entryHeaderBytes);
    if (const Fault fault = entryHeaderFault(header, data.size())) return fault;
    if (header.mode <= entryModeStored) {
        out->assign(data.begin(), data.begin() + header.unpackedSize);
        return noFault();
    }
    out->resize(header.unpackedSize);
    if (!lzDecompress(static_cast<int32_t>(header.unpackedSize), out->data(), data.data(), header.storedSize)) {
        out->clear();
        return faultOf("%s", archiveDamagedPacked);
    }
    return noFault();
}
