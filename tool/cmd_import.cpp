// cmd_import.cpp: the 'import' subcommand: one model (.glb, .gltf, .obj) as one body, the bytes
// of an archive entry ready for 'orvane pack' or 'orvane replace'.
#include <cstdio>
#include <string>
#include <vector>

#include "exchange/model_import.h"
#include "support/file_io.h"
#include "tool/commands.h"
#include "tool/model_input.h"

const CommandSyntax importCommand = {
    .name = "import",
    .usage = "MODEL -o BODY.bin [--base ARCHIVE INDEX] [--palette FILE] [--scale S | --fit SIZE] [--flat]",
    .summary = "make a body from a .glb, .gltf or .obj model",
    .description = "Makes one body from a model: the bytes of one archive entry, unpacked, for\n"
                   "'orvane pack' or 'orvane replace'. A glTF written by 'orvane export' comes back\n"
                   "as the body it was (edits made in another tool take effect); any other model is\n"
                   "converted: joints become bones, colours the nearest palette entries, base colour\n"
                   "textures baked into those colours, and faces lit by their normals unless the\n"
                   "material is unlit or --flat is given. With --base, a glTF exported from entry\n"
                   "INDEX of ARCHIVE and edited since (in Blender, say) is read as an edit of that\n"
                   "entry: every stored field the file does not carry is the entry's, and a file that\n"
                   "is not its export is refused. What is baked or dropped is said on standard\n"
                   "error, one line each.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when the model is refused or a file cannot be read\n"
                   "or written (nothing is written then), 2 on a usage error (also an output that is\n"
                   "an input, the palette found beside the model included). A model may be 64 MiB.\n",
    .options = {{"-o", "BODY.bin", "the body file to write ('-' for standard output)"},
                {"--base", "ARCHIVE",
                 "read the model as an edit of entry INDEX (the operand after\n"
                 "                  MODEL) of ARCHIVE"},
                {"--palette", "FILE",
                 "palette to match colours against (default: palette.dmp beside\n"
                 "                  the model, then in the working folder)"},
                {"--scale", "S", "model units per unit of the file (default 400)"},
                {"--fit", "SIZE", "scale the model so that its largest extent is SIZE model units"},
                {"--flat", nullptr, "faces in their colours, unlit, as the material gives them"}},
    .operands = {"MODEL", "[INDEX]"},
};

int runImport(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(importCommand, argc, argv, &line); status >= 0) return status;
    const std::string model = line.operands[0];
    const char* out = line.value("-o");
    if (out == nullptr) return line.usageError("no output file (-o BODY.bin)");
    if (modelFormatOf(model) == ModelFormat::none)
        return line.usageError("the model must be a .glb, .gltf or .obj file");
    ModelSettings settings;
    settings.palette = line.value("--palette", "");
    if (line.has("--scale") && !parseScale(line.value("--scale"), &settings.scale))
        return line.usageError("--scale needs a positive number");
    if (line.has("--fit") && (!parseScale(line.value("--fit"), &settings.fit) || settings.fit > 65534)) {
        return line.usageError("--fit needs a size from above 0 to 65534 model units");
    }
    if (line.has("--fit") && line.has("--scale")) return line.usageError("--fit and --scale cannot go together");
    settings.flat = line.has("--flat");
    std::vector<std::string> inputs = {model};
    if (!settings.palette.empty()) inputs.push_back(settings.palette);
    long baseIndex = 0;
    if (line.has("--base") != (line.operands.size() == 2))
        return line.usageError("--base takes an archive and an entry index: --base ARCHIVE INDEX");
    if (line.has("--base")) {
        if (!line.readNumber("INDEX", line.operands[1].c_str(), 0, 32767, &baseIndex)) return usageStatus;
        inputs.push_back(line.value("--base"));
    }
    if (refuseSameFile(importCommand, out, inputs)) return usageStatus;
    if (line.has("--base")) {
        if (const Fault f = loadImportBase(line.value("--base"), baseIndex, true, &settings)) {
            std::fprintf(stderr, "orvane import: %s: entry %ld: %s\n", line.value("--base"), baseIndex, f.reason);
            return 1;
        }
    }

    std::vector<uint8_t> body;
    std::vector<std::string> opened;
    if (const Fault f = loadEntryInput("import", model, settings, &body, &opened)) {
        std::fprintf(stderr, "orvane import: %s: %s\n", model.c_str(), f.reason);
        return 1;
    }
    // Files found on the way (a palette beside the model) are inputs too.
    if (refuseSameFile(importCommand, out, opened)) return usageStatus;
    if (const Fault f = writeFileBytes(out, body)) {
        std::fprintf(stderr, "orvane import: cannot write %s: %s\n", out, f.reason);
        return 1;
    }
    return 0;
}
