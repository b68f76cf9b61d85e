// cmd_list.cpp: the 'list' subcommand: one row per archive entry, with the loader's verdict.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "archive/archive_format.h"
#include "archive/archive_loader.h"
#include "tool/command_line.h"
#include "tool/commands.h"

namespace {

void printHelp(FILE* stream)
{
    std::fprintf(stream,
                 "usage: orvane list ARCHIVE\n"
                 "\n"
                 "Lists each entry of ARCHIVE: its index, file offset, mode (0 stored, 1 packed),\n"
                 "the bytes its data takes in the file, its unpacked size and the ratio of the two.\n"
                 "Each entry is loaded as the viewer would load it; one it cannot load is listed\n"
                 "with the reason, and the listing goes on. The last line gives the count.\n"
                 "\n"
                 "Exit status: 0 when every entry loads, 1 when some entry does not or the archive\n"
                 "cannot be read, 2 on a usage error.\n");
}

int listEntries(const char* path, FILE* file)
{
    uint64_t fileSize = 0;
    if (!archiveFileSize(file, &fileSize)) {
        std::fprintf(stderr, "orvane list: %s: cannot read the archive\n", path);
        return 1;
    }
    int32_t count = 0;
    if (!readAnnouncedEntryCount(file, &count)) {
        std::fprintf(stderr, "orvane list: %s: too short to hold an offset table\n", path);
        return 1;
    }

    // A damaged first offset may claim millions of entries: list only the slots the file holds
    // and the loader can reach, and say so.
    if (count < 0) {
        std::fprintf(stderr, "orvane list: %s: the first offset gives a negative entry count\n", path);
        return 1;
    }
    int64_t listed = count;
    if (listed > static_cast<int64_t>(fileSize / 4)) {
        listed = static_cast<int64_t>(fileSize / 4);
        std::fprintf(stderr, "orvane list: %s: the offset table claims %" PRId32 " entries; the file holds %" PRId64 " slots\n",
                     path, count, listed);
    }
    if (listed > reachableEntries) {
        std::fprintf(stderr, "orvane list: %s: only the first %" PRId32 " entries can be loaded\n", path, reachableEntries);
        listed = reachableEntries;
    }

    std::printf("%5s %10s %5s %10s %10s %7s\n", "index", "offset", "mode", "stored", "unpacked", "ratio");
    int64_t damaged = 0;
    for (int64_t index = 0; index < listed; ++index) {
        const EntryLocation location = locateEntry(file, fileSize, static_cast<uint32_t>(index));
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
            if (header.unpackedSize > 0) {
                char text[32];
                std::snprintf(text, sizeof text, "%.1f%%", 100.0 * storedBytes / header.unpackedSize);
                ratio = text;
            }
        }
        std::printf("%5" PRId64 " %10s %5s %10s %10s %7s", index, offset.c_str(), mode.c_str(), stored.c_str(),
                    unpacked.c_str(), ratio.c_str());
        if (fault) {
            std::printf("  %s", fault.reason);
            ++damaged;
        }
        std::printf("\n");
    }
    std::printf("%" PRId64 " %s", listed, listed == 1 ? "entry" : "entries");
    if (damaged > 0) std::printf(", %" PRId64 " damaged", damaged);
    std::printf("\n");
    return damaged == 0 && listed == count ? 0 : 1;
}

}  // namespace

int runList(int argc, char** argv)
{
    if (isHelpRequest(argc, argv)) {
        printHelp(stdout);
        return 0;
    }
    if (argc != 2) {
        printHelp(stderr);
        return 2;
    }
    const char* path = argv[1];
    std::error_code error;
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error)) {
        std::fprintf(stderr, "orvane list: %s: not a regular file\n", path);
        return 1;
    }
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "orvane list: %s: cannot open the archive\n", path);
        return 1;
    }
    const int status = listEntries(path, file);
    std::fclose(file);
    return status;
}
