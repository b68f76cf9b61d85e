// cmd_extract.cpp: the 'extract' subcommand: writes the unpacked bytes of one archive entry.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archive_loader.h"
#include "tool/commands.h"
#include "tool/file_bytes.h"

namespace {

void printHelp(FILE* stream)
{
    std::fprintf(stream,
                 "usage: orvane extract ARCHIVE INDEX OUT\n"
                 "\n"
                 "Loads entry INDEX (0 to 32767) of ARCHIVE as the viewer would, unpacking it if\n"
                 "packed, and writes its bytes to OUT ('-' for the standard output).\n"
                 "\n"
                 "Exit status: 0 on success, 1 when the entry cannot be loaded or OUT cannot be\n"
                 "written, 2 on a usage error.\n");
}

bool parseIndex(const char* text, int16_t* index)
{
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 0 || value > 32767) return false;
    *index = static_cast<int16_t>(value);
    return true;
}

}  // namespace

int runExtract(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printHelp(stdout);
        return 0;
    }
    if (argc != 4) {
        printHelp(stderr);
        return 2;
    }
    const char* archive = argv[1];
    int16_t index = 0;
    if (!parseIndex(argv[2], &index)) {
        std::fprintf(stderr, "orvane extract: '%s' is not an entry index (0 to 32767)\n", argv[2]);
        return 2;
    }
    uint8_t* data = nullptr;
    uint32_t size = 0;
    const ArchiveFault fault = loadArchiveEntry(archive, index, &data, &size);
    if (fault != ArchiveFault::none) {
        std::fprintf(stderr, "orvane extract: %s: entry %d: %s\n", archive, index, describeArchiveFault(fault));
        return 1;
    }
    const std::vector<uint8_t> bytes(data, data + size);
    std::free(data);
    const std::string error = writeFileBytes(argv[3], bytes);
    if (!error.empty()) {
        std::fprintf(stderr, "orvane extract: cannot write %s: %s\n", argv[3], error.c_str());
        return 1;
    }
    return 0;
}
