// cmd_list.cpp: the 'list' subcommand: one row per archive entry, with the loader's verdict.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/archive_loader.h"
#include "archive/little_endian.h"
#include "tool/command_line.h"
#include "tool/commands.h"

namespace {

constexpr int64_t reachableEntries = 32768;  // the loader takes a signed 16-bit index

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

// The header fields as the file holds them, read independently of the loader.
struct EntryFields {
    bool haveOffset = false, haveHeader = false;
    uint32_t offset = 0, unpackedSize = 0, storedSize = 0;
    int16_t mode = 0;
};

bool readAt(std::ifstream& file, uint64_t fileSize, uint64_t position, uint8_t* to, std::size_t size)
{
    if (position > fileSize || size > fileSize - position) return false;
    file.clear();
    file.seekg(static_cast<std::streamoff>(position));
    file.read(reinterpret_cast<char*>(to), static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(file.gcount()) == size;
}

EntryFields readFields(std::ifstream& file, uint64_t fileSize, int64_t index)
{
    EntryFields fields;
    uint8_t bytes[10];
    if (!readAt(file, fileSize, 4 * static_cast<uint64_t>(index), bytes, 4)) return fields;
    fields.haveOffset = true;
    fields.offset = readU32(bytes);
    if (!readAt(file, fileSize, fields.offset, bytes, 10)) return fields;
    fields.haveHeader = true;
    fields.unpackedSize = readU32(bytes);
    fields.storedSize = readU32(bytes + 4);
    fields.mode = readI16(bytes + 8);
    return fields;
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
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "orvane list: %s: cannot open the archive\n", path);
        return 1;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff end = file.tellg();
    if (end < 0) {
        std::fprintf(stderr, "orvane list: %s: cannot read the archive\n", path);
        return 1;
    }
    const uint64_t fileSize = static_cast<uint64_t>(end);
    uint8_t first[4];
    if (!readAt(file, fileSize, 0, first, 4)) {
        std::fprintf(stderr, "orvane list: %s: too short to hold an offset table\n", path);
        return 1;
    }
    const int64_t count = static_cast<int32_t>(readU32(first)) / 4;

    // A damaged first offset may claim millions of entries: list only the slots the file holds
    // and the loader can reach, and say so.
    if (count < 0) {
        std::fprintf(stderr, "orvane list: %s: the first offset gives a negative entry count\n", path);
        return 1;
    }
    int64_t listed = count;
    if (listed > static_cast<int64_t>(fileSize / 4)) {
        listed = static_cast<int64_t>(fileSize / 4);
        std::fprintf(stderr, "orvane list: %s: the offset table claims %" PRId64 " entries; the file holds %" PRId64 " slots\n",
                     path, count, listed);
    }
    if (listed > reachableEntries) {
        std::fprintf(stderr, "orvane list: %s: only the first %" PRId64 " entries can be loaded\n", path, reachableEntries);
        listed = reachableEntries;
    }

    std::printf("%5s %10s %5s %10s %10s %7s\n", "index", "offset", "mode", "stored", "unpacked", "ratio");
    int64_t damaged = 0;
    for (int64_t index = 0; index < listed; ++index) {
        const EntryFields fields = readFields(file, fileSize, index);
        uint8_t* data = nullptr;
        const ArchiveFault fault = loadArchiveEntry(path, static_cast<int16_t>(index), &data);
        if (fault == ArchiveFault::none) std::free(data);

        std::string offset = "-", mode = "-", stored = "-", unpacked = "-", ratio = "-";
        if (fields.haveOffset) offset = std::to_string(fields.offset);
        if (fields.haveHeader) {
            mode = std::to_string(fields.mode);
            // Stored data takes its unpacked size; the stored-size field counts only when packed.
            const uint32_t storedBytes = fields.mode <= 0 ? fields.unpackedSize : fields.storedSize;
            stored = std::to_string(storedBytes);
            unpacked = std::to_string(fields.unpackedSize);
            if (fields.unpackedSize > 0) {
                char text[32];
                std::snprintf(text, sizeof text, "%.1f%%", 100.0 * storedBytes / fields.unpackedSize);
                ratio = text;
            }
        }
        std::printf("%5" PRId64 " %10s %5s %10s %10s %7s", index, offset.c_str(), mode.c_str(), stored.c_str(),
                    unpacked.c_str(), ratio.c_str());
        if (fault != ArchiveFault::none) {
            std::printf("  %s", describeArchiveFault(fault));
            ++damaged;
        }
        std::printf("\n");
    }
    std::printf("%" PRId64 " %s", listed, listed == 1 ? "entry" : "entries");
    if (damaged > 0) std::printf(", %" PRId64 " damaged", damaged);
    std::printf("\n");
    return damaged == 0 && listed == count ? 0 : 1;
}
