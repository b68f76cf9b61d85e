// cmd_pack.cpp: the 'pack' subcommand: makes an archive from files, one entry per file.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/archive_writer.h"
#include "tool/commands.h"
#include "support/file_io.h"
#include "exchange/model_import.h"
#include "tool/model_input.h"
#include "tool/output_file.h"

namespace {

void printHelp(FILE* stream)
{
    std::fprintf(stream,
                 "usage: orvane pack [--stored] [--palette FILE] [--scale S] OUT FILE...\n"
                 "\n"
                 "Writes a new archive OUT holding each FILE as one entry, in the order given.\n"
                 "Each entry is packed where that makes it smaller, otherwise stored as is;\n"
                 "--stored stores every entry. At most 32768 files. A model (.glb, .gltf, .obj)\n"
                 "is imported on the way, as 'orvane import' does (--palette and --scale are\n"
                 "its options); any other file is taken as the entry's bytes.\n"
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
    ModelSettings settings;
    for (std::size_t i = 0; i < args.size();) {
        if (args[i] == "--stored") {
            packing = EntryPacking::stored;
        } else if (args[i] == "--palette" || args[i] == "--scale") {
            if (i + 1 >= args.size() || (args[i] == "--scale" && !parseScale(args[i + 1].c_str(), &settings.scale))) {
                std::fprintf(stderr, "orvane pack: %s needs a %s\n", args[i].c_str(), args[i] == "--scale" ? "positive number" : "file");
                return 2;
            }
            if (args[i] == "--palette") settings.palette = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
            continue;
        }
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
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

    for (const std::string& input : inputs) {
        if (sameFile(input, out)) {
            std::fprintf(stderr, "orvane pack: %s is both an input and the output\n", out.c_str());
            return 2;
        }
    }
    std::vector<std::vector<uint8_t>> entries(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (modelFormatOf(inputs[i]) == ModelFormat::none) {
            if (const Fault fault = readFileBytes(inputs[i], &entries[i])) {
                std::fprintf(stderr, "orvane pack: cannot read %s: %s\n", inputs[i].c_str(), fault.reason);
                return 1;
            }
        } else if (const Fault fault = loadEntryInput("pack", inputs[i], settings, &entries[i])) {
            std::fprintf(stderr, "orvane pack: %s: %s\n", inputs[i].c_str(), fault.reason);
            return 1;
        }
    }
    std::vector<uint8_t> archive;
    if (const Fault fault = buildArchive(entries, packing, &archive)) {
        std::fprintf(stderr, "orvane pack: %s: %s\n", out.c_str(), fault.reason);
        return 1;
    }
    if (const Fault fault = writeFileThroughRename(out, archive)) {
        std::fprintf(stderr, "orvane pack: cannot write %s: %s\n", out.c_str(), fault.reason);
        return 1;
    }
    return 0;
}
