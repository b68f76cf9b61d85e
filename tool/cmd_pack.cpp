// cmd_pack.cpp: the 'pack' subcommand (not written yet).
#include <cstdio>

#include "tool/commands.h"

int runPack(int, char**)
{
    std::fprintf(stderr, "orvane pack: not available yet\n");
    return 1;
}
