// cmd_extract.cpp: the 'extract' subcommand: writes the unpacked bytes of one archive entry.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/archive_loader.h"
#include "tool/command_line.h"
#include "tool/commands.h"
#include "support/file_io.h"

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

}  // namespace

int runExtract(int argc, char** argv)
{
    if (isHelpRequest(argc, argv)) {
        printHelp(stdout);
        return 0;
    }
    if (argc != 4) {
        printHelp(stderr);
        return 2;
    }
    const char* archive = argv[1];
    long index = 0;
    if (!parseWholeNumber(argv[2], 0, INT16_MAX, &index)) {
        std::fprintf(stderr, "orvane extract: '%s' is not an entry index (0 to 32767)\n", argv[2]);
        return 2;
    }
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (const Fault fault = loadArchiveEntry(archive, static_cast<int16_t>(index), &data, &size)) {
        std::fprintf(stderr, "orvane extract: %s: entry %ld: %s\n", archive, index, fault.reason);
        return 1;
    }
    const std::vector<uint8_t> bytes(data, data + size);
    std::free(data);
    if (const Fault fault = writeFileBytes(argv[3], bytes)) {
        std::fprintf(stderr, "orvane extract: cannot write %s: %s\n", argv[3], fault.reason);
        return 1;
    }
    return 0;
}
