// main.cpp: the orvane tool's entry: finds the subcommand and runs it.
#include <cstdio>
#include <cstring>

#include "tool/commands.h"

namespace {

struct Command {
    const char* name;
    const char* synopsis;
    int (*run)(int argc, char** argv);
};

const Command commands[] = {
    {"demo", "demo DIR                      write the demo palette.dmp and body.ZRK into DIR", runDemo},
    {"list", "list ARCHIVE                  list the entries of an archive", runList},
    {"extract", "extract ARCHIVE INDEX OUT     write the unpacked bytes of one entry", runExtract},
    {"pack", "pack OUT FILE...              make an archive, one entry per file", runPack},
    {"check", "check ARCHIVE                 check every entry as the viewer would", runCheck},
    {"dump", "dump ARCHIVE INDEX [--frames N] [--auto-rotate]   print the pipeline's results as JSON", runDump},
    {"render", "render ARCHIVE INDEX -o OUT.png [options]   draw an entry to PNG (see render --help)", runRender},
    {"export", "export ARCHIVE INDEX -o OUT.glb|.gltf|.obj [options]   write glTF 2.0 or OBJ (see export --help)", runExport},
    {"import", "import MODEL -o BODY.bin [options]   make a body from a .glb, .gltf or .obj model", runImport},
    {"replace", "replace ARCHIVE INDEX FILE    put a body (or a model) in place of one entry", runReplace},
};

void printUsage(FILE* stream)
{
    std::fprintf(stream, "usage: orvane COMMAND [ARGS]\n\ncommands:\n");
    for (const Command& command : commands) std::fprintf(stream, "  %s\n", command.synopsis);
    std::fprintf(stream, "\n'orvane COMMAND --help' tells more about one command.\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "help") == 0) {
        printUsage(stdout);
        return 0;
    }
    for (const Command& command : commands) {
        if (std::strcmp(argv[1], command.name) == 0) return command.run(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "orvane: unknown command '%s'\n", argv[1]);
    printUsage(stderr);
    return 2;
}
