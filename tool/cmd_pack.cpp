// cmd_pack.cpp: the 'pack' subcommand: makes an archive from files, one entry per file.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/archive_writer.h"
#include "support/file_io.h"
#include "tool/commands.h"
#include "tool/model_input.h"

const CommandSyntax packCommand = {
    .name = "pack",
    .usage = "[--stored] [--raw] [--palette FILE] [--scale S] OUT FILE...",
    .summary = "make an archive, one entry per file",
    .description = "Writes a new archive OUT ('-' for the standard output) holding each FILE as one\n"
                   "entry, in the order given. Each entry is packed where that makes it smaller,\n"
                   "otherwise stored as is. At most 32768 files, each a regular file or '-' (the\n"
                   "standard input, given once). A model (.glb, .gltf, .obj) is imported on the way,\n"
                   "as 'orvane import' does; any other file is a body, checked as the viewer would\n"
                   "(--raw takes its bytes as they are). A body may be 16 MiB, a model 64 MiB, the\n"
                   "whole archive 256 MiB.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when a file cannot be read or used or OUT cannot be\n"
                   "written, 2 on a usage error (also an OUT that is one of the files, or a palette\n"
                   "found beside a model).\n",
    .options = {{"--stored", nullptr, "store every entry as is, never packed"},
                {"--raw", nullptr, "put files other than models in as they are, unchecked"},
                {"--palette", "FILE", "palette a model's colours are matched against (see import)"},
                {"--scale", "S", "model units per unit of a model's file (default 400)"}},
    .operands = {"OUT", "FILE..."},
};

int runPack(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(packCommand, argc, argv, &line); status >= 0) return status;
    const EntryPacking packing = line.has("--stored") ? EntryPacking::stored : EntryPacking::packedIfSmaller;
    const std::string out = line.operands[0];
    const std::vector<std::string> inputs(line.operands.begin() + 1, line.operands.end());
    if (inputs.size() > static_cast<std::size_t>(reachableEntries)) {
        return line.usageError("%zu files: an archive holds at most %d entries", inputs.size(), reachableEntries);
    }
    if (std::count(inputs.begin(), inputs.end(), "-") > 1)
        return line.usageError("the standard input ('-') can be read only once");
    ModelSettings settings;
    settings.palette = line.value("--palette", "");
    settings.raw = line.has("--raw");
    std::vector<std::string> read = inputs;  // every file the command reads, the palette too
    if (!settings.palette.empty()) read.push_back(settings.palette);
    if (refuseSameFile(packCommand, out, read)) return usageStatus;
    if (line.has("--scale") && !parseScale(line.value("--scale"), &settings.scale))
        return line.usageError("--scale needs a positive number");

    std::vector<std::vector<uint8_t>> entries(inputs.size());
    std::vector<std::string> opened;
    std::size_t total = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (const Fault fault = loadEntryInput("pack", inputs[i], settings, &entries[i], &opened)) {
            std::fprintf(stderr, "orvane pack: %s: %s\n", inputs[i].c_str(), fault.reason);
            return 1;
        }
        total += entries[i].size();
        if (total > anyInputCap.bytes) {
            std::fprintf(stderr, "orvane pack: %s: %s\n", out.c_str(),
                         tooLargeFault({anyInputCap.bytes, "an archive"}).reason);
            return 1;
        }
    }
    // Files found on the way (a palette beside a model) are inputs too.
    if (refuseSameFile(packCommand, out, opened)) return usageStatus;
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
