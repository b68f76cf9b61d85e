// archive_loader.h: reads one entry of a resource archive into a new heap buffer.
#pragma once

#include <cstdint>
#include <cstdio>

#include "support/fault.h"

// Reads `size` bytes with one read of one item. Returns 1 when `stream` is null
// or the read comes up short, otherwise 0 (also for size 0, which reads nothing).
int readBlock(FILE* stream, void* buffer, uint32_t size);

// Loads entry `index` of the archive at `path`. On success *out holds a new buffer of
// exactly the unpacked size (released with free(); an empty entry still gets a non-null
// one-byte buffer), *outSize (when non-null) that size, and the result is empty. A failure's
// reason is one of the phrases in archive_format.h.
// On failure *out is left as it was, except that a failed allocation sets it to null; nothing
// half-filled is ever handed out. Every size is checked against the file's length before
// anything is allocated: a stored entry must fit in the bytes after its header, a packed one
// must fit its stored bytes there and unpack to 1..8 times their number. A null `path` or
// `out` is refused as archiveCannotOpen. The file is opened and closed within the call.
Fault loadArchiveEntry(const char* path, int16_t index, uint8_t** out, uint32_t* outSize = nullptr);
