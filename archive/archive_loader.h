// archive_loader.h: reads one entry of a resource archive into a new heap buffer.
#pragma once

#include <cstdint>
#include <cstdio>

// Why an entry could not be loaded. The out-pointer contract below stands on its own;
// this only tells the caller what to say.
enum class ArchiveFault {
    none,
    cannotOpen,       // the archive file cannot be opened
    noSuchEntry,      // index negative or beyond the offset table
    truncated,        // header or data cannot be read in full (or a seek fails)
    unsupportedMode,  // mode other than <= 0 (stored) or 1 (packed)
    damagedPacked,    // the packed stream is malformed or its sizes are impossible
    outOfMemory,
};

// A short phrase for the console, e.g. "truncated entry".
const char* describeArchiveFault(ArchiveFault fault);

// Reads `size` bytes with one read of one item. Returns 1 when `stream` is null
// or the read comes up short, otherwise 0 (also for size 0, which reads nothing).
int readBlock(FILE* stream, void* buffer, uint32_t size);

// Loads entry `index` of the archive at `path`. On success *out holds a new buffer of
// exactly the unpacked size (released with free(); an empty entry still gets a non-null
// one-byte buffer), *outSize (when non-null) that size, and the result is ArchiveFault::none.
// On failure *out is left as it was, except that a failed allocation sets it to null; nothing
// half-filled is ever handed out. Every size is checked against the file's length before
// anything is allocated: a stored entry must fit in the bytes after its header, a packed one
// must fit its stored bytes there and unpack to 1..8 times their number. A null `path` or
// `out` is refused as cannotOpen. The file is opened and closed within the call.
ArchiveFault loadArchiveEntry(const char* path, int16_t index, uint8_t** out, uint32_t* outSize = nullptr);
