// cmd_dump.cpp: the 'dump' subcommand (not written yet).
#include <cstdio>

#include "tool/commands.h"

int runDump(int, char**)
{
    std::fprintf(stderr, "orvane dump: not available yet\n");
    return 1;
}
