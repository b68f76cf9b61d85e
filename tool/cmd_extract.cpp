// cmd_extract.cpp: the 'extract' subcommand: writes the unpacked bytes of one archive entry.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "archive/archive_loader.h"
#include "support/file_io.h"
#include "tool/archive_input.h"
#include "tool/commands.h"

const CommandSyntax extractCommand = {
    .name = "extract",
    .usage = "ARCHIVE INDEX OUT",
    .summary = "write the unpacked bytes of one entry",
    .description = "Loads entry INDEX (0 to 32767) of ARCHIVE as the viewer would, unpacking it if\n"
                   "packed, and writes its bytes to OUT ('-' for the standard output).\n"
                   "\n"
                   "Exit status: 0 on success, 1 when the entry cannot be loaded or OUT cannot be\n"
                   "written, 2 on a usage error (also an OUT that is the archive).\n",
    .options = {},
    .operands = {"ARCHIVE", "INDEX", "OUT"},
};

int runExtract(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(extractCommand, argc, argv, &line); status >= 0) return status;
    const char* archive = line.operands[0].c_str();
    const std::string& out = line.operands[2];
    long index = 0;
    if (!line.readNumber("INDEX", line.operands[1].c_str(), 0, reachableEntries - 1, &index)) return usageStatus;
    if (refuseSameFile(extractCommand, out, {archive})) return usageStatus;
    ArchiveTable table;
    if (!readArchiveOrReport(extractCommand, archive, &table)) return 1;
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (const Fault fault = loadArchiveEntry(archive, static_cast<int16_t>(index), &data, &size)) {
        reportEntryFault(extractCommand, archive, index, fault.reason);
        return 1;
    }
    const Fault fault = writeFileBytes(out, data, size);
    std::free(data);
    if (fault) {
        std::fprintf(stderr, "orvane extract: cannot write %s: %s\n", out.c_str(), fault.reason);
        return 1;
    }
    return 0;
}
