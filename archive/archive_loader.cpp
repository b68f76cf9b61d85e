// archive_loader.cpp: reads one entry of a resource archive, stored or packed, into a new buffer.
// Only the first word, the entry's table slot, its header and its data are read
// (archive_format.h has the layout).
//
// Every size is checked against the bytes the file really holds before anything is allocated,
// so a damaged header can never ask for more memory than its file could fill.
#include "archive/archive_loader.h"

#include <sys/stat.h>  // Required for: fstat (the file's kind)

#include <cstdlib>  // Required for: malloc, free

#include "archive/archive_format.h"
#include "archive/lz_decompress.h"
#include "archive/stored_entries.h"

namespace {

Fault fault(const char* reason) { return faultOf("%s", reason); }

// The loader's work on an open file; the caller closes it whatever happens here.
Fault readEntry(FILE* file, int16_t index, uint8_t** out, uint32_t* outSize)
{
    // Only a regular file has a size to bound the reads by; a device or a pipe is refused.
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return fault(archiveNotRegular);
    uint64_t fileSize = 0;
    if (!archiveFileSize(file, &fileSize)) return fault(archiveCannotOpen);

    int32_t count = 0;
    if (!readAnnouncedEntryCount(file, &count)) return fault(archiveTruncated);
    if (index < 0 || index >= count) return fault(archiveNoSuchEntry);

    const EntryLocation location = locateEntry(file, fileSize, static_cast<uint32_t>(index));
    if (!location.haveHeader) return fault(archiveTruncated);
    const uint32_t unpackedSize = location.header.unpackedSize;
    const uint32_t storedSize = location.header.storedSize;
    const int16_t mode = location.header.mode;
    const uint64_t bytesLeft = fileSize - location.offset - entryHeaderBytes;

    if (const Fault refused = entryHeaderFault(location.header, bytesLeft)) return refused;

    // An empty stored entry still gets a real (one-byte) allocation, so that success always
    // hands out a non-null pointer.
    uint8_t* buffer = static_cast<uint8_t*>(std::malloc(unpackedSize > 0 ? unpackedSize : 1));
    if (buffer == nullptr) {
        *out = nullptr;
        return fault(archiveOutOfMemory);
    }

    if (mode <= entryModeStored) {
        if (unpackedSize > 0 && readBlock(file, buffer, unpackedSize) != 0) {
            std::free(buffer);
            return fault(archiveTruncated);
        }
    } else {
        uint8_t* packed = static_cast<uint8_t*>(std::malloc(storedSize));
        if (packed == nullptr) {
            std::free(buffer);
            *out = nullptr;
            return fault(archiveOutOfMemory);
        }
        const char* reason = nullptr;
        if (readBlock(file, packed, storedSize) != 0)
            reason = archiveTruncated;
        else if (!lzDecompress(static_cast<int32_t>(unpackedSize), buffer, packed, storedSize))
            reason = archiveDamagedPacked;
        std::free(packed);
        if (reason != nullptr) {
            std::free(buffer);
            return fault(reason);
        }
    }

    *out = buffer;
    if (outSize != nullptr) *outSize = unpackedSize;
    return noFault();
}

}  // namespace

int readBlock(FILE* stream, void* buffer, uint32_t size)
{
    if (stream == nullptr) return 1;
    if (size == 0) return 0;
    return std::fread(buffer, size, 1, stream) == 1 ? 0 : 1;
}

Fault loadArchiveEntry(const char* path, int16_t index, uint8_t** out, uint32_t* outSize)
{
    if (path == nullptr || out == nullptr) return fault(archiveCannotOpen);
    FILE* file = openArchiveFile(path);
    if (file == nullptr) return fault(archiveCannotOpen);
    const Fault result = readEntry(file, index, out, outSize);
    std::fclose(file);
    return result;
}
