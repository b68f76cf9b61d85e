// cmd_list.cpp: the 'list' subcommand: one row per archive entry, with the loader's verdict.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "archive/archive_format.h"
#include "archive/archive_loader.h"
#include "tool/archive_input.h"
#include "tool/commands.h"

const CommandSyntax listCommand = {
    .name = "list",
    .usage = "ARCHIVE",
    .summary = "list the entries of an archive",
    .description = "Lists each entry of ARCHIVE: its index, file offset, mode (0 stored, 1 packed),\n"
                   "the bytes its data takes in the file, its unpacked size and the ratio of the two.\n"
                   "Offsets and sizes are unsigned, the mode signed, as the loader reads them.\n"
                   "Each entry is loaded as the viewer would load it; one it cannot load is listed\n"
                   "as 'damaged' with the reason, and the listing goes on. The last line gives the\n"
                   "count.\n"
                   "\n"
                   "Exit status: 0 when every entry loads, 1 when some entry does not or the archive\n"
                   "cannot be read, 2 on a usage error.\n",
    .options = {},
    .operands = {"ARCHIVE"},
};

namespace {

// Every column is as wide as its field's widest value (u32: 10 digits, i16: 6 characters), so
// the rows stay aligned whatever the file holds.
constexpr const char* rowFormat = "%5s %10s %6s %10s %10s %7s";

std::string ratioOf(uint32_t stored, uint32_t unpacked)
{
    if (unpacked == 0) return "-";
    const double percent = 100.0 * stored / unpacked;
    if (percent >= 1000.0) return ">999%";
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%", percent);
    return text;
}

}  // namespace

int runList(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(listCommand, argc, argv, &line); status >= 0) return status;
    const char* path = line.operands[0].c_str();
    ArchiveTable table;
    if (!readArchiveOrReport(listCommand, path, &table)) return 1;
    FILE* file = openArchiveFile(path);
    if (file == nullptr) {  // it was readable a moment ago
        std::fprintf(stderr, "orvane list: %s: %s\n", path, archiveCannotOpen);
        return 1;
    }
    const bool unread = table.readable < table.announced;

    std::printf(rowFormat, "index", "offset", "mode", "stored", "unpacked", "ratio");
    std::printf("\n");
    int32_t damaged = 0;
    for (int32_t index = 0; index < table.readable; ++index) {
        const EntryLocation location = locateEntry(file, table.fileSize, static_cast<uint32_t>(index));
        uint8_t* data = nullptr;
        const Fault fault = loadArchiveEntry(path, static_cast<int16_t>(index), &data);
        if (!fault) std::free(data);

        std::string offset = "-", mode = "-", stored = "-", unpacked = "-", ratio = "-";
        if (location.haveOffset) offset = std::to_string(location.offset);
        if (location.haveHeader) {
            const EntryHeader& header = location.header;
            mode = std::to_string(header.mode);
            // Stored data takes its unpacked size; the stored-size field counts only when packed.
            const uint32_t storedBytes = header.mode <= entryModeStored ? header.unpackedSize : header.storedSize;
            stored = std::to_string(storedBytes);
            unpacked = std::to_string(header.unpackedSize);
            ratio = ratioOf(storedBytes, header.unpackedSize);
        }
        if (fault) ratio = "damaged";
        std::printf(rowFormat, std::to_string(index).c_str(), offset.c_str(), mode.c_str(), stored.c_str(),
                    unpacked.c_str(), ratio.c_str());
        if (fault) {
            std::printf("  %s", fault.reason);
            ++damaged;
        }
        std::printf("\n");
    }
    std::fclose(file);
    std::printf("%" PRId32 " %s", table.readable, table.readable == 1 ? "entry" : "entries");
    if (damaged > 0) std::printf(", %" PRId32 " damaged", damaged);
    std::printf("\n");
    return damaged == 0 && !unread ? 0 : 1;
}
