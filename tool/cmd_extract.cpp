// cmd_extract.cpp: the 'extract' subcommand (not written yet).
#include <cstdio>

#include "tool/commands.h"

int runExtract(int, char**)
{
    std::fprintf(stderr, "orvane extract: not available yet\n");
    return 1;
}
