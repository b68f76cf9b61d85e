// archive_format.h: the resource archive's layout, and the one reader of its offset table and
// entry headers that the loader and every command share.
//
// Layout: a table of u32 entry offsets at byte 0 (its length is the first offset / 4, taken
// signed), and at each offset a 10-byte header (u32 unpacked size, u32 stored size, i16 mode)
// then the data. Mode <= 0 is stored as is; mode 1 is packed (lz_decompress.h).
#pragma once

#include <cstdint>
#include <cstdio>

#include "support/fault.h"

inline constexpr uint32_t entryHeaderBytes = 10;
inline constexpr int16_t entryModeStored = 0;
inline constexpr int16_t entryModePacked = 1;

// Entry indices are signed 16-bit, so only the first 32,768 entries can ever be loaded.
inline constexpr int32_t reachableEntries = 32768;

// The viewer pages through entries 0 to 131 of its archive, however many it holds.
inline constexpr int32_t viewerLastEntry = 131;

// The reasons an entry cannot be loaded, one wording each.
inline constexpr const char* archiveCannotOpen = "cannot open the archive";
inline constexpr const char* archiveNoSuchEntry = "no such entry";
inline constexpr const char* archiveTruncated = "truncated entry";
inline constexpr const char* archiveUnsupportedMode = "unsupported mode";
inline constexpr const char* archiveDamagedPacked = "damaged packed data";
inline constexpr const char* archiveOutOfMemory = "out of memory";

// The reasons a whole archive cannot be read, one wording each, whichever command reads it.
inline constexpr const char* archiveNotRegular = "not a regular file";
inline constexpr const char* archiveNoTable = "too short to hold an offset table";
inline constexpr const char* archiveNegativeCount =
    "damaged offset table: the first offset gives a negative entry count";
inline constexpr const char* archiveNoEntries = "the offset table announces no entries";

struct EntryHeader {
    uint32_t unpackedSize = 0;
    uint32_t storedSize = 0;  // counts only for packed entries; stored data takes unpackedSize
    int16_t mode = 0;
};

// The 10 header bytes at `bytes`, as the file holds them.
EntryHeader parseEntryHeader(const uint8_t* bytes);

// The bytes an entry takes in the file, header included: stored data takes its unpacked size,
// packed data its stored size.
inline uint64_t entryExtent(const EntryHeader& header)
{
    return entryHeaderBytes + (header.mode <= entryModeStored ? header.unpackedSize : header.storedSize);
}

// The entry count the offset table announces: its first offset / 4, signed, so a damaged
// first offset may give a negative count.
inline int32_t announcedEntryCount(uint32_t firstOffset) { return static_cast<int32_t>(firstOffset) / 4; }

// What the file holds for one table slot. Each part is read only when the file holds all of it.
struct EntryLocation {
    bool haveOffset = false;  // the slot lies within the file
    bool haveHeader = false;  // and so does the 10-byte header it points at
    uint32_t offset = 0;
    EntryHeader header;
};

// The size of the open file, for bounding every later read. False when it cannot be told.
bool archiveFileSize(FILE* file, uint64_t* size);

// The announced entry count, read from byte 0. False when the file is shorter than 4 bytes.
bool readAnnouncedEntryCount(FILE* file, int32_t* count);

// Reads slot `index` (0 or more) of the offset table and the header it points at.
EntryLocation locateEntry(FILE* file, uint64_t fileSize, uint32_t index);

// Opens `path` for binary reading ("rb") without ever waiting: a pipe with no writer is opened
// and then refused as not a regular file, rather than blocking. Null when it cannot be opened.
FILE* openArchiveFile(const char* path);

// What the offset table says of the whole archive, read the same way by every command.
struct ArchiveTable {
    uint64_t fileSize = 0;
    int32_t announced = 0;  // the first offset / 4, at least 1
    // The entries a reader goes through: `announced`, cut to the slots the file really holds
    // and to reachableEntries. Less than `announced` means the table is cut short (or too long
    // to reach); the caller says so.
    int32_t readable = 0;
};

// Opens the archive at `path` and reads its table. The faults: archiveCannotOpen (with the
// system's reason), archiveNotRegular, archiveNoTable, archiveNegativeCount, archiveNoEntries.
Fault readArchiveTable(const char* path, ArchiveTable* table);

// The same on an open file, read from its start.
Fault readArchiveTable(FILE* file, ArchiveTable* table);

// Just the announced entry count (which may be negative); fails when the file cannot be opened
// or is shorter than 4 bytes. Commands use readArchiveTable, which words every fault.
Fault readArchiveEntryCount(const char* path, int32_t* count);
