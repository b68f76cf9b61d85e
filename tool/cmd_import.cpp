// cmd_import.cpp: the 'import' subcommand: one model (.glb, .gltf, .obj) as one body, the bytes
// of an archive entry ready for 'orvane pack' or 'orvane replace'.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "exchange/model_import.h"
#include "tool/commands.h"
#include "tool/model_input.h"
#include "tool/output_file.h"

namespace {

const char* const importUsage =
    "usage: orvane import MODEL.glb|MODEL.gltf|MODEL.obj -o BODY.bin [--palette FILE] [--scale S]\n"
    "\n"
    "Makes one body from a model: the bytes of one archive entry, unpacked, for 'orvane pack'\n"
    "or 'orvane replace'. A glTF written by 'orvane export' comes back as the body it was\n"
    "(edits in another tool take effect); any other model is converted: joints become bones,\n"
    "colours the nearest palette entries. What is baked or dropped is said on standard error.\n"
    "\n"
    "options:\n"
    "  -o FILE          the body file to write ('-' for standard output)\n"
    "  --palette FILE   the palette colours are matched against (default: palette.dmp beside\n"
    "                   the model, then in the working folder)\n"
    "  --scale S        model units per unit of the file (default 400, the inverse of the\n"
    "                   viewer's 0.0025)\n"
    "\n"
    "Exit status: 0 on success, 1 when the model is refused or a file cannot be read or\n"
    "written (nothing is written then), 2 on a usage error.\n";

int usageError(const char* message)
{
    std::fprintf(stderr, "orvane import: %s\n%s", message, importUsage);
    return 2;
}

}  // namespace

int runImport(int argc, char** argv)
{
    std::string model, out;
    ModelSettings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(importUsage, stdout);
            return 0;
        }
        if (a == "-o" || a == "--palette" || a == "--scale") {
            if (i + 1 >= argc) return usageError((a + " needs a value").c_str());
            const char* v = argv[++i];
            if (a == "-o") out = v;
            else if (a == "--palette") settings.palette = v;
            else if (!parseScale(v, &settings.scale)) return usageError("--scale needs a positive number");
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError(("unknown option " + a).c_str());
        } else if (model.empty()) {
            model = a;
        } else {
            return usageError("give one model");
        }
    }
    if (model.empty()) return usageError("no model given");
    if (out.empty()) return usageError("no output file (-o BODY.bin)");
    if (modelFormatOf(model) == ModelFormat::none) return usageError("the model must be a .glb, .gltf or .obj file");
    if (sameFile(model, out)) return usageError("the output is the model itself");

    std::vector<uint8_t> body;
    if (const Fault f = loadEntryInput("import", model, settings, &body)) {
        std::fprintf(stderr, "orvane import: %s: %s\n", model.c_str(), f.reason);
        return 1;
    }
    if (const Fault f = writeFileThroughRename(out, body)) {
        std::fprintf(stderr, "orvane import: cannot write %s: %s\n", out.c_str(), f.reason);
        return 1;
    }
    return 0;
}
