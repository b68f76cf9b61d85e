// cmd_pack.cpp: the 'pack' subcommand: makes an archive from files, one entry per file.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/archive_writer.h"
#include "tool/commands.h"
#include "support/file_io.h"

namespace {

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
    if (inputs.size() > static_cast<std::size_t>(reachableEntries)) {
        std::fprintf(stderr, "orvane pack: %zu files: an archive holds at most %zu entries\n", inputs.size(), static_cast<std::size_t>(reachableEntries));
        return 2;
    }

    std::vector<std::vector<uint8_t>> entries(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (const Fault fault = readFileBytes(inputs[i], &entries[i])) {
            std::fprintf(stderr, "orvane pack: cannot read %s: %s\n", inputs[i].c_str(), fault.reason);
            return 1;
        }
    }
    std::vector<uint8_t> archive;
    if (const Fault fault = buildArchive(entries, packing, &archive)) {
        std::fprintf(stderr, "orvane pack: %s: %s\n", out.c_str(), fault.reason);
        return 1;
    }
    if (const Fault fault = writeFileBytes(out, archive)) {
        std::fprintf(stderr, "orvane pack: cannot write %s: %s\n", out.c_str(), fault.reason);
        return 1;
    }
    return 0;
}
