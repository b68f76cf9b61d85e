// cmd_demo.cpp: the 'demo' subcommand: writes the demo palette and archive into a folder.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "tool/command_line.h"
#include "tool/commands.h"
#include "demo/demo_data.h"

int runDemo(int argc, char** argv)
{
    if (isHelpRequest(argc, argv)) {
        std::printf("usage: orvane demo DIR\n\nWrites the demo palette.dmp and body.ZRK into DIR (made when missing).\n"
                    "Run the viewer in DIR to see them.\n");
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvane demo DIR\n");
        return 2;
    }
    const std::string directory = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        std::fprintf(stderr, "orvane demo: cannot create %s: %s\n", directory.c_str(), ec.message().c_str());
        return 1;
    }
    if (const Fault fault = writeDemoFiles(directory)) {
        std::fprintf(stderr, "orvane demo: %s\n", fault.reason);
        return 1;
    }
    std::printf("%s/palette.dmp\n%s/body.ZRK\n", directory.c_str(), directory.c_str());
    return 0;
}
