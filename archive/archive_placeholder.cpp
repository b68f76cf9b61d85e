// archive_placeholder.cpp: stands in for the archive subsystem until it lands.
#include "archive/archive_loader.h"
#include "archive/lz_decompress.h"

const char* describeArchiveFault(ArchiveFault) { return "not implemented"; }
int readBlock(FILE* stream, void*, uint32_t) { return stream == nullptr ? 1 : 0; }
ArchiveFault loadArchiveEntry(const char*, int16_t, uint8_t**, uint32_t*) { return ArchiveFault::cannotOpen; }
bool lzDecompress(int32_t, uint8_t*, const uint8_t*, size_t) { return false; }
