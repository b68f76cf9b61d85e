// cmd_demo.cpp: the 'demo' subcommand: writes the demo palette and archive into a folder.
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <system_error>

#include "demo/demo_data.h"
#include "support/file_io.h"
#include "tool/commands.h"

const CommandSyntax demoCommand = {
    .name = "demo",
    .usage = "[--force] DIR",
    .summary = "write the demo palette.dmp and body.ZRK into DIR",
    .description = "Writes the project's demo palette.dmp and body.ZRK into DIR (made when missing);\n"
                   "run the viewer in DIR to see them. Files already there are kept unless --force\n"
                   "is given; both files are replaced together or not at all.\n"
                   "\n"
                   "Exit status: 0 on success, 1 when a file exists (without --force) or cannot be\n"
                   "written, 2 on a usage error.\n",
    .options = {{"--force", nullptr, "replace palette.dmp and body.ZRK when they exist"}},
    .operands = {"DIR"},
};

int runDemo(int argc, char** argv)
{
    CommandLine line;
    if (const int status = parseCommandLine(demoCommand, argc, argv, &line); status >= 0) return status;
    const std::string directory = line.operands[0];
    if (directory == "-") return line.usageError("DIR must be a folder, not '-'");
    if (!line.has("--force")) {
        for (const char* name : {demoPaletteFileName, demoArchiveFileName}) {
            const std::string path = directory + "/" + name;
            if (pathExists(path)) {
                std::fprintf(stderr, "orvane demo: %s exists; give --force to replace it\n", path.c_str());
                return 1;
            }
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        std::fprintf(stderr, "orvane demo: cannot create %s: %s\n", directory.c_str(), ec.message().c_str());
        return 1;
    }
    if (const Fault fault = writeDemoFiles(directory)) {
        std::fprintf(stderr, "orvane demo: cannot write %s\n", fault.reason);
        return 1;
    }
    std::printf("%s/palette.dmp\n%s/body.ZRK\n", directory.c_str(), directory.c_str());
    return 0;
}
