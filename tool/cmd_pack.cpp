// cmd_pack.cpp: the 'pack' subcommand: makes an archive from files, one entry per file.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/archive_writer.h"
#include "support/file_io.h"
#include "exchange/model_import.h"
#include "tool/commands.h"
#include "tool/model_input.h"

const CommandSyntax packCommand = {
    .name = "pack",
    .usage = "[--stored] [--palette FILE] [--scale S] OUT FILE...",
    .summary = "make an archive, one entry per file",
    .description = "Writes a new archive OUT ('-' for the standard output) holding each FILE as one\n"
                   "entry, in the order given. Each entry is packed where that makes it smaller,\n"
                   "otherwise stored as is. At most 32768 files, each a regular file or '-' (the\n"
                   "standard input). A model (.glb, .gltf, .obj) is imported on the way, as\n"
                   "'orvane import' does; any other file is taken as the entry's bytes.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when a file cannot be read or OUT cannot be\n"
                   "written, 2 on a usage error (also an OUT that is one of the files).\n",
    .options = {{"--stored", nullptr, "store every entry as is, never packed"},
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
    ModelSettings settings;
    settings.palette = line.value("--palette", "");
    std::vector<std::string> read = inputs;  // every file the command reads, the palette too
    if (!settings.palette.empty()) read.push_back(settings.palette);
    if (refuseSameFile(packCommand, out, read)) return usageStatus;
    if (line.has("--scale") && !parseScale(line.value("--scale"), &settings.scale)) return line.usageError("--scale needs a positive number");

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
    if (const Fault fault = writeFileBytes(out, archive)) {
        std::fprintf(stderr, "orvane pack: cannot write %s: %s\n", out.c_str(), fault.reason);
        return 1;
    }
    return 0;
}
