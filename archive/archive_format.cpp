// archive_format.cpp: reads the offset table and the entry headers of an open archive.
#include "archive/archive_format.h"

#include <sys/stat.h>  // Required for: fstat (the file's kind, and its size to bound every read)

#include <fcntl.h>   // Required for: open without waiting on a pipe
#include <unistd.h>  // Required for: close

#include <cerrno>
#include <cstring>

#include "archive/archive_loader.h"
#include "support/little_endian.h"

namespace {

bool readAt(FILE* file, uint64_t fileSize, uint64_t position, uint8_t* to, uint32_t size)
{
    if (position > fileSize || size > fileSize - position) return false;
    if (std::fseek(file, static_cast<long>(position), SEEK_SET) != 0) return false;
    return readBlock(file, to, size) == 0;
}

}  // namespace

EntryHeader parseEntryHeader(const uint8_t* bytes)
{
    EntryHeader header;
    header.unpackedSize = readU32(bytes);
    header.storedSize = readU32(bytes + 4);
    header.mode = readI16(bytes + 8);
    return header;
}

bool archiveFileSize(FILE* file, uint64_t* size)
{
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || status.st_size < 0) return false;
    *size = static_cast<uint64_t>(status.st_size);
    return true;
}

bool readAnnouncedEntryCount(FILE* file, int32_t* count)
{
    uint8_t word[4];
    if (std::fseek(file, 0, SEEK_SET) != 0 || readBlock(file, word, sizeof word) != 0) return false;
    *count = announcedEntryCount(readU32(word));
    return true;
}

EntryLocation locateEntry(FILE* file, uint64_t fileSize, uint32_t index)
{
    EntryLocation location;
    uint8_t bytes[entryHeaderBytes];
    if (!readAt(file, fileSize, 4 * static_cast<uint64_t>(index), bytes, 4)) return location;
    location.haveOffset = true;
    location.offset = readU32(bytes);
    if (!readAt(file, fileSize, location.offset, bytes, entryHeaderBytes)) return location;
    location.haveHeader = true;
    location.header = parseEntryHeader(bytes);
    return location;
}

FILE* openArchiveFile(const char* path)
{
    if (path == nullptr) return nullptr;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "rb");
    if (file == nullptr) close(fd);
    return file;
}

Fault readArchiveTable(FILE* file, ArchiveTable* table)
{
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return faultOf("%s", archiveNotRegular);
    if (!archiveFileSize(file, &table->fileSize)) return faultOf("%s", archiveNotRegular);
    if (!readAnnouncedEntryCount(file, &table->announced)) return faultOf("%s", archiveNoTable);
    if (table->announced < 0) return faultOf("%s", archiveNegativeCount);
    if (table->announced == 0) return faultOf("%s", archiveNoEntries);
    uint64_t readable = static_cast<uint64_t>(table->announced);
    if (readable > table->fileSize / 4) readable = table->fileSize / 4;
    if (readable > static_cast<uint64_t>(reachableEntries)) readable = reachableEntries;
    table->readable = static_cast<int32_t>(readable);
    return noFault();
}

Fault readArchiveTable(const char* path, ArchiveTable* table)
{
    *table = ArchiveTable{};
    FILE* file = openArchiveFile(path);
    if (file == nullptr) return faultOf("%s (%s)", archiveCannotOpen, std::strerror(path != nullptr ? errno : EINVAL));
    const Fault fault = readArchiveTable(file, table);
    std::fclose(file);
    return fault;
}

Fault readArchiveEntryCount(const char* path, int32_t* count)
{
    FILE* file = openArchiveFile(path);
    if (file == nullptr) return faultOf("%s", archiveCannotOpen);
    const bool read = readAnnouncedEntryCount(file, count);
    std::fclose(file);
    return read ? noFault() : faultOf("%s", archiveNoTable);
}
