// cmd_pack.cpp: the 'pack' subcommand: makes an archive from files, one entry per file.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "tool/archive_writer.h"
#include "tool/commands.h"
#include "tool/file_bytes.h"

namespace {

constexpr std::size_t reachableEntries = 32768;  // the loader takes a signed 16-bit index

void printHelp(FILE* stream)
{
    std::fprintf(stream,
                 "usage: orvane pack [--stored] OUT FILE...\n"
                 "\n"
                 "Writes a new archive OUT holding each FILE as one entry, in the order given.\n"
                 "Each entry is packed where that makes it smaller, otherwise stored as is;\n"
                 "--stored stores every entry. At most 32768 files.\n"
                 "\n"
                 "Exit status: 0 on success, 1 when a file cannot be read or OUT cannot be\n"
                 "written, 2 on a usage error.\n");
}

}  // namespace

int runPack(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        printHelp(stdout);
        return 0;
    }
    EntryPacking packing = EntryPacking::packedIfSmaller;
    if (!args.empty() && args[0] == "--stored") {
        packing = EntryPacking::stored;
        args.erase(args.begin());
    }
    if (args.size() < 2) {
        printHelp(stderr);
        return 2;
    }
    const std::string out = args[0];
    const std::vector<std::string> inputs(args.begin() + 1, args.end());
    if (inputs.size() > reachableEntries) {
        std::fprintf(stderr, "orvane pack: %zu files: an archive holds at most %zu entries\n", inputs.size(), reachableEntries);
        return 2;
    }

    std::vector<std::vector<uint8_t>> entries(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::string error = readFileBytes(inputs[i], &entries[i]);
        if (!error.empty()) {
            std::fprintf(stderr, "orvane pack: cannot read %s: %s\n", inputs[i].c_str(), error.c_str());
            return 1;
        }
    }
    std::vector<uint8_t> archive;
    try {
        archive = buildArchive(entries, packing);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvane pack: %s: %s\n", out.c_str(), e.what());
        return 1;
    }
    const std::string error = writeFileBytes(out, archive);
    if (!error.empty()) {
        std::fprintf(stderr, "orvane pack: cannot write %s: %s\n", out.c_str(), error.c_str());
        return 1;
    }
    return 0;
}
