// archive_loader.cpp: reads one entry of a resource archive, stored or packed, into a new buffer.
//
// Layout: a table of u32 entry offsets at byte 0 (its length is the first offset / 4), and at
// each offset a 10-byte header (u32 unpacked size, u32 stored size, i16 mode) then the data.
// Mode <= 0 is stored as is; mode 1 is packed (lz_decompress.h). Only the first word, the
// entry's table slot, its header and its data are read, with two seeks.
//
// Every size is checked against the bytes the file really holds before anything is allocated,
// so a damaged header can never ask for more memory than its file could fill.
#include "archive/archive_loader.h"

#include <cstdlib>       // Required for: malloc, free
#include <sys/stat.h>    // Required for: fstat (the file's size, to bound every allocation)

#include "archive/little_endian.h"
#include "archive/lz_decompress.h"

namespace {

constexpr uint32_t entryHeaderBytes = 10;

// Each 2-byte reference yields at most 17 bytes, so the scheme never unpacks more than
// 8 bytes per packed byte; a header claiming more is damaged.
constexpr uint64_t maxUnpackedPerPackedByte = 8;

bool seekTo(FILE* stream, uint64_t position)
{
    return std::fseek(stream, static_cast<long>(position), SEEK_SET) == 0;
}

// The loader's work on an open file; the caller closes it whatever happens here.
ArchiveFault readEntry(FILE* file, int16_t index, uint8_t** out, uint32_t* outSize)
{
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || status.st_size < 0) return ArchiveFault::cannotOpen;
    const uint64_t fileSize = static_cast<uint64_t>(status.st_size);

    uint8_t word[4];
    if (readBlock(file, word, sizeof word) != 0) return ArchiveFault::truncated;
    const int32_t count = static_cast<int32_t>(readU32(word)) / 4;
    if (index < 0 || index >= count) return ArchiveFault::noSuchEntry;

    const uint64_t slot = 4 * static_cast<uint64_t>(index);
    if (slot + 4 > fileSize || !seekTo(file, slot) || readBlock(file, word, sizeof word) != 0)
        return ArchiveFault::truncated;
    const uint64_t entryOffset = readU32(word);
    if (entryOffset + entryHeaderBytes > fileSize || !seekTo(file, entryOffset))
        return ArchiveFault::truncated;

    uint8_t header[entryHeaderBytes];
    if (readBlock(file, header, sizeof header) != 0) return ArchiveFault::truncated;
    const uint32_t unpackedSize = readU32(header);
    const uint32_t storedSize = readU32(header + 4);
    const int16_t mode = readI16(header + 8);
    const uint64_t bytesLeft = fileSize - entryOffset - entryHeaderBytes;

    if (mode > 1) return ArchiveFault::unsupportedMode;
    if (mode <= 0) {
        if (unpackedSize > bytesLeft) return ArchiveFault::truncated;
    } else {
        if (storedSize > bytesLeft) return ArchiveFault::truncated;
        if (unpackedSize == 0 || unpackedSize > INT32_MAX ||
            unpackedSize > maxUnpackedPerPackedByte * storedSize)
            return ArchiveFault::damagedPacked;
    }

    // An empty stored entry still gets a real (one-byte) allocation, so that success always
    // hands out a non-null pointer.
    uint8_t* buffer = static_cast<uint8_t*>(std::malloc(unpackedSize > 0 ? unpackedSize : 1));
    if (buffer == nullptr) {
        *out = nullptr;
        return ArchiveFault::outOfMemory;
    }

    if (mode <= 0) {
        if (unpackedSize > 0 && readBlock(file, buffer, unpackedSize) != 0) {
            std::free(buffer);
            return ArchiveFault::truncated;
        }
    } else {
        uint8_t* packed = static_cast<uint8_t*>(std::malloc(storedSize));
        if (packed == nullptr) {
            std::free(buffer);
            *out = nullptr;
            return ArchiveFault::outOfMemory;
        }
        ArchiveFault fault = ArchiveFault::none;
        if (readBlock(file, packed, storedSize) != 0)
            fault = ArchiveFault::truncated;
        else if (!lzDecompress(static_cast<int32_t>(unpackedSize), buffer, packed, storedSize))
            fault = ArchiveFault::damagedPacked;
        std::free(packed);
        if (fault != ArchiveFault::none) {
            std::free(buffer);
            return fault;
        }
    }

    *out = buffer;
    if (outSize != nullptr) *outSize = unpackedSize;
    return ArchiveFault::none;
}

}  // namespace

const char* describeArchiveFault(ArchiveFault fault)
{
    switch (fault) {
    case ArchiveFault::none: return "no fault";
    case ArchiveFault::cannotOpen: return "cannot open the archive";
    case ArchiveFault::noSuchEntry: return "no such entry";
    case ArchiveFault::truncated: return "truncated entry";
    case ArchiveFault::unsupportedMode: return "unsupported mode";
    case ArchiveFault::damagedPacked: return "damaged packed data";
    case ArchiveFault::outOfMemory: return "out of memory";
    }
    return "unknown fault";
}

int readBlock(FILE* stream, void* buffer, uint32_t size)
{
    if (stream == nullptr) return 1;
    if (size == 0) return 0;
    return std::fread(buffer, size, 1, stream) == 1 ? 0 : 1;
}

ArchiveFault loadArchiveEntry(const char* path, int16_t index, uint8_t** out, uint32_t* outSize)
{
    if (path == nullptr || out == nullptr) return ArchiveFault::cannotOpen;
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return ArchiveFault::cannotOpen;
    const ArchiveFault fault = readEntry(file, index, out, outSize);
    std::fclose(file);
    return fault;
}
